"""Coefficients in barn/atom, 1/cm and attenuation lengths, thicknesses with their units: the
command line's doubles, the errors, and the documents' examples as written (their refusals with
status 1)."""

import re

import numpy as np
import pytest

import photonxs
from conftest import check_doc_commands, check_doc_python, cli_table, doc_blocks



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


def test_the_documents_unit_examples_run_as_written():
    assert check_doc_commands(doc_blocks("attenuation.md", title="## Units people quote") +
                              doc_blocks("cli.md", title="### Units", end="\n### ")) >= 9
    text = "".join(doc_blocks("attenuation.md", "python", "## Units people quote"))
    assert check_doc_python(text, "attenuation.md") >= 3
