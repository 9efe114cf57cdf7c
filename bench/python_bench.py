#!/usr/bin/python3
"""The Python module's array look-up against xraylib's Python bindings, on the same energies.

    PYTHONPATH=<build>/python PHOTONXS_HOME=library bench/python_bench.py [--repetitions N]
        [--out FILE]
    <environment>/bin/python bench/python_bench.py ...      (a package installed with pip)

One million energies log-uniform over 1..800 keV (fixed seed; xraylib refuses energies above
800 keV): photonxs.mu_rho("Pb", energies), all six coefficients, against xraylib_np.CS_Total on
the whole array and against xraylib.CS_Total(82, E) called in a Python loop (timed on every 50th
energy and scaled to the million). Prints a Markdown table of medians, min and max: wall time and
processor time (all threads of this process), and the ratios with their targets.
"""

import argparse
import statistics
import sys
import time

import numpy as np
import photonxs
import xraylib
import xraylib_np

COUNT = 1_000_000
LOOP_STEP = 50


def timed(run, repetitions, scale=1.0):
    """Wall and processor seconds of each repetition, scaled."""
    walls, cpus = [], []
    for _ in range(repetitions):
        wall, cpu = time.perf_counter(), time.process_time()
        run()
        walls.append((time.perf_counter() - wall) * scale)
        cpus.append((time.process_time() - cpu) * scale)
    return walls, cpus


def loop(energies_kev):
    cs_total = xraylib.CS_Total
    return [cs_total(82, e) for e in energies_kev]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repetitions", type=int, default=7)
    parser.add_argument("--out", help="also write the table to this file")
    options = parser.parse_args()

    energies_kev = np.exp(np.random.default_rng(82).uniform(np.log(1.0), np.log(800.0), COUNT))
    energies_mev = energies_kev / 1000.0
    z = np.array([82])
    sample_kev = energies_kev[::LOOP_STEP].tolist()

    # The look-ups must answer the whole range before they are timed.
    assert not np.isnan(photonxs.mu_rho("Pb", energies_mev)["total"]).any()
    assert np.isfinite(xraylib_np.CS_Total(z, energies_kev)).all()

    # One piece of 2^15 energies at a time keeps our look-ups on one thread.
    piece = 1 << 15
    cases = {
        "photonxs.mu_rho(\"Pb\", E), six coefficients":
            timed(lambda: photonxs.mu_rho("Pb", energies_mev), options.repetitions),
        "the same, one thread (pieces of 2^15)":
            timed(lambda: [photonxs.mu_rho("Pb", energies_mev[i:i + piece])
                           for i in range(0, COUNT, piece)], options.repetitions),
        "xraylib_np.CS_Total([82], E)":
            timed(lambda: xraylib_np.CS_Total(z, energies_kev), options.repetitions),
        "xraylib.CS_Total(82, e) in a Python loop (scaled)":
            timed(lambda: loop(sample_kev), options.repetitions, LOOP_STEP),
    }

    def median(name, which):
        return statistics.median(cases[name][which])

    ours, ours_one, numpy_wrapper, python_loop = cases
    lines = [
        "| Case (%d energies, %d repetitions) | Wall median | Min | Max | Processor median |"
        % (COUNT, options.repetitions),
        "|---|---:|---:|---:|---:|",
    ]
    for name, (walls, cpus) in cases.items():
        lines.append("| %s | %.1f ms | %.1f ms | %.1f ms | %.1f ms |" % (
            name, 1e3 * statistics.median(walls), 1e3 * min(walls), 1e3 * max(walls),
            1e3 * statistics.median(cpus)))
    lines += ["", "| Ratio | Wall | Processor | Target | Holds (wall) |", "|---|---:|---:|---|:---:|"]
    for peer, target in ((numpy_wrapper, 0.5), (python_loop, 0.2)):
        wall = median(ours, 0) / median(peer, 0)
        cpu = median(ours, 1) / median(peer, 1)
        lines.append("| mu_rho / %s | %.3f | %.3f | <= %.1f | %s |" % (
            peer.split("(")[0], wall, cpu, target, "yes" if wall <= target else "no"))
    lines.append("| one thread / xraylib_np | %.3f | %.3f | - | - |" % (
        median(ours_one, 0) / median(numpy_wrapper, 0),
        median(ours_one, 1) / median(numpy_wrapper, 1)))
    # Broad-beam buildup factors at a million (E, x) pairs: an own table and an equivalent Z.
    rng = np.random.default_rng(27)
    energies = np.exp(rng.uniform(np.log(0.03), np.log(15.0), COUNT))
    mfps = rng.uniform(0.0, 40.0, COUNT)
    buildup = {
        material: timed(lambda m=material: photonxs.buildup(m, energies, mfps),
                        options.repetitions)
        for material in ("Pb", "formula:H2O")
    }
    lines += ["", "| photonxs.buildup, %d (E, x) pairs | Wall median | Min | Max | Target | Holds |"
              % COUNT, "|---|---:|---:|---:|---|:---:|"]
    for material, (walls, _) in buildup.items():
        wall = statistics.median(walls)
        lines.append("| %s | %.1f ms | %.1f ms | %.1f ms | <= 200 ms | %s |" % (
            material, 1e3 * wall, 1e3 * min(walls), 1e3 * max(walls),
            "yes" if wall <= 0.2 else "no"))
    text = "\n".join(lines) + "\n"
    sys.stdout.write(text)
    if options.out:
        with open(options.out, "w", encoding="utf-8") as out:
            out.write(text)


if __name__ == "__main__":
    main()
