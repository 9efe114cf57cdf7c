"""PhotonXS from Python: photon mass coefficients of elements and materials over numpy arrays.

Energies are in MeV, coefficients in cm2/g, densities in g/cm3. Every look-up gives the very
doubles ``photonxs-cli --digits 17`` prints, for a whole array at once:

>>> import numpy as np, photonxs
>>> photonxs.mu_rho("Pb", np.array([0.1, 0.662]))["total"]

A material is named as on the command line: a data file (``"ele/082_Pb.ele"``,
``"Water_Liquid.mix2"``), an element symbol (``"Pb"``), a material file name without its
extension (``"Water_Liquid"``), a compound by its formula (``"formula:CaSO4·2H2O"``) or a mixture
by weight of formulas and materials (``"mix:Pb=80,C=17.6,H=2.4"``); or it is a
:class:`Material` already loaded. Texts are looked up
in the default working folder (``$PHOTONXS_HOME``, else the library the package carries); use
:class:`Library` for another.
"""

import collections as _collections
import json as _json
import importlib.resources as _resources
import os as _os

import numpy as _np

from ._core import DataFile, Library, Material
from . import _core
from ._layers import (EquivalentThickness, LayerShares, SensorEfficiency, SpectrumShares,
                      equivalent_thickness, layer_shares, sensor_efficiency, sensor_thickness,
                      spectrum_equivalent_thickness, spectrum_layer_shares)


def _shipped_library():
    """The library inside the package (pip's install), else the one ``cmake --install`` put beside
    the program (``share/photonxs``, named relative to this folder by ``_installed``), else
    None (a build tree)."""
    inside = _resources.files(__name__) / "library"
    if inside.is_dir():
        return str(inside)
    try:
        from ._installed import LIBRARY  # pylint: disable=import-outside-toplevel
    except ImportError:
        return None
    return _os.path.normpath(_os.path.join(_os.path.dirname(__file__), LIBRARY))


_SHIPPED = _shipped_library()
if _SHIPPED is not None:
    _core._set_shipped_library(_SHIPPED)

for _public in (DataFile, Library, Material):
    _public.__module__ = __name__  # shown as photonxs.Material, where users find it

__all__ = ["Library", "Material", "DataFile", "material", "parse_formula", "mu_rho", "energy_at",
           "edges", "mu_en_rho", "hvl", "NarrowBeam", "transmission", "spectrum_hvl",
           "HalfValueLayers", "zeff", "buildup", "DoseRate", "dose_rate", "kerma_constant",
           "decay", "h10_per_kerma",
           "Nuclide", "nuclide", "nuclides", "COEFFICIENTS", "LayerShares", "layer_shares",
           "SpectrumShares", "spectrum_layer_shares", "SensorEfficiency", "sensor_efficiency",
           "sensor_thickness", "equivalent_thickness", "EquivalentThickness",
           "spectrum_equivalent_thickness", "ModelDose", "model_dose"]

#: The six coefficients, in the order of every table and result (the command line's CSV keys).
COEFFICIENTS = ("coherent", "incoherent", "photo_electric", "pair_nuclear", "pair_electron",
                "total")


def material(expr):
    """Load the material ``expr`` names from the default working folder.

    ``expr`` is a data file path or name, an element symbol, a material file name without its
    extension, ``"formula:FORMULA"`` or ``"mix:PART=WEIGHT,..."``. An expression is built as the
    compound and mixture builders build it, so its table equals that of the file they would
    write. Raises FileNotFoundError when no data file matches, ValueError when the file is
    damaged, the name matches more than one file or the expression cannot be built.
    """
    return _core._material(expr)


def parse_formula(text):
    """The atoms of each element in one unit of a chemical formula, in order of appearance.

    Symbols with optional counts (``"C2H4"``, ``"C0.5H"``), groups in ( ) or [ ] with a count,
    and parts joined by ``·``, ``*`` or ``.`` with a leading count (``"CuSO4·5H2O"``). Raises
    ValueError naming the character where the text stops being a formula.

    >>> parse_formula("Ca(OH)2")
    {'Ca': 1.0, 'O': 2.0, 'H': 2.0}
    """
    return _core._parse_formula(text)


