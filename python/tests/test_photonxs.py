"""The module against the command-line program (an independent path to the same numbers), and
its shapes, NaN and error behaviour."""

import ast
import doctest
import importlib.resources
import inspect
import os
import re
import shutil

import numpy as np
import pytest

import photonxs
from conftest import DOCS, LIBRARY, check_doc_python, cli_rows, cli_table, run_cli

# One of each kind of data file: light and heavy elements, each material category.
MATERIALS = ["H", "C", "Pb", "U", "ele/100_Fm.ele", "Adipose_Tissue", "Water_Liquid.mix2",
             "mix/Air_Dry.mix3", "formula:CaSO4·2H2O", "mix:Pb=80,C=17.6,H=2.4"]


def sample_energies(material):
    """Tabulated energies and their neighbours, midpoints, the limits, a log-uniform sweep and a
    few energies out of range."""
    table = photonxs.Library(LIBRARY).material(material).table["energy"]
    rng = np.random.default_rng(16)
    return np.concatenate([
        table, np.nextafter(table, 0), np.nextafter(table, np.inf), np.sqrt(table[1:] * table[:-1]),
        [0.001, 100000.0, 0.000999, 100001.0],
        10 ** rng.uniform(-3, 5, 300),
    ])


@pytest.mark.parametrize("material", MATERIALS)
def test_look_ups_equal_the_command_line_bit_for_bit(material):
    mat = photonxs.Library(LIBRARY).material(material)
    energies = sample_energies(material)
    expected = cli_rows("at", material, energies)
    got = photonxs.mu_rho(mat, energies)
    for column, field in enumerate(photonxs.COEFFICIENTS, start=1):
        np.testing.assert_array_equal(got[field], expected[:, column], err_msg=field)

    totals = np.concatenate([mat.table["total"], 10 ** np.random.default_rng(8).uniform(
        np.log10(mat.table["total"].min()) - 0.1, np.log10(mat.table["total"].max()) + 0.1, 200)])
    for options in ((), ("--all",)):
        expected = cli_rows("energy", material, totals, *options)
        got = photonxs.energy_at(mat, totals, all=bool(options))
        if options:  # every root of each total in turn; the CLI marks a total with none
            got = np.concatenate(got)
            expected = expected[~np.isnan(expected[:, 0])]
        for column, field in enumerate(("energy",) + photonxs.COEFFICIENTS):
            np.testing.assert_array_equal(got[field], expected[:, column], err_msg=field)


@pytest.mark.parametrize("material", ["Pb", "U", "formula:CaSO4·2H2O"])
def test_edges_equal_the_command_line(material):
    _, out, err = run_cli("--digits", "17", "--format", "csv", "edges", material)
    expected = [line.split(",") for line in out.splitlines()[1:]]
    got = photonxs.edges(material)
    assert expected, err
    assert [[e, s] for e, s, _, _ in got.tolist()] == [row[:2] for row in expected]
    np.testing.assert_array_equal(got["energy"], [float(row[2]) for row in expected])
    np.testing.assert_array_equal(got["jump"], [float(row[3]) for row in expected])


@pytest.mark.parametrize("material", ["H", "Pb", "Adipose_Tissue", "mix:Pb=80,C=17.6,H=2.4"])
def test_material_tables_equal_the_command_line(material):
    _, out, _ = run_cli("--digits", "17", "--format", "csv", "table", material)
    expected = np.array([[float(f) for f in line.split(",")] for line in out.splitlines()[1:]])
    got = photonxs.material(material).table
    assert got.tolist() == [tuple(row) for row in expected]


def test_materials_list_every_data_file_with_its_category():
    _, listed, _ = run_cli("--no-header", "list")
    expected = [line.split("\t")[:2] for line in listed.splitlines()]
    got = photonxs.Library(LIBRARY).materials()
    assert [[m.path, m.name] for m in got] == expected
    categories = {".ele": "element", ".mix1": "human", ".mix2": "phantom", ".mix3": "other"}
    assert all(m.category == categories[os.path.splitext(m.path)[1]] for m in got)


@pytest.mark.parametrize("energies, shape", [
    (0.662, None),
    ([], (0,)),
    ([0.05, 0.662, 2.0], (3,)),
    ([[0.05, 0.662], [2.0, 1e6]], (2, 2)),
    (np.array([1, 2, 5]), (3,)),                       # integers are energies too
    (np.linspace(0.01, 10, 24).reshape(2, 3, 4)[:, ::2, 1:], (2, 2, 3)),  # a strided view
])
def test_any_shape_in_gives_the_same_shape_out(energies, shape):
    got = photonxs.mu_rho("Pb", energies)
    flat = np.asarray(energies, dtype=float).ravel()
    one_by_one = [photonxs.mu_rho("Pb", [e])["total"][0] for e in flat]
    if shape is None:
        assert isinstance(got, np.void) and got["total"] == one_by_one[0]
    else:
        assert got.shape == shape
        np.testing.assert_array_equal(got["total"].ravel(), one_by_one)


