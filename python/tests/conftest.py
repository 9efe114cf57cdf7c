"""Shared set-up: the command-line program and the shipped library the module is checked against."""

import doctest
import os
import re
import shlex
import subprocess
from pathlib import Path

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
    """The rows of a CLI command's CSV output at 17 digits, as floats (NaN for a row's words and
    for an empty cell)."""
    status, out, err = run_cli("--digits", "17", "--format", "csv", *args, stdin=stdin, root=root)
    assert status in (0, 3), err
    words = ("OutOfRange", "CalculationError", "NoAbsorptionData", "NoSolution")
    return np.array([[float("nan") if field in words or not field else float(field) for field in line.split(",")]
                     for line in out.splitlines() if line.split(",")[0] in words or not line[:1].isalpha()])


def cli_rows(command, material, values, *options):
    """The CLI's rows for these inputs, given on standard input."""
    return cli_table(command, *options, material, "-",
                     stdin="\n".join("%.17E" % v for v in values))


DOCS = Path(__file__).resolve().parents[2] / "docs"


def doc_blocks(document, kind="", title=None, end="\n## "):
    """The fenced blocks of a document, or of its part from the heading `title` to `end`:
    ``` for commands, ```python for Python."""
    text = (DOCS / document).read_text(encoding="utf-8")
    if title:
        text = text.split(title + "\n", 1)[1].split(end, 1)[0]
    return re.findall(r"^```%s\n(.*?)^```" % kind, text, flags=re.MULTILINE | re.DOTALL)


def check_doc_commands(blocks, word=lambda w: w):
    """Runs each `$ photonxs-cli ...` line of the blocks (each word through `word`): it must print
    what the document shows below it, and a refusal shown must end in status 1. The count run."""
    ran = 0
    for block in blocks:
        for command in re.split(r"^\$ ", block, flags=re.MULTILINE)[1:]:
            line, _, shown = command.partition("\n")
            words = [word(w) for w in shlex.split(line)]
            if words[0] != "photonxs-cli":
                continue
            status, out, err = run_cli(*words[1:])
            assert out + err == shown, line
            refusal = shown.startswith("photonxs-cli:") and not shown.startswith("photonxs-cli: note")
            assert not refusal or status == 1, line
            ran += 1
    return ran


def check_doc_python(text, name, flags=0):
    """Runs the >>> examples of a text as doctests; every one must give what it shows."""
    runner = doctest.DocTestRunner(optionflags=flags)
    runner.run(doctest.DocTestParser().get_doctest(text, {}, name, name, 0))
    assert (runner.failures, runner.tries) == (0, text.count(">>> "))
    return runner.tries


@pytest.fixture
def library():
    return LIBRARY