def mu_rho(material, energies, unit="cm2/g", *, density=None, without_coherent=False,
           errors="nan"):
    """The six mass coefficients (cm2/g) of ``material`` at each energy (MeV).

    ``energies`` is a number or anything numpy turns into an array of floats; the result is a
    structured array of the same shape with the fields of :data:`COEFFICIENTS`, so
    ``mu_rho("Pb", e)["total"]`` is the total at every energy of ``e`` (for a single number, one
    record). Each value is log-log interpolated in its own column between the tabulated rows.

    ``unit`` gives every field in another unit, as the command line's ``--unit``:
    ``"barn/atom"`` (an element, or a ``formula:`` per formula unit: mu/rho * A / N_A * 1E24;
    ValueError for a mixture by weight), ``"1/cm"`` (times the material's density, or
    ``density``), or a length (``"nm"``, ``"um"``, ``"mm"``, ``"cm"``, ``"m"``) for the
    attenuation length 1/mu of each field (inf where a process has no cross-section).
    ``without_coherent=True`` adds the field ``total_without_coherent``: the four other
    coefficients added, in the same unit.

    An energy outside 0.001..100000 MeV or above the table's last energy, or NaN, gives NaN in
    all fields; with ``errors="raise"`` it raises ValueError instead, naming how many and
    the first. An unknown unit raises ValueError listing the known ones.
    """
    if unit == "cm2/g" and density is None and not without_coherent:
        return _core._mu_rho(material, energies, errors)
    records, without = _core._mu_rho_in(material, energies, unit, density, errors)
    if without_coherent:
        joined = _np.empty(records.shape, dtype=records.dtype.descr
                           + [("total_without_coherent", "f8")])
        for field in COEFFICIENTS:
            joined[field] = records[field]
        joined["total_without_coherent"] = without
        records = joined
    return records[()] if records.ndim == 0 else records


def energy_at(material, mu, *, all=False, errors="nan"):  # pylint: disable=redefined-builtin
    """The energy (MeV) at which the total of ``material`` takes each value ``mu`` (cm2/g).

    The result has ``mu``'s shape and the fields ``energy`` and :data:`COEFFICIENTS`: the
    lowest such energy and the coefficients there (``total`` is ``mu`` itself). A total outside
    the table's totals gives NaN in every field but ``total``; with ``errors="raise"`` it raises
    ValueError.

    With ``all=True``, every energy at which the total takes the value, ascending (near an
    absorption edge a total is often reached two or three times): for one number an array of
    such rows, possibly empty; for a sequence a list of them. ``errors="raise"`` then raises
    ValueError when a total is reached at no energy of the table.
    """
    if all:
        return _core._all_energies_at(material, mu, errors)
    return _core._energy_at(material, mu, errors)


def edges(material):
    """The absorption edges of the elements of ``material``, with the jump of its total there.

    A structured array with the fields ``element`` (symbol), ``shell`` ("K", "L1", ...),
    ``energy`` (MeV, the tabulated energy just above the edge) and ``jump`` (the material's total
    just above over just below; NaN when its table has no step at that energy), in the order of
    the material's elements. Raises ValueError when the material's elements are not known (a
    library material file that does not list them).
    """
    return _np.array(_core._edges(material), dtype=[("element", "U3"), ("shell", "U8"),
                                                    ("energy", "f8"), ("jump", "f8")])


def mu_en_rho(material, energies, *, errors="nan"):
    """The mass energy-absorption coefficient mu_en/rho (cm2/g) of ``material`` at each energy.

    An array of the energies' shape (a float for a number): the weight-fraction sum of its
    elements' values, each log-log interpolated in the element's table (NIST SRD 126, 1 keV to
    20 MeV, H to U). The material's elements must be known: an element, a formula: or mix:
    expression, or a library material whose composition the working folder records. Energies
    without a value give NaN, or ValueError with ``errors="raise"``.
    """
    return _core._mu_en_rho(material, energies, errors)


NarrowBeam = _collections.namedtuple("NarrowBeam", "mu hvl tvl mfp")
NarrowBeam.__doc__ = """Linear attenuation (1/cm), half- and tenth-value layers and mean free path
(cm) of a narrow beam."""


def hvl(material, energies, *, density=None, errors="nan"):
    """Linear attenuation and the layers that attenuate a narrow beam, at each energy.

    A :class:`NarrowBeam` of four arrays of the energies' shape (floats for a number): ``mu``
    (1/cm), ``hvl`` and ``tvl`` (the thicknesses, cm, that let through a half and a tenth) and
    ``mfp`` (mean free path, cm), from the total mu/rho and the density (g/cm3): the material's
    own unless ``density`` is given, which an expression needs. Energies out of range give NaN,
    or ValueError with ``errors="raise"``.
    """
    rows = _core._hvl(material, energies, density, errors)
    return NarrowBeam(*(rows[field] for field in NarrowBeam._fields))