def test_large_arrays_give_what_small_pieces_give():
    # Large arrays are split over threads; every value must be the one a small call gives.
    energies = np.geomspace(0.0009, 2e5, 300_001)
    whole = photonxs.mu_rho("U", energies)
    pieces = np.concatenate([photonxs.mu_rho("U", energies[i:i + 7_000])
                             for i in range(0, energies.size, 7_000)])
    assert whole.tobytes() == pieces.tobytes()
    assert np.isnan(whole["total"][energies < 0.001]).all()


def test_every_energy_of_a_total():
    # Lead's total of 5 cm2/g is reached below and above the K edge, 1e-3 cm2/g nowhere.
    roots = photonxs.energy_at("Pb", 5.0, all=True)
    assert roots.shape == (2,) and (roots["energy"] < 0.088).tolist() == [True, False]
    assert [r.size for r in photonxs.energy_at("Pb", [5.0, 1e-3], all=True)] == [2, 0]
    with pytest.raises(ValueError, match="^1 of 2 totals are taken at no energy of the table$"):
        photonxs.energy_at("Pb", [5.0, 1e-3], all=True, errors="raise")
    with pytest.raises(ValueError, match="one total or a sequence"):
        photonxs.energy_at("Pb", [[5.0]], all=True)


@pytest.mark.parametrize("call, values, message", [
    (photonxs.mu_rho, [0.662, 1e6, np.nan, 0.0005],
     "3 of 4 energies gave no value (out of range or calculation error), the first 1000000.0 MeV"),
    (photonxs.energy_at, [0.111, 1e-9],
     "1 of 2 totals gave no value (out of range or calculation error), the first 1e-09 cm2/g"),
])
def test_out_of_range_gives_nan_or_raises(call, values, message):
    got = call("Pb", values)
    failed = got[got.dtype.names[0]][1:]
    assert not np.isnan(got["coherent"][0]) and np.isnan(failed).all()
    with pytest.raises(ValueError) as raised:
        call("Pb", values, errors="raise")
    assert str(raised.value) == message
    with pytest.raises(ValueError, match="errors takes 'nan' or 'raise', not 'ignore'"):
        call("Pb", values, errors="ignore")


def library_files(root):
    return sorted(os.path.relpath(os.path.join(folder, name), root)
                  for folder, _, names in os.walk(root) for name in names
                  if not name.startswith(".git"))


def damaged_library(tmp_path):
    root = tmp_path / "lib"
    shutil.copytree(LIBRARY, root)
    (root / "mix" / "Broken.mix3").write_text("Broken\r\n")
    shutil.copy(root / "mix" / "Air_Dry.mix3", root / "mix" / "Air_Dry.mix1")
    return root


@pytest.mark.parametrize("expr, error", [
    ("Xx", FileNotFoundError),
    ("ele/999_Xx.ele", FileNotFoundError),
    ("Broken", ValueError),
    ("Air_Dry", ValueError),  # in two categories: the path must say which
    ("", FileNotFoundError),
    ("formula:H2Q", ValueError),
    ("mix:Pb=80,Q=20", ValueError),
])
def test_bad_materials_raise_with_the_command_lines_message(tmp_path, expr, error):
    root = damaged_library(tmp_path)
    _, _, err = run_cli("at", expr, "1", root=root)
    with pytest.raises(error) as raised:
        photonxs.Library(str(root)).material(expr)
    assert (raised.type, "photonxs-cli: " + str(raised.value)) == (error, err.strip())
    if expr.startswith("formula:"):  # the parser alone says the same
        with pytest.raises(ValueError, match=re.escape(str(raised.value))):
            photonxs.parse_formula(expr[len("formula:"):])


def test_library_root_and_unreadable_files(tmp_path, monkeypatch):
    root = damaged_library(tmp_path)
    with pytest.warns(UserWarning, match="mix/Broken.mix3, line 2: the file ends before the density"):
        paths = [m.path for m in photonxs.Library(str(root)).materials()]
    assert "mix/Broken.mix3" not in paths and "mix/Air_Dry.mix1" in paths
    unlisted = photonxs.Library(str(root)).material("mix/Air_Dry.mix1")  # not in compositions.txt
    assert unlisted.composition is None
    for call in (photonxs.edges, photonxs.mu_en_rho, photonxs.zeff):
        with pytest.raises(ValueError, match="Air_Dry.mix1|not known"):
            call(unlisted, *([0.1] if call is not photonxs.edges else []))
    with pytest.raises(FileNotFoundError, match="no such folder"):
        photonxs.Library(str(tmp_path / "none"))
    monkeypatch.setenv("PHOTONXS_HOME", str(root))
    assert photonxs.material("Air_Dry.mix1").path == "mix/Air_Dry.mix1"
    monkeypatch.delenv("PHOTONXS_HOME")
    if os.environ.get("PHOTONXS_PACKAGED"):  # an installed package carries the library's files
        assert library_files(photonxs.Library().root) == library_files(LIBRARY)
    else:  # a build tree has no library of its own
        with pytest.raises(FileNotFoundError, match="set PHOTONXS_HOME"):
            photonxs.material("Pb")
    with pytest.raises(TypeError, match="not int"):
        photonxs.mu_rho(82, 0.1)


