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


def cli_table(*args, stdin="", root=LIBRARY):
    """The rows of a CLI command's CSV output at 17 digits, as floats (NaN for a row's words)."""
    status, out, err = run_cli("--digits", "17", "--format", "csv", *args, stdin=stdin, root=root)
    assert status in (0, 3), err
    words = ("OutOfRange", "CalculationError", "NoAbsorptionData", "NoSolution")
    return np.array([[float("nan") if field in words else float(field) for field in line.split(",")]
                     for line in out.splitlines() if line.split(",")[0] in words or not line[:1].isalpha()])


def cli_rows(command, material, values, *options):
    """The CLI's rows for these inputs, given on standard input."""
    return cli_table(command, *options, material, "-",
                     stdin="\n".join("%.17E" % v for v in values))


@pytest.fixture
def library():
    return LIBRARY
