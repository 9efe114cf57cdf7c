"""Coefficients in barn/atom, 1/cm and attenuation lengths, thicknesses with their units: the
command line's doubles, hand computations, the errors, and the documents' examples as written."""

import doctest
import os
import re
import shlex

import numpy as np
import pytest

import photonxs
from conftest import cli_table, run_cli

DOCS = os.path.join(os.path.dirname(__file__), "..", "..", "docs")
N_A = 6.02214076e23  # CODATA 2018, exact


def section(document, title):
    """The text of a document from a heading to the next heading of its level or above (a
    line of code that starts with one # is no heading)."""
    with open(os.path.join(DOCS, document), encoding="utf-8") as file:
        text = file.read()
    level = title.split(" ")[0]
    start = text.index(title + "\n")
    following = re.search(r"^#{2,%d} " % len(level), text[start + len(title):], re.MULTILINE)
    return text[start:start + len(title) + following.start()] if following else text[start:]


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


@pytest.mark.parametrize("material, mass", [
    ("Pb", 207.199997), ("formula:H2O", 2 * 1.0079 + 15.9994),
    ("formula:Ca10(PO4)6(OH)2", 10 * 40.080002 + 6 * 30.973761 + 26 * 15.9994 + 2 * 1.0079),
])
def test_barn_per_atom_is_mu_rho_times_the_formula_mass_over_avogadro(material, mass):
    energies = np.array([0.01, 0.1, 1.0, 10.0])
    per_gram = photonxs.mu_rho(material, energies)["total"]
    assert np.allclose(photonxs.mu_rho(material, energies, "barn/atom")["total"],
                       per_gram * mass / N_A * 1e24, rtol=1e-14, atol=0)


@pytest.mark.parametrize("written, cm", [
    ("5 mm", 0.5), ("5mm", 0.5), ("2500um", 0.25), ("0.02 m", 2.0), ("2 g/cm2", 2 / 11.35),
    ("450mg/cm2", 0.45 / 11.35), (0.5, 0.5),
])
def test_thickness_texts_are_their_length_in_cm(written, cm):
    energies = np.array([0.03, 0.662, 5.0])
    assert np.allclose(photonxs.transmission([("Pb", written)], energies),
                       photonxs.transmission([("Pb", cm)], energies), rtol=1e-13, atol=0)


def test_mass_per_area_is_divided_by_the_given_density():
    assert photonxs.transmission([("formula:H2O", "2 g/cm2", 0.5)], 0.1) == \
        photonxs.transmission([("formula:H2O", 4.0, 0.5)], 0.1)


@pytest.mark.parametrize("call, message", [
    (lambda: photonxs.mu_rho("Pb", 1, "inch"), "cm2/g, barn/atom, 1/cm"),
    (lambda: photonxs.mu_rho("Water_Liquid", 1, "barn/atom"), "mixture by weight"),
    (lambda: photonxs.mu_rho("mix:H2O=1", 1, "barn/atom"), "formula:H2O"),
    (lambda: photonxs.mu_rho("formula:H2O", 1, "1/cm"), "give it with density="),
    (lambda: photonxs.mu_rho("Pb", 1, "mm", density=0.0), "not a number above 0"),
    (lambda: photonxs.transmission([("Pb", "2 in")], 1), "mg/cm2"),
    (lambda: photonxs.transmission([("Pb", "-2 mm")], 1), "0 or more"),
])
def test_bad_units_are_refused_with_the_known_ones(call, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        call()


def test_the_documents_unit_examples_print_what_they_show():
    examples = 0
    for document, title in (("attenuation.md", "## Units people quote"), ("cli.md", "### Units")):
        for block in re.findall(r"^```\n(.*?)^```", section(document, title), re.M | re.S):
            for command in re.split(r"^\$ ", block, flags=re.MULTILINE)[1:]:
                line, _, shown = command.partition("\n")
                _, out, err = run_cli(*shlex.split(line)[1:])
                assert out + err == shown, line
                examples += 1
    assert examples >= 9


def test_the_documents_python_examples_run_as_written():
    text = "".join(re.findall(r"^```python\n(.*?)^```", section("attenuation.md",
                                                                "## Units people quote"), re.M | re.S))
    runner = doctest.DocTestRunner()
    runner.run(doctest.DocTestParser().get_doctest(text, {}, "attenuation.md", DOCS, 0))
    assert (runner.failures, runner.tries) == (0, text.count(">>> ")) and runner.tries >= 3