@pytest.mark.parametrize("material, energy, mu_en_rho", [
    # NIST SRD 126, the tables of water and lead
    ("Water_Liquid", 0.1, 2.546e-2), ("formula:H2O", 1.0, 3.103e-2), ("Pb", 0.1, 1.976),
])
def test_energy_absorption_against_the_published_tables(material, energy, mu_en_rho):
    assert photonxs.mu_en_rho(material, energy) == pytest.approx(mu_en_rho, rel=1e-3)


@pytest.mark.parametrize("material, density", [
    ("Pb", None), ("Water_Liquid", None), ("Air_Dry", 0.0012), ("formula:CaSO4·2H2O", 2.32),
    ("mix:Pb=80,C=17.6,H=2.4", 4.8),
])
def test_attenuation_equals_the_command_line_bit_for_bit(tmp_path, material, density):
    energies = np.concatenate([np.geomspace(0.0009, 30, 40), [0.0880045, 0.0158608, 1e6]])
    words = ["%.17E" % e for e in energies]
    given = ["--density", "%.17E" % density] if density else []
    layer = material + "@0.1" + ("@%.17E" % density if density else "")
    checks = [
        ("absorption", [material, *words], [None, None, photonxs.mu_en_rho(material, energies)]),
        ("hvl", [material, *words, *given], [None, *photonxs.hvl(material, energies,
                                                                  density=density)]),
        ("zeff", [material, *words], [None] + [photonxs.zeff(material, energies)[f]
                                               for f in ("zeff", "neff")]),
        ("attenuate", [layer, "Al@0.2", "--energy", *words], [None, None, photonxs.transmission(
            [(material, 0.1, density) if density else (material, 0.1), ("Al", 0.2)], energies)]),
    ]
    spectrum = tmp_path / "spectrum.txt"
    bins = np.linspace(0.01, 0.149, 30)
    weights = (0.150 - bins) / bins
    spectrum.write_text("".join("%.17E %.17E\n" % bin for bin in zip(bins, weights)))
    checks.append(("hvl", ["--spectrum", str(spectrum), material, *given],
                   [[v] for v in photonxs.spectrum_hvl(bins, weights, material, density=density)]))
    for command, args, columns in checks:
        expected = cli_table(command, *args)
        for column, got in enumerate(columns):
            if got is not None:
                np.testing.assert_array_equal(got, expected[:, column], err_msg=command)


@pytest.mark.parametrize("call, error, message", [
    (lambda: photonxs.mu_en_rho("U", [1, 25.0], errors="raise"), ValueError,
     "1 of 2 energies gave no value, the first: no energy-absorption data at 25 MeV"),
    (lambda: photonxs.hvl("formula:H2O", 1), ValueError, "density of 'H2O' is not known"),
    (lambda: photonxs.transmission(["Pb"], 1), TypeError, "a layer is (material, thickness"),
    (lambda: photonxs.transmission([("Pb", -1)], 1), ValueError, "thickness must be a number"),
    (lambda: photonxs.spectrum_hvl([0.1, -1], [1, 1]), ValueError, "bin 2 of the spectrum: "),
    (lambda: photonxs.spectrum_hvl([0.1, 0.2], [1]), ValueError, "two sequences of one length"),
])
def test_attenuation_errors(call, error, message):
    with pytest.raises(error, match=re.escape(message)):
        call()


def test_the_documents_examples_run_as_written(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)  # the example saves its picture in the current folder
    text = re.sub(r"^```.*$", "", (DOCS / "python.md").read_text(encoding="utf-8"),
                  flags=re.MULTILINE)  # fences end examples
    check_doc_python(text, "docs/python.md", doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE)


def test_type_stubs_declare_the_public_names_with_their_parameters_and_fields():
    package = importlib.resources.files("photonxs")
    assert (package / "py.typed").is_file()
    stubs, declared = {}, set()
    for node in ast.parse((package / "__init__.pyi").read_text("utf-8")).body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            stubs[node.name] = node
        elif isinstance(node, ast.AnnAssign):
            declared.add(node.target.id)
        elif isinstance(node, ast.ImportFrom):
            declared |= {alias.asname or alias.name for alias in node.names}
    assert set(photonxs.__all__) <= declared | set(stubs)
    for name, runtime in ((n, getattr(photonxs, n)) for n in photonxs.__all__):
        if inspect.isfunction(runtime):
            arguments = stubs[name].args
            assert [a.arg for a in arguments.args + arguments.kwonlyargs] == list(
                inspect.signature(runtime).parameters), name
        elif hasattr(runtime, "_fields"):
            assert tuple(n.target.id for n in stubs[name].body
                         if isinstance(n, ast.AnnAssign)) == runtime._fields, name
