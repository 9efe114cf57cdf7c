"""Coefficients in barn/atom, 1/cm and attenuation lengths, thicknesses with their units: the
command line's doubles, the errors, and the documents' examples as written (their refusals with
status 1)."""

import doctest
import os
import re
import shlex

import numpy as np
import pytest

import photonxs
from conftest import cli_table, run_cli

DOCS = os.path.join(os.path.dirname(__file__), "..", "..", "docs")


def section(document, title, end):
    """A document's text from a heading to the next one of its level."""
    with open(os.path.join(DOCS, document), encoding="utf-8") as file:
        return file.read().split(title + "\n")[1].split(end)[0]


@pytest.mark.parametrize("material, unit, density", [
    ("Pb", "barn/atom", None), ("formula:CaSO4·2H2O", "barn/atom", None), ("Pb", "1/cm", None),
    ("formula:H2O", "1/cm", 0.998), ("Si", "um", None), ("Water_Liquid", "m", None),
    ("Water_Liquid", "cm2/g", 2.0), ("mix:Pb=80,C=17.6,H=2.4", "mm", 4.8),
])
def test_units_give_the_command_lines_doubles(material, unit, density):
    energies = [0.001, 0.0151, 0.088, 0.662, 1.5, 30.0, 200000.0]
    options = ["--unit", unit, "--without-coherent"] + (["--density", str(density)] if density else [])
    expected = cli_table("at", *options, material, *map(str, energies))
    got = photonxs.mu_rho(material, energies, unit, density=density, without_coherent=True)
    fields = ("coherent", "incoherent", "photo_electric", "pair_nuclear", "pair_electron", "total",
              "total_without_coherent")
    assert np.array_equal(np.column_stack([got[f] for f in fields]), expected[:, 1:], equal_nan=True)


@pytest.mark.parametrize("call, message", [
    (lambda: photonxs.mu_rho("Pb", 1, "inch"), "cm2/g, barn/atom, 1/cm"),
    (lambda: photonxs.mu_rho("Water_Liquid", 1, "barn/atom"), "mixture by weight"),
    (lambda: photonxs.mu_rho("formula:H2O", 1, "1/cm"), "give it with density="),
    (lambda: photonxs.mu_rho("Pb", 1, "mm", density=0.0), "not a number above 0"),
    (lambda: photonxs.transmission([("Pb", "2 in")], 1), "mg/cm2"),
])
def test_bad_units_are_refused_with_the_known_ones(call, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        call()


def test_the_documents_unit_examples_print_what_they_show():
    examples = 0
    for document, title, end in (("attenuation.md", "## Units people quote", "\n## "),
                                 ("cli.md", "### Units", "\n### ")):
        for block in re.findall(r"^```\n(.*?)^```", section(document, title, end), re.M | re.S):
            for command in re.split(r"^\$ ", block, flags=re.MULTILINE)[1:]:
                line, _, shown = command.partition("\n")
                status, out, err = run_cli(*shlex.split(line)[1:])
                assert (out + err, status) == (shown, int(shown.startswith("photonxs-cli:"))), line
                examples += 1
    assert examples >= 9


def test_the_documents_python_examples_run_as_written():
    text = "".join(re.findall(r"^```python\n(.*?)^```", section("attenuation.md",
                                                                "## Units people quote", "\n## "), re.M | re.S))
    runner = doctest.DocTestRunner()
    runner.run(doctest.DocTestParser().get_doctest(text, {}, "attenuation.md", DOCS, 0))
    assert (runner.failures, runner.tries) == (0, text.count(">>> ")) and runner.tries >= 3
