"""Layer by layer: what each layer of a stack takes out of a beam, a detector sensor's
efficiency and thickness, and the thickness of a reference material that transmits the same.

Layers are given as for :func:`photonxs.transmission`: ``(material, thickness_cm)`` or
``(material, thickness_cm, density)``. Energies are in MeV; an angle of incidence ``angle_deg``
(0 up to, not including, 90 degrees from the normal) makes each layer's path its thickness over
cos(angle).
"""

import collections as _collections

from . import _core

LayerShares = _collections.namedtuple("LayerShares",
                                      "interacted photo_absorbed deposited transmitted")
LayerShares.__doc__ = """Each layer's shares of a beam, arrays of shape (layers, energies): the
fraction of the incident photons that interact in it, the part of those photo-absorbed, the
fraction of the incident energy it keeps, and the fraction that leaves it."""

SpectrumShares = _collections.namedtuple(
    "SpectrumShares", "interacted photo_absorbed deposited transmitted received passed bins")
SpectrumShares.__doc__ = """A spectrum's shares, one value per layer (weighted by photons; by
photons times energy for ``deposited``), with the photons of each bin that each layer receives
and passes, arrays of shape (layers, bins), and ``bins``, a :class:`LayerShares` of each bin's
own shares, arrays of shape (layers, bins)."""

SensorEfficiency = _collections.namedtuple("SensorEfficiency", "interacted photo_absorbed")
SensorEfficiency.__doc__ = """A sensor layer's interaction and photo-absorption efficiency: the
fractions of the photons falling on the stack that interact in it and that it photo-absorbs."""

EquivalentThickness = _collections.namedtuple("EquivalentThickness",
                                              "air_kerma_transmission thickness")
EquivalentThickness.__doc__ = """A stack's air kerma transmission for a spectrum and the thickness
(cm) of the reference material that transmits the same."""


def layer_shares(layers, energies, angle_deg=0.0, *, errors="nan"):
    """What each layer of a stack does to a narrow beam, at each energy.

    A :class:`LayerShares` of four arrays of shape (layers,) + the energies' shape:
    ``interacted`` is the fraction of the photons falling on the stack that interact in the
    layer, T_before * (1 - exp(-mu t / cos(angle))) with mu the total with coherent scattering;
    ``photo_absorbed`` the part of those taken by the photo-electric effect; ``deposited`` the
    fraction of the incident energy the layer keeps, interacted * (mu_en/rho) / (mu/rho) (NaN
    outside 1 keV to 20 MeV or when a layer's composition is not known); ``transmitted`` what
    leaves the layer. The interacted shares and the last transmitted add up to 1. Energies out
    of range give NaN, or ValueError with ``errors="raise"``.
    """
    return LayerShares(*_core._layer_shares(layers, energies, angle_deg, errors))


def spectrum_layer_shares(energies, weights, layers, angle_deg=0.0):
    """:func:`layer_shares` over a spectrum of ``energies`` (MeV) and ``weights`` (photons).

    Returns a :class:`SpectrumShares`. Raises ValueError naming the bin when a bin has no value.
    """
    *summed, bins = _core._spectrum_layer_shares(energies, weights, layers, angle_deg)
    return SpectrumShares(*summed, LayerShares(*bins))


def sensor_efficiency(layers, energies, sensor, angle_deg=0.0, *, errors="nan"):
    """The efficiency of layer ``sensor`` (0 for the first) as a detector behind the others.

    A :class:`SensorEfficiency` of two arrays of the energies' shape: the fractions of the
    photons falling on the stack that interact in the sensor and that it photo-absorbs, after
    the layers before it (a window, a dead layer). ValueError for a sensor outside the stack.
    """
    return SensorEfficiency(*_core._sensor_efficiency(layers, energies, sensor, angle_deg,
                                                      errors))


def sensor_thickness(layers, energies, sensor, fraction, angle_deg=0.0, *, by="interacted",
                     errors="nan"):
    """The thickness (cm) of layer ``sensor`` that takes ``fraction`` of the incident photons.

    ``by="interacted"`` counts every interaction, ``by="photo"`` photo-absorption alone; the
    layer's own thickness in ``layers`` is not used. NaN where no thickness does it (the layers
    before let less through), or ValueError with ``errors="raise"``.
    """
    return _core._sensor_thickness(layers, energies, sensor, fraction, angle_deg, by, errors)


def equivalent_thickness(layers, energies, reference="Pb", *, density=None, errors="nan"):
    """The thickness (cm) of ``reference`` that transmits what the stack does, narrow beam.

    At each energy (an array of the energies' shape): the stack's mu x over the reference's mu,
    at the reference's own density unless ``density`` is given. Energies out of range give NaN,
    or ValueError with ``errors="raise"``.
    """
    return _core._equivalent_thickness(layers, energies, reference, density, errors)


def spectrum_equivalent_thickness(energies, weights, layers, reference="Pb", *, density=None):
    """The thickness (cm) of ``reference`` with the stack's air kerma transmission for a spectrum.

    Returns an :class:`EquivalentThickness`. Raises ValueError when a bin has no value or no air
    kerma gets through the stack.
    """
    return EquivalentThickness(*_core._spectrum_equivalent_thickness(energies, weights, layers,
                                                                     reference, density))
