"""Layer by layer: the package against the command line's doubles, the document's examples,
the angle, the lead equivalence of lead, and refusals with clear messages."""

import os
import re

import numpy as np
import pytest

import photonxs
from conftest import check_doc_commands, cli_table, doc_blocks, run_cli

SPECTRUM = os.path.join(os.path.dirname(__file__), "..", "..", "docs", "examples",
                        "kramers-100kV.txt")
STACKS = [[("Be", 0.0025), ("Si", 1e-5), ("Si", 0.045)],
          [("Al", 0.25), ("Cu", 0.01, 8.96), ("Water_Liquid", 2.0)],
          [("Cadmium_Telluride", 0.1)]]
ENERGIES = [0.0015, 0.0059, 0.0177, 0.02675, 0.0881, 0.662, 25.0]


def words(stack):
    return ["%s@%r" % (layer[0], layer[1]) + ("@%r" % layer[2] if len(layer) > 2 else "")
            for layer in stack]


def layer_rows(*args):
    """The rows of a per-layer command as [layer, numbers...] at 17 digits (None for blank)."""
    status, out, err = run_cli("--digits", "17", "--format", "csv", *args)
    assert status == 0, err
    return [[line.split(",")[0]] + [float(f) if f else None for f in line.split(",")[1:]]
            for line in out.splitlines()[1:]]


@pytest.mark.parametrize("stack", STACKS)
@pytest.mark.parametrize("angle", [0.0, 60.0])
def test_layer_shares_are_the_command_lines_doubles(stack, angle):
    got = photonxs.layer_shares(stack, ENERGIES, angle)
    rows = layer_rows("layers", *words(stack), "--energy", *map(str, ENERGIES), "--angle",
                      str(angle))
    for n, row in enumerate(rows):
        layer, energy = n % len(stack), n // len(stack)
        for field, value in zip(photonxs.LayerShares._fields, row[2:]):
            expected = np.nan if value is None else value
            np.testing.assert_array_equal(getattr(got, field)[layer, energy], expected)
    assert got.interacted.shape == (len(stack), len(ENERGIES))
    np.testing.assert_allclose(got.interacted.sum(axis=0) + got.transmitted[-1], 1.0, rtol=1e-14)


def test_sixty_degrees_is_twice_the_thickness():
    stack = [("Al", 0.1), ("Pb", 0.01)]
    tilted = photonxs.layer_shares(stack, ENERGIES[:-1], 60.0)
    doubled = photonxs.layer_shares([(m, 2 * t) for m, t in stack], ENERGIES[:-1])
    for field in photonxs.LayerShares._fields:
        np.testing.assert_allclose(getattr(tilted, field), getattr(doubled, field), rtol=1e-13)


@pytest.mark.parametrize("stack", STACKS)
def test_sensor_and_equivalent_functions_are_the_command_lines_doubles(stack):
    sensor = len(stack) - 1
    layers = words(stack)
    efficiency = photonxs.sensor_efficiency(stack, ENERGIES, sensor)
    rows = cli_table("efficiency", *layers, "--sensor", str(sensor + 1), "--energy",
                     *map(str, ENERGIES))
    np.testing.assert_array_equal(efficiency.interacted, rows[:, 1])
    np.testing.assert_array_equal(efficiency.photo_absorbed, rows[:, 2])
    for by in ("interacted", "photo"):
        rows = cli_table("efficiency", *layers, "--sensor", str(sensor + 1), "--energy",
                         *map(str, ENERGIES), "--thickness-for", "0.3", "--by", by)
        thickness = photonxs.sensor_thickness(stack, ENERGIES, sensor, 0.3, by=by)
        np.testing.assert_array_equal(thickness, rows[:, 1])
        # The root put back: the sensor of that thickness takes 0.3 of the photons.
        for e, t in zip(ENERGIES, thickness):
            if not np.isnan(t):
                shares = photonxs.layer_shares(stack[:-1] + [(stack[-1][0], t) + stack[-1][2:]], e)
                taken = shares.interacted if by == "interacted" else shares.photo_absorbed
                assert taken[-1] == pytest.approx(0.3, rel=1e-12)
    rows = cli_table("equivalent", *layers, "--energy", *map(str, ENERGIES), "--reference", "Cu")
    np.testing.assert_array_equal(photonxs.equivalent_thickness(stack, ENERGIES, "Cu"), rows[:, 2])


