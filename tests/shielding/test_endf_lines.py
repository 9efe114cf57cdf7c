"""The photon lines of data/nuclides/lines.csv against the ENDF-6 decay files they were read from.

Every row must be a discrete line of its emitter's MF8/MT457 section (spectrum type 0 for gamma
rays, 9 for X-rays and annihilation) at the row's energy, giving FD x RI per decay times the
chain's branching to the emitter, to the digits the row gives; and no line of 1 keV or more that
gives 0.001 per 100 decays of the parent may be missing. The branching comes from the decay modes
of the chain members' own files.
"""

import csv
import os
import re
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from endf_decay import chain_branching, emitter_name, read_chain, rounds_to  # noqa: E402

DATA = Path(os.environ.get("PHOTONXS_DATA", Path(__file__).resolve().parents[2] / "data"))
NUCLIDES = DATA / "nuclides"
SUMMARY = list(csv.DictReader((NUCLIDES / "nuclides_summary.csv").read_text().splitlines()))
LINES = list(csv.DictReader((NUCLIDES / "lines.csv").read_text().splitlines()))


def test_every_nuclide_has_lines_and_a_summary():
    assert len(SUMMARY) == 53
    assert {row["nuclide"] for row in LINES} == {row["nuclide"] for row in SUMMARY}


@pytest.mark.parametrize("summary", SUMMARY, ids=[row["nuclide"] for row in SUMMARY])
def test_lines_agree_with_the_endf_files(summary):
    members = summary["members"].split()
    chain = read_chain(NUCLIDES / "endf", members)
    assert rounds_to(chain[members[0]][1].half_life_s, summary["half_life_s"])
    branching = chain_branching(chain, members[0])
    by_emitter = {emitter_name(member): member for member in members}
    rows = [row for row in LINES if row["nuclide"] == summary["nuclide"]]
    assert len(rows) == int(summary["lines_kept"])

    for row in rows:
        where = f"{row['nuclide']}, {row['emitter']} {row['energy_keV']} keV"
        member = by_emitter.get(row["emitter"])
        assert member, f"{where}: the emitter is not in the chain"
        file, decay = chain[member]
        assert file in row["source"], f"{where}: the source names another file"
        # A daughter's lines say the branching they were multiplied by; the parent's none.
        stated = re.search(r"; x(\S+) equilibrium branching", row["source"])
        if row["emitter"] == row["nuclide"]:
            assert stated is None, f"{where}: a branching for the parent's own line"
        else:
            assert stated and rounds_to(branching[member], stated.group(1)), \
                f"{where}: branching {stated and stated.group(1)}, ENDF gives {branching[member]}"
        styp = 0 if row["kind"] == "gamma" else 9
        assert any(rounds_to(energy / 1000, row["energy_keV"]) and
                   rounds_to(fd * ri * 100 * branching[member], row["intensity_per_100_decays"])
                   for kind, fd, lines in decay.spectra if kind == styp
                   for energy, ri in lines), \
            f"{where}: no ENDF line of that energy gives {row['intensity_per_100_decays']} per 100"

    for member, (file, decay) in chain.items():
        for kind, fd, lines in decay.spectra:
            for energy, ri in lines:
                if kind not in (0, 9) or energy < 1000 or fd * ri * 100 * branching[member] < 0.001:
                    continue
                assert any(row["emitter"] == emitter_name(member) and
                           (row["kind"] == "gamma") == (kind == 0) and
                           rounds_to(energy / 1000, row["energy_keV"]) for row in rows), \
                    f"{file}: the line at {energy} eV is missing"
