"""Materials by the names people type, in Python and on the command line alike."""

import photonxs
import pytest

from conftest import LIBRARY, cli_table, run_cli

# Typed text, the material taken, its density (None: not known) and a part of the note.
NAMES = [
    ("H2O", "H2O", 1.0, "library material Water_Liquid"),
    ("SiO2", "SiO2", None, ""),
    ("Kapton", "Kapton Polyimide Film", 1.42, "Kapton Polyimide Film"),
    ("NaI", "Sodium Iodide - 0.2 wt% Thalium Doped", 3.667, "formula:NaI"),
    ("SS304", "Steel, Stainless 304", 8.03, "Steel, Stainless 304"),
    ("lead glass", "Glass, Lead", 6.22, "Glass_Lead"),
    ("compendium:Water, Liquid", "Water, Liquid", 0.997, ""),
]


@pytest.mark.parametrize("typed,name,density,note", NAMES)
def test_names_in_python_and_cli(typed, name, density, note):
    material = photonxs.Library(LIBRARY).material(typed)
    assert (material.name, material.density) == (name, density)
    assert note in material.note and (note or not material.note)
    status, _, err = run_cli("hvl", typed, "0.662", "--density", "1")
    assert status == 0 and (note in err if note else err == "")
    assert cli_table("at", typed, "0.662")[0][-1] == photonxs.mu_rho(material, [0.662])["total"][0]


@pytest.mark.parametrize("typed,message", [
    ("soil", "may mean 2 materials; name one: Earth, U.S. Average; Earth, Typical Western U.S."),
    ("Watr", "did you mean Water_Liquid"),
    ("CO", "reads both as the element Co and as a formula"),
])
def test_refusals_in_python_and_cli(typed, message):
    with pytest.raises((ValueError, OSError), match=message.replace(".", r"\.")):
        photonxs.Library(LIBRARY).material(typed)
    status, _, err = run_cli("at", typed, "0.662")
    assert status == 1 and message in err
