"""ENDF-6 radioactive decay files (MF8/MT457): a nucleus's half-life, decay modes and discrete
photon lines, and the branching of a decay chain computed from its members' decay modes.

Used to check data/nuclides/lines.csv against the files it was read from, and by hand when the
table is brought up to a new release:

    python3 tools/endf_decay.py data/nuclides/endf/dec-027_Co_060.endf

prints the file's half-life and its gamma and X-ray lines with their yields per decay.
"""

import re
import sys
from decimal import Decimal
from pathlib import Path


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


def read_chain(folder, members):
    """The decay files of a chain's members ("Cs_137", "Ba_137m1") in `folder`, by member:
    (file name, Decay)."""
    chain = {}
    for member in members:
        files = sorted(Path(folder).glob(f"dec-*_{member}.endf"))
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


def main(paths):
    for path in paths:
        decay = Decay(Path(path))
        print(f"{Path(path).name}: ZA {decay.za}, isomer {decay.isomer}, "
              f"half-life {decay.half_life_s:g} s")
        for kind, fd, lines in decay.spectra:
            if kind in (0, 9):
                for energy, ri in lines:
                    print(f"  {'gamma' if kind == 0 else 'X/annihilation'} {energy / 1000:.4f} keV"
                          f"  {fd * ri:.6g} per decay")


if __name__ == "__main__":
    main(sys.argv[1:] or sys.exit("usage: endf_decay.py FILE.endf..."))
