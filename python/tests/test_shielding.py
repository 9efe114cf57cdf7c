"""Buildup factors, dose rates and nuclides from Python: the command line's doubles, the errors,
and the shielding document's examples run as written."""

import re

import numpy as np
import pytest

import photonxs
from conftest import check_doc_commands, check_doc_python, doc_blocks, run_cli



def field_value(field):
    """A CSV field as a float, None when empty, else its text (total, a nuclide's name)."""
    try:
        return float(field) if field else None
    except ValueError:
        return field


def cli_numbers(*args):
    """The CSV rows of a command at 17 digits."""
    status, out, err = run_cli("--digits", "17", "--format", "csv", *args)
    assert status == 0, err
    return [[field_value(field) for field in line.split(",")] for line in out.splitlines()[1:]]


@pytest.mark.parametrize("material, kind, table", [
    ("Pb", "exposure", None),
    ("formula:H2O", "exposure", None),
    ("Concrete_Ordinary", "absorption", None),
    ("Water_Liquid", "exposure", "iron"),
])
def test_buildup_gives_the_command_lines_doubles(material, kind, table):
    energies = [0.05, 0.088, 0.5, 0.662, 3.0]
    mfps = [0.5, 7.0, 39.0, 65.0]
    args = ["buildup", material, *map(str, energies), "--mfp", ",".join(map(str, mfps)),
            "--kind", kind] + (["--table", table] if table else [])
    expected = np.array([row[2] for row in cli_numbers(*args)]).reshape(len(energies), len(mfps))
    got = photonxs.buildup(material, np.array(energies)[:, None], np.array(mfps), kind, table)
    assert got.shape == (len(energies), len(mfps))
    np.testing.assert_array_equal(got, expected)
    assert photonxs.buildup(material, 0.662, 7.0, kind, table) == expected[3, 1]


@pytest.mark.parametrize("source, layers, options", [
    ("Co-60", [("Pb", 5), ("Concrete_Ordinary", 30)], {}),
    ("Cs-137", [("Water_Liquid", 20), ("Pb", 1)], {"rule": "last", "cutoff": 0.02}),
    ("Ir-192", [("Fe", 3)], {"kind": "absorption"}),
    ("lines:0.662=0.851,1.25=1", [("formula:CaCO3", 10, 2.7)], {"kind": "none"}),
    ("Am-241", [("Al", 0.2)], {"table": "concrete"}),
])
def test_dose_rate_gives_the_command_lines_doubles(source, layers, options):
    words = ["%s@%s" % (layer[0], "@".join(map(str, layer[1:]))) for layer in layers]
    args = ["dose", source, *words, "--activity", "37 GBq", "--distance", "150 cm"]
    for name, value in options.items():
        args += ["--" + name, str(value)]
    rows = cli_numbers(*args)
    result = photonxs.dose_rate(source, 37e9, 150.0, layers, **options)
    assert rows[-1][0] == "total"
    assert result.total == rows[-1][4]
    lines = np.array(rows[:-1], dtype=float)
    for column, field in enumerate(("energy", "intensity", "uncollided", "buildup", "rate")):
        np.testing.assert_array_equal(getattr(result, field), lines[:, column])
    assert len(result.notes) == len(result.energy)


def test_kerma_constants_and_nuclides():
    assert photonxs.kerma_constant("Co-60") == cli_numbers("kerma-constant", "Co-60")[0][2]
    assert photonxs.kerma_constant("cs137", cutoff=0.1) == \
        cli_numbers("kerma-constant", "Cs-137", "--cutoff", "0.1")[0][2]
    cesium = photonxs.nuclide("Cesium-137")
    assert (cesium.name, cesium.element, cesium.half_life) == ("Cs-137", "Cesium", "30.08 y")
    assert cesium.emitter[-1] == "Ba-137m" and cesium.kind[-1] == "gamma"
    assert cesium.intensity[-1] == pytest.approx(0.8513, abs=1e-4)
    assert len(photonxs.nuclides()) == 53 and "Tc-99m" in photonxs.nuclides()


