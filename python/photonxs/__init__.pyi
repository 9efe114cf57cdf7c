# Type stubs of the photonxs package, for editors and type checkers.
import os
from typing import (Any, Dict, List, Literal, Mapping, NamedTuple, Optional, Sequence, Tuple,
                    Union, overload)

import numpy as np
import numpy.typing as npt

from ._core import DataFile as DataFile, Library as Library, Material as Material

_MaterialLike = Union[str, Material]
#: Energies (MeV) or totals (cm2/g): a number or anything numpy turns into an array of floats.
_Values = npt.ArrayLike
_Errors = Literal["nan", "raise"]
#: A number in, a number (or one record) out; an array in, an array of its shape out.
_FloatOrArray = Union[float, npt.NDArray[np.float64]]
_Records = Union[np.void, npt.NDArray[np.void]]

COEFFICIENTS: Tuple[str, str, str, str, str, str]

class NarrowBeam(NamedTuple):
    """Linear attenuation (1/cm), half- and tenth-value layers and mean free path (cm)."""
    mu: _FloatOrArray
    hvl: _FloatOrArray
    tvl: _FloatOrArray
    mfp: _FloatOrArray

class HalfValueLayers(NamedTuple):
    """First and second half-value layers (cm) of a spectrum, and their ratio."""
    first: float
    second: float
    homogeneity: float

def material(expr: str) -> Material: ...
def parse_formula(text: str) -> Dict[str, float]: ...
def mu_rho(material: _MaterialLike, energies: _Values, unit: str = ..., *,
           density: Optional[float] = ..., without_coherent: bool = ...,
           errors: _Errors = ...) -> _Records: ...
@overload
def energy_at(material: _MaterialLike, mu: float, *, all: Literal[False] = ...,
              errors: _Errors = ...) -> np.void: ...
@overload
def energy_at(material: _MaterialLike, mu: float, *, all: Literal[True],
              errors: _Errors = ...) -> npt.NDArray[np.void]: ...
@overload
def energy_at(material: _MaterialLike, mu: _Values, *, all: Literal[False] = ...,
              errors: _Errors = ...) -> _Records: ...
@overload
def energy_at(material: _MaterialLike, mu: _Values, *, all: Literal[True],
              errors: _Errors = ...) -> Union[npt.NDArray[np.void], List[npt.NDArray[np.void]]]: ...
def edges(material: _MaterialLike) -> npt.NDArray[np.void]: ...
def mu_en_rho(material: _MaterialLike, energies: _Values, *,
              errors: _Errors = ...) -> _FloatOrArray: ...
def hvl(material: _MaterialLike, energies: _Values, *, density: Optional[float] = ...,
        errors: _Errors = ...) -> NarrowBeam: ...
def transmission(layers: Sequence[Union[Tuple[_MaterialLike, Union[float, str]],
                                        Tuple[_MaterialLike, Union[float, str], float]]],
                 energies: _Values, *, errors: _Errors = ...) -> _FloatOrArray: ...
def spectrum_hvl(energies: _Values, weights: _Values, material: _MaterialLike = ..., *,
                 density: Optional[float] = ...) -> HalfValueLayers: ...
def zeff(material: _MaterialLike, energies: _Values, *, errors: _Errors = ...) -> _Records: ...

__all__ = ["Library", "Material", "DataFile", "material", "parse_formula", "mu_rho", "energy_at",
           "edges", "mu_en_rho", "hvl", "NarrowBeam", "transmission", "spectrum_hvl",
           "HalfValueLayers", "zeff", "COEFFICIENTS", "LayerShares", "layer_shares",
           "SpectrumShares", "spectrum_layer_shares", "SensorEfficiency", "sensor_efficiency",
           "sensor_thickness", "equivalent_thickness", "EquivalentThickness",
           "spectrum_equivalent_thickness"]
def buildup(material: _MaterialLike, energy: _Values, mfp: _Values,
            kind: Literal["exposure", "absorption"] = ..., table: Optional[str] = ..., *,
            errors: _Errors = ...) -> _FloatOrArray: ...

class DoseRate(NamedTuple):
    """Kerma rate (uGy/h) of a point source behind layers, in total and line by line."""
    total: float
    energy: npt.NDArray[np.float64]
    intensity: npt.NDArray[np.float64]
    mfp: npt.NDArray[np.float64]
    uncollided: npt.NDArray[np.float64]
    buildup: npt.NDArray[np.float64]
    rate: npt.NDArray[np.float64]
    notes: Tuple[str, ...]
    nuclide: Tuple[str, ...]
    dose: float