def test_spectrum_forms_are_the_command_lines_doubles():
    energies, weights = np.loadtxt(SPECTRUM, unpack=True)
    stack = [("Al", 0.25), ("Cu", 0.01)]
    shares = photonxs.spectrum_layer_shares(energies, weights, stack)
    rows = layer_rows("layers", *words(stack), "--spectrum", SPECTRUM)
    for layer, row in enumerate(rows):
        assert [shares.interacted[layer], shares.photo_absorbed[layer], shares.deposited[layer],
                shares.transmitted[layer]] == row[1:]
    np.testing.assert_allclose(shares.passed[-1].sum() / weights.sum(), shares.transmitted[-1],
                               rtol=1e-13)
    np.testing.assert_array_equal(shares.received[1], shares.passed[0])
    bins = np.array([row[1:] for row in layer_rows("layers", *words(stack), "--spectrum",
                                                   SPECTRUM, "--bins")]).reshape(-1, 2, 6)
    for column, got in zip((2, 3, 4, 1, 5), (*shares.bins[:3], shares.received, shares.passed)):
        np.testing.assert_array_equal(bins[:, :, column].T, got)
    got = photonxs.spectrum_equivalent_thickness(energies, weights, [("Concrete_Ordinary", 15)])
    assert list(got) == cli_table("equivalent", "Concrete_Ordinary@15", "--spectrum",
                                  SPECTRUM)[0].tolist()


@pytest.mark.parametrize("reference", ["Pb", "W", "formula:H2O"])
def test_a_material_is_its_own_equivalent_at_every_energy(reference):
    energies = np.geomspace(0.001, 100, 300)
    thickness = photonxs.equivalent_thickness([(reference, 0.3, 5.0), (reference, 0.2, 5.0)],
                                              energies, reference, density=5.0)
    np.testing.assert_allclose(thickness, 0.5, rtol=1e-13)


@pytest.mark.parametrize("args, status, message", [
    (["layers", "Pb@1", "--energy", "1", "--angle", "90"], 1, "below 90 degrees"),
    (["layers", "Pb@1", "--energy", "1", "--angle", "-5"], 1, "0 or more"),
    (["efficiency", "Pb@1", "Si@1", "--sensor", "3", "--energy", "1"], 1, "give 1 to 2"),
    (["efficiency", "Pb@1", "--sensor", "0", "--energy", "1"], 1, "not a layer of the stack"),
    (["efficiency", "Pb@1", "--sensor", "1", "--energy", "1", "--thickness-for", "0.5", "--by",
      "all"], 1, "not one of interacted, photo"),
    (["efficiency", "Pb@1", "--sensor", "1", "--energy", "1", "--thickness-for", "1"], 1,
     "below 1"),
    (["equivalent", "Pb@1", "--energy", "1", "--reference", "Unobtainium"], 1, "names no"),
    (["equivalent", "Pb@1e4", "--spectrum", SPECTRUM], 1, "no air kerma"),
    (["layers", "Pb@1", "--energy", "1", "--bins"], 2, "needs --spectrum"),
    (["efficiency", "Pb@1", "--energy", "1"], 2, "--sensor"),
])
def test_bad_input_gets_a_clear_message(args, status, message):
    got, out, err = run_cli(*args)
    assert (got, out) == (status, "") and message in err, err


@pytest.mark.parametrize("call, message", [
    (lambda: photonxs.layer_shares([("Pb", 1)], 1.0, 90.0), "below 90 degrees"),
    (lambda: photonxs.sensor_efficiency([("Pb", 1)], 1.0, 1), "give 0 to 0"),
    (lambda: photonxs.sensor_efficiency([("Pb", 1)], 1.0, -1), "not a layer"),
    (lambda: photonxs.sensor_thickness([("Pb", 1)], 1.0, 0, 0.5, by="all"), "by takes"),
    (lambda: photonxs.equivalent_thickness([("Pb", 1)], 1.0, "formula:H2O"), "density="),
    (lambda: photonxs.layer_shares([], 1.0), "at least one layer"),
])
def test_bad_python_input_raises_a_clear_value_error(call, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        call()


def test_the_layer_examples_of_the_document_print_what_it_shows():
    blocks = doc_blocks("attenuation.md", title="## Layer by layer")
    assert check_doc_commands(blocks, lambda w: SPECTRUM if w.endswith("kramers-100kV.txt") else w) >= 8
