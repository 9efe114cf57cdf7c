"""Shared set-up: the command-line program and the shipped library the module is checked against."""

import os
import subprocess

import numpy as np
import pytest

CLI = os.environ.get("PHOTONXS_CLI", "photonxs-cli")
LIBRARY = os.environ.get("PHOTONXS_LIBRARY", os.path.join(os.path.dirname(__file__), "..", "..",
                                                          "library"))


def run_cli(*args, stdin="", root=LIBRARY):
    """photonxs-cli's exit status, standard output and standard error."""
    done = subprocess.run([CLI, "--root", str(root), *args], input=stdin, capture_output=True,
                          text=True, check=False)
    return done.returncode, done.stdout, done.stderr


def cli_rows(command, material, values, *options):
    """The CLI's CSV rows at 17 digits for these inputs, as floats (NaN for a row's words)."""
    stdin = "\n".join("%.17E" % v for v in values)
    status, out, err = run_cli("--digits", "17", "--format", "csv", command, *options, material,
                               "-", stdin=stdin)
    assert status in (0, 3), err
    lines = [line for line in out.splitlines() if not line.startswith("energy,")]

    def number(field):
        return float("nan") if field in ("OutOfRange", "CalculationError") else float(field)

    return np.array([[number(f) for f in line.split(",")] for line in lines])


@pytest.fixture
def library():
    return LIBRARY
