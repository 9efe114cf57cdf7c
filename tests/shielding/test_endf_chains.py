"""The decay table and the emitters' own lines of the shipped library against the ENDF-6 decay
files in data/nuclides/endf: half-lives, branchings and daughters from each member's decay modes,
and every line of 1 keV and 1e-5 per decay or more, none missing."""

import csv
import os
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
from endf_decay import Decay, rounds_to  # noqa: E402

ENDF = Path(os.environ.get("PHOTONXS_DATA", ROOT / "data")) / "nuclides" / "endf"
LIBRARY = ROOT / "library" / "shielding"


def rows(name):
    text = (LIBRARY / name).read_text().splitlines()
    return list(csv.DictReader(line for line in text if not line.startswith("#")))


DECAY = rows("decay.csv")
EMITTERS = rows("emitters.csv")
MEMBERS = list(dict.fromkeys(row["nuclide"] for row in DECAY))


def decay_of(member):
    """The ENDF file of "Ba-137m": dec-056_Ba_137m1.endf."""
    symbol, mass = member.split("-")
    stem = f"{symbol}_{int(mass.rstrip('m')):03d}{'m1' if mass.endswith('m') else ''}"
    files = sorted(ENDF.glob(f"dec-*_{stem}.endf"))
    assert len(files) == 1, member
    return Decay(files[0])


@pytest.mark.parametrize("member", MEMBERS)
def test_decay_rows_agree_with_the_endf_file(member):
    decay = decay_of(member)
    own = [row for row in DECAY if row["nuclide"] == member]
    if own[0]["half_life_s"] == "stable":
        # Stable, or (Te-123, Xe-134) only a lower limit of the half-life in the file.
        assert decay.half_life_s == 0
        return
    assert rounds_to(decay.half_life_s, own[0]["half_life_s"])
    if own[0]["mode"] == "end":
        assert decay.half_life_s > 1e5 * 365.25 * 86400
        return
    for row in own:
        products = [decay.product(mode) for mode in decay.modes
                    if rounds_to(mode[2], row["branching"])]
        if row["mode"] == "SF":
            assert None in products, row
        else:
            daughter = decay_of(row["daughter"])
            assert (daughter.za, daughter.isomer) in products, row
    assert len(own) == len(decay.modes)


@pytest.mark.parametrize("member", [m for m in MEMBERS
                                    if any(r["nuclide"] == m and r["half_life_s"] != "stable"
                                           for r in DECAY)])
def test_emitter_lines_are_the_endf_lines(member):
    decay = decay_of(member)
    expected = sorted((energy, fd * ri, kind) for kind, fd, lines in decay.spectra
                      if kind in (0, 9) for energy, ri in lines
                      if energy >= 1000 and fd * ri >= 1e-5)
    got = [row for row in EMITTERS if row["emitter"] == member]
    assert len(got) == len(expected)
    for row, (energy, per_decay, kind) in zip(got, expected):
        assert rounds_to(energy / 1e6, row["energy_mev"]), row
        assert rounds_to(per_decay, row["photons_per_decay"]), row
        assert (row["kind"] == "gamma") == (kind == 0), row
