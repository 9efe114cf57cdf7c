#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The radioactive-decay section (MF8/MT457) of an ENDF-6 decay file, read far enough to check
// the photon-line table against it. ENDF-6 records are 80 columns: six 11-column fields (floats
// written like " 1.173228+6", the E left out), then MAT, MF and MT in columns 67-75.
namespace endf {

/// One discrete line of a spectrum: its energy ER (eV) and relative intensity RI.
struct DiscreteLine {
    double energyEv = 0.0;
    double relativeIntensity = 0.0;
};

/// One decay spectrum: STYP (0 gamma rays, 9 X-rays and annihilation radiation, ...), its
/// normalisation FD (intensity per decay = FD x RI) and its discrete lines.
struct Spectrum {
    int type = 0;
    double normalisation = 0.0;
    std::vector<DiscreteLine> lines;
};

/// One decay mode: RTYP (1 beta-, 2 EC or beta+, 3 isomeric transition, 4 alpha, 5 neutron,
/// 6 fission, 7 proton; 1.5 is beta- then neutron), the product's state RFS and the branching.
struct DecayMode {
    double type = 0.0;
    int finalState = 0;
    double branching = 0.0;
};

struct DecayData {
    int za = 0;     ///< 1000 Z + A
    int isomer = 0; ///< LISO: 0 ground state, 1 first isomer
    double halfLifeS = 0.0;
    std::vector<DecayMode> modes;
    std::vector<Spectrum> spectra;
};

/// An 11-column ENDF float ("1.173228+6", "-2.5-3", "1.0E+2"); 0 for a blank field.
std::optional<double> ReadNumber(std::string_view field);

/// MF8/MT457 of a decay file; empty with `error` naming the line where it does not fit.
std::optional<DecayData> ReadDecayData(std::string_view text, std::string& error);

/// The 1000 Z + A and the state of the nucleus a mode leads to; empty for fission and for a
/// mode this reader does not know.
std::optional<std::pair<int, int>> ProductOf(const DecayData& parent, const DecayMode& mode);

} // namespace endf