def dose_rate(source: Union[str, Sequence[Tuple[float, float]], Mapping[str, float],
                            Sequence[Tuple[str, float]]], activity_bq: Optional[float],
              distance_cm: float,
              layers: Sequence[Union[Tuple[_MaterialLike, Union[float, str]],
                                     Tuple[_MaterialLike, Union[float, str], float]]] = ...,
              kind: Literal["exposure", "absorption", "none"] = ...,
              rule: Literal["broder", "last"] = ..., table: Optional[str] = ...,
              cutoff: float = ..., quantity: Literal["kerma", "exposure", "h10"] = ...,
              decay_s: float = ..., stay_s: float = ..., fresh: bool = ...,
              conversion: Optional[Union[str, os.PathLike[str]]] = ...) -> DoseRate: ...
def kerma_constant(nuclide: str, cutoff: float = ...,
                   quantity: Literal["kerma", "exposure", "h10"] = ...,
                   conversion: Optional[Union[str, os.PathLike[str]]] = ...) -> float: ...
def decay(inventory: Union[Mapping[str, float], Sequence[Tuple[str, float]]], time_s: float,
          fresh: bool = ...) -> Dict[str, float]: ...
def h10_per_kerma(energy: _Values) -> _FloatOrArray: ...

class ModelDose(NamedTuple):
    """Air-kerma rates (uGy/h) of a shielding model at its detectors and map points."""
    detectors: npt.NDArray[np.float64]
    total: npt.NDArray[np.float64]
    error: npt.NDArray[np.float64]
    energies: npt.NDArray[np.float64]
    uncollided: npt.NDArray[np.float64]
    buildup: npt.NDArray[np.float64]
    rate: npt.NDArray[np.float64]

def model_dose(model: Union[Mapping[str, Any], str, "os.PathLike[str]"],
               accuracy: Optional[float] = ...) -> ModelDose: ...

class Nuclide(NamedTuple):
    """A radionuclide of the library and its photon lines."""
    name: str
    element: str
    half_life: str
    energy: npt.NDArray[np.float64]
    intensity: npt.NDArray[np.float64]
    kind: Tuple[str, ...]
    emitter: Tuple[str, ...]

def nuclide(name: str) -> Nuclide: ...
def nuclides() -> List[str]: ...

_Layers = Sequence[Union[Tuple[_MaterialLike, float], Tuple[_MaterialLike, float, float]]]

class LayerShares(NamedTuple):
    """Each layer's shares of a beam, arrays of shape (layers, energies)."""
    interacted: npt.NDArray[np.float64]
    photo_absorbed: npt.NDArray[np.float64]
    deposited: npt.NDArray[np.float64]
    transmitted: npt.NDArray[np.float64]

class SpectrumShares(NamedTuple):
    """A spectrum's shares per layer, with the photons each layer receives and passes per bin."""
    interacted: npt.NDArray[np.float64]
    photo_absorbed: npt.NDArray[np.float64]
    deposited: npt.NDArray[np.float64]
    transmitted: npt.NDArray[np.float64]
    received: npt.NDArray[np.float64]
    passed: npt.NDArray[np.float64]
    bins: LayerShares

class SensorEfficiency(NamedTuple):
    """A sensor layer's interaction and photo-absorption efficiency."""
    interacted: _FloatOrArray
    photo_absorbed: _FloatOrArray

class EquivalentThickness(NamedTuple):
    """A stack's air kerma transmission and the reference's thickness (cm) that matches it."""
    air_kerma_transmission: float
    thickness: float

def layer_shares(layers: _Layers, energies: _Values, angle_deg: float = ..., *,
                 errors: _Errors = ...) -> LayerShares: ...
def spectrum_layer_shares(energies: _Values, weights: _Values, layers: _Layers,
                          angle_deg: float = ...) -> SpectrumShares: ...
def sensor_efficiency(layers: _Layers, energies: _Values, sensor: int, angle_deg: float = ..., *,
                      errors: _Errors = ...) -> SensorEfficiency: ...
def sensor_thickness(layers: _Layers, energies: _Values, sensor: int, fraction: float,
                     angle_deg: float = ..., *, by: Literal["interacted", "photo"] = ...,
                     errors: _Errors = ...) -> _FloatOrArray: ...
def equivalent_thickness(layers: _Layers, energies: _Values, reference: _MaterialLike = ..., *,
                         density: Optional[float] = ...,
                         errors: _Errors = ...) -> _FloatOrArray: ...
def spectrum_equivalent_thickness(energies: _Values, weights: _Values, layers: _Layers,
                                  reference: _MaterialLike = ..., *,
                                  density: Optional[float] = ...) -> EquivalentThickness: ...