@pytest.mark.parametrize("call, message", [
    (lambda: photonxs.dose_rate("Cs-173", 1e9, 100), "did you mean Cs-137?"),
    (lambda: photonxs.dose_rate("Co-60", 1e9, 0), "distance must be a number of cm above 0"),
    (lambda: photonxs.dose_rate("Co-60", 1e9, 100, kind="broad"), "kind takes"),
    (lambda: photonxs.dose_rate("Co-60", 1e9, 100, [("Pb", 1)], rule="first"), "rule takes"),
    (lambda: photonxs.dose_rate("Co-60", 1e9, 100, [("Pb", 1)], table="wood"),
     "no buildup table is named 'wood'"),
    (lambda: photonxs.dose_rate([(0.662, -1)], 1e9, 100), "photons per decay"),
    (lambda: photonxs.buildup("Pb", [1.0, 0.02], 120, errors="raise"),
     "2 of 2 pairs gave no value, the first 1.0 MeV at 120.0 mfp: the penetration is beyond 100"),
    (lambda: photonxs.buildup("Pb", 1.0, 1.0, "dose"), "kind takes"),
    (lambda: photonxs.nuclide("Kobalt-60"), "did you mean Co-60"),
    (lambda: photonxs.dose_rate({"Co-60": 1e9}, 1e9, 100), "carries its own activities"),
    (lambda: photonxs.dose_rate([("Co-60", -1)], None, 100), "from 0 up"),
    (lambda: photonxs.dose_rate("lines:0.662=1", 1e9, 100, decay_s=10), "nuclides of the library"),
    (lambda: photonxs.dose_rate("Co-60", 1e9, 100, quantity="sievert"), "quantity takes"),
    (lambda: photonxs.decay({"Co-60": 1e9}, -1), "time_s must be"),
])
def test_bad_input_raises_a_clear_value_error(call, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        call()


def test_out_of_range_pairs_are_nan_by_default():
    values = photonxs.buildup("Pb", [0.02, 1.0, 1.0, 20.0], [1.0, 1.0, 101.0, 1.0])
    assert np.isnan(values).tolist() == [True, False, True, True]


def test_the_documents_examples_run_as_written():
    assert check_doc_commands(doc_blocks("shielding.md")) >= 10
    check_doc_python("".join(doc_blocks("shielding.md", "python")), "shielding.md")


@pytest.mark.parametrize("args, status, message", [
    (["dose", "Co-60", "--activity", "1", "--distance", "1m"], 1, "needs a unit"),
    (["dose", "Kobalt-60", "--activity", "1GBq", "--distance", "1m"], 1, "did you mean Co-60?"),
    (["dose", "Co-60", "Pb@-1", "--activity", "1GBq", "--distance", "1m"], 1, "thickness"),
    (["dose", "Co-60", "Pb", "--activity", "1GBq", "--distance", "1m"], 2, "is not a LAYER"),
    (["dose", "Co-60", "formula:H2O@1", "--activity", "1GBq", "--distance", "1m"], 1,
     "density of formula:H2O is not known"),
    (["dose", "Co-60", "--activity", "1GBq"], 2, "--distance"),
    (["dose", "Co-60", "--activity", "1GBq", "--distance", "1m", "--thickness-for", "1"], 2,
     "at least one LAYER"),
    (["dose", "Co-60", "Pb@1", "--activity", "1GBq", "--distance", "1m", "--rule", "first"], 1,
     "broder, last"),
    (["buildup", "Pb", "1", "--mfp", "-2"], 1, "0 or more"),
    (["buildup", "Pb", "1", "--mfp", "1,"], 1, "--mfp '' is not a number of mean free paths"),
    (["buildup", "Pb", "1", "--mfp", "120"], 3, "no value: the penetration is beyond 100 mfp"),
    (["buildup", "Pb", "0.02", "1", "--mfp", "1,150"], 3, "3 of 4 rows gave no value: 2 because "
     "the energy is outside the lead buildup table (3.000E-02 MeV to 1.500E+01 MeV), 1 because"),
    (["buildup", "Pb", "1"], 2, "--mfp"),
    (["buildup", "Pb", "1", "--mfp", "1", "--kind", "none"], 1, "exposure, absorption"),
    (["nuclides", "Cs-173"], 1, "did you mean Cs-137?"),
    (["dose", "Co-60=1GBq", "--activity", "1GBq", "--distance", "1m"], 2, "leave out --activity"),
    (["dose", "Co-60", "--activity", "1GBq", "--distance", "1m", "--kind", "absorption",
      "--quantity", "h10"], 1, "read from air kerma"),
    (["dose", "lines:0.662=1", "--activity", "1GBq", "--distance", "1m", "--fresh"], 1,
     "need nuclides of the library"),
    (["dose", "Co-60", "--activity", "1GBq", "--distance", "1m", "--rate-unit", "uSv"], 1,
     "none of uGy/h"),
    (["dose", "Co-60", "Pb@1", "--activity", "1GBq", "--distance", "1m", "--thickness-for",
      "1uSv/h", "--stay", "1h"], 2, "leave out --stay"),
    (["dose", "Co-60", "--activity", "1GBq", "--distance", "1m", "--conversion", "/dev/null"], 1,
     "for --quantity h10"),
    (["dose", "Co-60", "Pb@1", "--activity", "1GBq", "--distance", "1m", "--thickness-for", "2",
      "--quantity", "h10"], 1, "has no unit, which means uGy/h of air kerma"),
    (["nuclides", "Co-60", "--fresh"], 2, "go with one NAME and a decay time"),
])
def test_the_command_line_refuses_bad_input(args, status, message):
    got, out, err = run_cli(*args)
    assert got == status and message in err, (got, err)
    if status == 3:
        assert "OutOfRange" in out


def test_inventories_decay_alike_in_python_and_on_the_command_line():
    rows = cli_numbers("dose", "Mo-99=1GBq,Cs-137=10mCi", "Pb@1", "--distance", "1m", "--decay",
                       "23h", "--fresh", "--quantity", "h10")
    result = photonxs.dose_rate({"Mo-99": 1e9, "Cs-137": 3.7e8}, None, 100, [("Pb", 1)],
                                quantity="h10", decay_s=23 * 3600, fresh=True)
    lines = [row for row in rows if row[1] != "total"]
    assert [row[0] for row in lines] == list(result.nuclide)
    np.testing.assert_array_equal([row[5] for row in lines], result.rate)
    assert rows[-1][:2] == ["all", "total"] and rows[-1][5] == result.total


def test_a_users_conversion_file(tmp_path):
    # Coefficients of 1 Sv/Gy everywhere: H*(10) then equals the air kerma, line by line.
    ones = tmp_path / "ones.csv"
    ones.write_text("energy_MeV,Sv_per_Gy\n0.01,1\n10,1\n")
    kerma = photonxs.dose_rate("Co-60", 1e9, 100, [("Pb", 2)], cutoff=0.02)
    h10 = photonxs.dose_rate("Co-60", 1e9, 100, [("Pb", 2)], cutoff=0.02, quantity="h10",
                             conversion=ones)
    np.testing.assert_allclose(h10.rate, kerma.rate, rtol=1e-15)
    short = tmp_path / "short.csv"
    short.write_text("0.01,1\n1,1\n")
    with pytest.raises(ValueError, match="outside the conversion file's energies"):
        photonxs.dose_rate("Co-60", 1e9, 100, quantity="h10", conversion=short, cutoff=0.02)
    status, _, err = run_cli("kerma-constant", "Co-60", "--quantity", "h10", "--conversion",
                             str(short))
    assert status == 1 and "outside the conversion file's energies" in err


def test_an_inventory_file_gives_what_its_list_gives(tmp_path):
    drum = tmp_path / "drum=7.csv"
    drum.write_text("# drum 7\nnuclide,activity\nCo-60,1 GBq\ncs137,10mCi\n")
    assert cli_numbers("dose", str(drum), "--distance", "1m", "--decay", "2y") == \
        cli_numbers("dose", "Co-60=1GBq,Cs-137=10mCi", "--distance", "1m", "--decay", "2y")