def transmission(layers, energies, *, errors="nan"):
    """The share of a narrow beam that gets through a stack of layers, at each energy.

    ``layers`` is a sequence of ``(material, thickness)`` or ``(material, thickness,
    density)``: a thickness in cm, or a text with its unit, a length (``"5 mm"``, ``"250 um"``)
    or a mass per area divided by the layer's density (``"2 g/cm2"``, ``"450 mg/cm2"``). The
    result, of the energies' shape, is exp(-sum of mu/rho * density * thickness).
    An energy out of range of any layer's table gives NaN, or ValueError with
    ``errors="raise"``.
    """
    return _core._transmission(layers, energies, errors)


HalfValueLayers = _collections.namedtuple("HalfValueLayers", "first second homogeneity")
HalfValueLayers.__doc__ = """First and second half-value layers (cm) of a spectrum, and their ratio."""


def spectrum_hvl(energies, weights, material="Al", *, density=None):
    """The first and second half-value layers of a spectrum by air kerma, in cm of ``material``.

    ``energies`` (MeV) and ``weights`` (photons in each bin) describe the spectrum; the air kerma
    is the sum of weight * energy * mu_en/rho of dry air. The first layer halves the air kerma,
    the second takes it from a half to a quarter; ``homogeneity`` is first / second. Returns a
    :class:`HalfValueLayers`. Raises ValueError naming the bin when the spectrum is not usable.
    """
    return HalfValueLayers(*_core._spectrum_hvl(energies, weights, material, density))


def zeff(material, energies, *, errors="nan"):
    """The effective atomic number and electron density of ``material`` at each energy.

    A structured array of the energies' shape with the fields ``zeff`` and ``neff``
    (electrons/g), by the direct method on the elements' total mu/rho. The material's elements
    must be known, as for :func:`mu_en_rho`.
    """
    return _core._zeff(material, energies, errors)


def buildup(material, energy, mfp, kind="exposure", table=None, *, errors="nan"):
    """Broad-beam buildup factors of ``material`` by the G-P fits (ANSI/ANS-6.4.3).

    ``energy`` (MeV) and ``mfp`` (penetrations in mean free paths, 1/mu without coherent
    scattering) broadcast against each other as numpy arrays do; the result has their shape (a
    float for two numbers). ``kind`` is ``"exposure"`` (air kerma) or ``"absorption"`` (energy
    absorbed in the material). The 23 tabulated elements, liquid water and dry air use their own
    tables; any other material its equivalent atomic number; ``table`` names one table instead
    (``"concrete"``, ``"iron"``, ``"Pb"``). Beyond 40 mfp the value is extrapolated. Pairs
    outside the table's energies or beyond 100 mfp give NaN, or ValueError with
    ``errors="raise"``.
    """
    energies, penetrations = _np.broadcast_arrays(_np.asarray(energy, dtype=float),
                                                  _np.asarray(mfp, dtype=float))
    values = _core._buildup(material, _np.ascontiguousarray(energies).ravel(),
                            _np.ascontiguousarray(penetrations).ravel(), kind, table, errors)
    values = values.reshape(energies.shape)
    return float(values) if values.ndim == 0 else values


DoseRate = _collections.namedtuple(
    "DoseRate", "total energy intensity mfp uncollided buildup rate notes nuclide dose")
DoseRate.__doc__ = """The rate of a point source behind layers in the quantity's unit (uGy/h of
air kerma, mR/h of exposure, uSv/h of H*(10)): ``total``, and for each photon line above the
cut-off its ``energy`` (MeV), ``intensity`` (photons per decay of its nuclide's activity as
given), ``mfp`` (penetration), ``uncollided`` rate, ``buildup`` factor and ``rate``; ``notes``
says for each line "extrapolated", "no buildup data" (B = 1 below a layer's table), "beyond 100
mfp" (counted as 0) or nothing; ``nuclide`` names the nuclide of the source each line comes
from; ``dose`` is the dose over the stay (uGy, mR or uSv), 0 without one."""


