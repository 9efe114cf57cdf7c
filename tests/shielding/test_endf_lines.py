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
from decimal import Decimal
from pathlib import Path

import pytest

DATA = Path(os.environ.get("PHOTONXS_DATA", Path(__file__).resolve().parents[2] / "data"))
NUCLIDES = DATA / "nuclides"
SUMMARY = list(csv.DictReader((NUCLIDES / "nuclides_summary.csv").read_text().splitlines()))
LINES = list(csv.DictReader((NUCLIDES / "lines.csv").read_text().splitlines()))


def endf_number(field):
    """An 11-column ENDF float: " 1.173228+6" is 1.173228E+6; a blank field is 0."""
    text = field.strip()
    return float(re.sub(r"(?<=[0-9.])([+-])", r"E\1", text, count=1)) if text else 0.0


class Section:
    """The records of MF8/MT457 in order: six 11-column fields a line, MF and MT in 71-75."""

    def __init__(self, path):
        self.lines = [line for line in path.read_text().splitlines()
                      if line[70:72].strip() == "8" and line[72:75].strip() == "457"]
        self.next = 0

    def head(self):
        line = self.lines[self.next]
        self.next += 1
        return [endf_number(line[0:11]), endf_number(line[11:22])] + \
            [int(line[k:k + 11] or 0) for k in range(22, 66, 11)]

    def items(self, count):
        lines = self.lines[self.next:self.next + (count + 5) // 6]
        self.next += len(lines)
        return [endf_number(line[k:k + 11]) for line in lines for k in range(0, 66, 11)][:count]

    def list(self):
        head = self.head()
        return head, self.items(head[4])


class Decay:
    """A decay file's nucleus, half-life, decay modes and discrete photon spectra."""

    def __init__(self, path):
        section = Section(path)
        za, _, _, self.isomer, stable, spectra = section.head()
        self.za = round(za)
        head, _ = section.list()
        self.half_life_s = head[0]
        _, modes = section.list()
        # RTYP, RFS, Q, dQ, BR, dBR for each mode.
        self.modes = [(modes[k], round(modes[k + 1]), modes[k + 4])
                      for k in range(0, len(modes), 6)]
        self.spectra = []  # (STYP, FD, [(ER, RI)])
        for _ in range(spectra if stable == 0 else 0):
            head, values = section.list()
            styp, continuum, count = round(head[1]), head[2], head[5]
            discrete = (section.list() for _ in range(count if continuum != 1 else 0))
            lines = [(line_head[0], line_values[2]) for line_head, line_values in discrete]
            if continuum != 0:  # a TAB1 continuum, then its covariances when LCOV says so
                table = section.head()
                section.next += (2 * table[4] + 5) // 6 + (2 * table[5] + 5) // 6
                if table[3] != 0:
                    section.list()
            self.spectra.append((styp, values[0], lines))

    def product(self, mode):
        """The (ZA, state) a decay mode leads to; None for fission. RTYP's digits are the steps
        in order: 1 beta-, 2 EC or beta+, 3 isomeric transition, 4 alpha, 5 neutron, 7 proton."""
        z, a = divmod(self.za, 1000)
        steps = {"1": (1, 0), "2": (-1, 0), "3": (0, 0), "4": (-2, -4), "5": (0, -1), "7": (-1, -1)}
        for step in f"{mode[0]:g}".replace(".", ""):
            if step not in steps:
                return None
            z, a = z + steps[step][0], a + steps[step][1]
        return 1000 * z + a, mode[1]


def rounds_to(value, text):
    """True when the text is `value` rounded to the digits the text gives."""
    number = Decimal(text)
    half_unit = Decimal(1).scaleb(number.as_tuple().exponent) / 2
    return abs(Decimal(repr(value)) - number) <= half_unit * Decimal("1.000001")


def emitter_name(member):
    """The line table's name of a chain member: "Ba_137m1" is Ba-137m."""
    symbol, mass = member.split("_")
    return f"{symbol}-{int(mass.removesuffix('m1'))}{'m' if mass.endswith('m1') else ''}"


def read_chain(members):
    chain = {}
    for member in members:
        files = sorted((NUCLIDES / "endf").glob(f"dec-*_{member}.endf"))
        assert len(files) == 1, f"one ENDF file for {member}"
        decay, mass = Decay(files[0]), member.split("_")[1]
        # "dec-056_Ba_137m1.endf" must hold Z 56, A 137, the first isomeric state.
        assert (decay.za, decay.isomer) == (1000 * int(files[0].name[4:7]) + int(mass[:3]),
                                            1 if mass.endswith("m1") else 0)
        chain[member] = (files[0].name, decay)
    return chain


def chain_branching(chain, parent):
    """Decays of each member per decay of the parent: the sum over the members decaying into
    it, each times its branching to that nucleus."""
    branching = {parent: 1.0}

    def reached(name):
        if name not in branching:
            target = (chain[name][1].za, chain[name][1].isomer)
            branching[name] = sum(reached(other) * mode[2]
                                  for other, (_, decay) in chain.items() if other != name
                                  for mode in decay.modes if decay.product(mode) == target)
        return branching[name]

    for name in chain:
        assert reached(name) > 0, f"{name} is not reached from {parent}"
    return branching


def test_every_nuclide_has_lines_and_a_summary():
    assert len(SUMMARY) == 53
    assert {row["nuclide"] for row in LINES} == {row["nuclide"] for row in SUMMARY}


@pytest.mark.parametrize("summary", SUMMARY, ids=[row["nuclide"] for row in SUMMARY])
def test_lines_agree_with_the_endf_files(summary):
    members = summary["members"].split()
    chain = read_chain(members)
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
