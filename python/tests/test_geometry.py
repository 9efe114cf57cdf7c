"""Shielding models: the module against the command line, refusals, maps and the documents'
examples."""

import json
import math

import numpy as np
import pytest

import photonxs
from conftest import DOCS, check_doc_commands, check_doc_python, doc_blocks, run_cli

TANK = DOCS / "examples" / "tank-steel-wall.json"

SMALL_MAP = {
    "source": {"shape": "sphere", "center": [0, 0, 0], "radius": 10, "material": "Water_Liquid",
               "lines": [[1.25, 1e9]]},
    "shields": [{"shape": "slab", "axis": "x", "from": 10, "to": "12 cm", "material": "Pb"}],
    "map": {"plane": "z", "at": 0, "from": [0, 0], "to": [30, 20], "steps": [4, 3]},
    "accuracy": 1e-2,
}


def model_rows(*args):
    """The CLI's CSV rows at 17 digits as floats, a total row's energy and blank cells NaN."""
    status, out, err = run_cli("--digits", "17", "--format", "csv", "model", *args)
    assert status == 0, err
    return np.array([[float(f) if f not in ("", "total") else math.nan for f in line.split(",")]
                     for line in out.splitlines()[1:]])


def test_module_gives_the_command_lines_doubles():
    rows = model_rows(str(TANK))  # per detector: its lines, then its total
    result = photonxs.model_dose(TANK)
    lines = len(result.energies)
    assert result.detectors.tolist() == [[600, 0, 533.4], [600, 0, 1200]]
    for d in range(2):
        block = rows[d * (lines + 1):(d + 1) * (lines + 1)]
        assert block[:-1, 4].tolist() == result.energies.tolist()
        assert block[:-1, 8].tolist() == result.rate[d].tolist()
        assert block[:-1, 6].tolist() == result.uncollided[d].tolist()
        assert block[-1, 8] == result.total[d] and block[-1, 9] == result.error[d]
        assert result.error[d] <= 1e-3
    as_dict = photonxs.model_dose(json.loads(TANK.read_text(encoding="utf-8")), accuracy=1e-2)
    assert as_dict.error.max() <= 1e-2 and abs(as_dict.total[0] / result.total[0] - 1) < 1e-2


def test_map_points_inside_the_source_have_no_value(tmp_path):
    result = photonxs.model_dose(SMALL_MAP)
    assert result.detectors.shape == (12, 3) and result.rate.shape == (12, 1)
    assert math.isnan(result.total[0]) and np.isnan(result.buildup[0]).all()
    assert (result.total[1:] > 0).all()
    picture = tmp_path / "map.png"
    model = tmp_path / "map.json"
    model.write_text(json.dumps(SMALL_MAP), encoding="utf-8")
    status, out, err = run_cli("--format", "csv", "model", str(model), "--png", str(picture))
    assert status == 0, err
    assert out.splitlines()[1] == "1,0.000E+00,0.000E+00,0.000E+00,total,,,,,"
    assert "1 map points lie inside or on the source" in err
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


@pytest.mark.parametrize("change, message", [
    (lambda m: m["source"].update(radious=3), 'the source has no key "radious"; did you mean "radius"?'),
    (lambda m: m["shields"][0].update({"from": 5}), "the source (sphere) and shield 1 (slab) overlap"),
    (lambda m: m["source"].update(lines=[[1.25, -1]]), "photons/s of 0 or more"),
    (lambda m: m.update(accuracy=0.5), "the accuracy is not between 1e-9 and 0.1"),
])
def test_bad_models_are_refused_alike(tmp_path, change, message):
    model = json.loads(json.dumps(SMALL_MAP))
    change(model)
    picture = tmp_path / "map.png"
    status, out, err = run_cli("model", "-", "--png", str(picture), stdin=json.dumps(model))
    assert (status, out) == (1, "") and message in err
    assert not picture.exists()
    with pytest.raises(ValueError, match=message.replace("(", r"\(").replace(")", r"\)")):
        photonxs.model_dose(model)


def test_the_documents_examples_run_as_written():
    root = DOCS.parent
    assert check_doc_commands(doc_blocks("geometry.md"),
                              lambda w: str(root / w) if w.startswith("docs/") else w) >= 3
    check_doc_python("".join(doc_blocks("geometry.md", "python")), "geometry.md")