def dose_rate(source, activity_bq, distance_cm, layers=(), kind="exposure", rule="broder",
              table=None, cutoff=0.0, quantity="kerma", decay_s=0.0, stay_s=0.0, fresh=False,
              conversion=None):
    """The rate of an isotropic point source at ``distance_cm`` behind ``layers``.

    ``source`` is a nuclide of the library (``"Co-60"``, ``"cs137"``), ``"lines:E=Y,..."``, a
    spectrum file of energies and photons per decay, a sequence of (energy MeV, photons per
    decay) pairs, or an inventory: ``{"Co-60": 1e9, "Cs-137": 3.7e8}`` or a sequence of
    (nuclide, Bq) pairs, with ``activity_bq`` None. ``layers`` as :func:`transmission` takes
    them. For each line A y E (mu_en/rho) exp(-x) B / (4 pi r^2). ``kind``: ``"exposure"`` (air
    kerma, exposure buildup), ``"absorption"`` (kerma in the last layer's material,
    energy-absorption buildup) or ``"none"`` (uncollided). ``rule``: ``"broder"`` or ``"last"``
    for several layers; ``table`` one named buildup table for all. Lines at or below ``cutoff``
    MeV are left out. ``quantity``: ``"kerma"`` (uGy/h), ``"exposure"`` (mR/h) or ``"h10"``
    (uSv/h, ICRU 47, or the coefficients per air kerma of the CSV file ``conversion``). Nuclides
    decay for ``decay_s`` seconds, daughters growing in, from their line tables' equilibrium or,
    with ``fresh``, alone; ``stay_s`` gives the dose over a stay that starts then. Returns a
    :class:`DoseRate`; raises ValueError for bad input or a line without a value.
    """
    return DoseRate(*_core._dose_rate(
        source, None if activity_bq is None else float(activity_bq), float(distance_cm), layers,
        kind, rule, table, float(cutoff), quantity, float(decay_s), float(stay_s), bool(fresh),
        None if conversion is None else _os.fspath(conversion)))


ModelDose = _collections.namedtuple(
    "ModelDose", "detectors total error energies uncollided buildup rate")
ModelDose.__doc__ = """The air-kerma rates of a shielding model, uGy/h: ``detectors`` (n, 3) in cm,
the listed ones then the map's points; ``total`` (n,) and its relative ``error`` as the
quadrature estimates it; the source's line ``energies`` (MeV); and per detector and line
(n, lines) the ``uncollided`` rate, the ``buildup`` (rate over uncollided) and the ``rate``.
Map points inside or on the source hold NaN."""


def model_dose(model, accuracy=None):
    """The dose rates of a shielding model: a dict laid out as a model file, or a model file's path.

    The model is the JSON object that ``photonxs-cli model`` reads (docs/geometry.md): a source
    with a shape and a material, shields, a filler, detectors and a map. ``accuracy`` overrides
    the model's own (relative, of each detector's total). The doubles are the command line's.
    Returns a :class:`ModelDose`; raises ValueError for a model that cannot be computed.
    """
    if isinstance(model, dict):
        text = _json.dumps(model)
    else:
        with open(model, encoding="utf-8") as handle:
            text = handle.read()
    return ModelDose(*_core._model_dose(text, None if accuracy is None else float(accuracy)))


def decay(inventory, time_s, fresh=False):
    """The activity (Bq) of every member of an inventory's chains ``time_s`` seconds later, by
    name in the chains' order. ``inventory`` is ``{nuclide: Bq}`` or a sequence of (nuclide, Bq)
    pairs; each nuclide starts with the members its line table holds in equilibrium, or alone
    with ``fresh``."""
    return _core._decay(inventory, float(time_s), bool(fresh))


def h10_per_kerma(energy):
    """H*(10) per air kerma, Sv/Gy, of the ICRU 47 function at ``energy`` MeV (a number or an
    array); 0 at and below 9.85 keV, and up to a quarter too high below 20 keV."""
    values = _core._h10_per_kerma(_np.asarray(energy, dtype=float))
    return float(values) if _np.ndim(values) == 0 else values


def kerma_constant(nuclide, cutoff=0.02, quantity="kerma", conversion=None):
    """The air-kerma-rate constant, uGy m2/(GBq h), of a nuclide's lines above ``cutoff`` MeV;
    with ``quantity="h10"`` its H*(10) twin in uSv m2/(GBq h), with ``"exposure"`` mR m2/(GBq h).
    """
    return _core._kerma_constant(nuclide, float(cutoff), quantity,
                                 None if conversion is None else _os.fspath(conversion))


Nuclide = _collections.namedtuple("Nuclide",
                                  "name element half_life energy intensity kind emitter")
Nuclide.__doc__ = """A radionuclide of the library: its name, element, half-life as the data give
it ("30.08 y"), and its photon lines: ``energy`` (MeV), ``intensity`` (photons per decay),
``kind`` (gamma, X or annihilation) and the chain member that emits each."""


def nuclide(name):
    """The nuclide a name means (``"Co-60"``, ``"co60"``, ``"Cobalt-60"``); ValueError with the
    closest names when none does."""
    return Nuclide(*_core._nuclide(name))


def nuclides():
    """The names of the library's radionuclides."""
    return list(_core._nuclides())
