#include "calc/TotalRoots.h"

#include <algorithm>
#include <cmath>

namespace calc {

namespace {

// Log-log line of one column between rows a and b, at energy e; 0 below a threshold (a zero
// on either side), as the calculator treats the pair-production columns.
double along(const data::Column& column, std::size_t a, std::size_t b, double logEa, double logEb,
             double logE, bool zeroRule) {
    if (zeroRule && column[a] * column[b] == 0.0) {
        return 0.0;
    }
    const double logCb = std::log(column[b]);
    return std::exp(logCb - (logCb - std::log(column[a])) * (logEb - logE) / (logEb - logEa));
}

TotalRoot rootAt(const data::MaterialTable& table, std::size_t a, std::size_t b, double energy,
                 double total) {
    const double logEa = std::log(table.Energy[a]);
    const double logEb = std::log(table.Energy[b]);
    const double logE = std::log(energy);
    TotalRoot root;
    root.energyMeV = energy;
    root.set.pairElectron = along(table.PairElectron, a, b, logEa, logEb, logE, true);
    root.set.pairNuclear = along(table.PairNuclear, a, b, logEa, logEb, logE, true);
    root.set.photoElectric = along(table.PhotoElectric, a, b, logEa, logEb, logE, false);
    root.set.incoherent = along(table.Incoherent, a, b, logEa, logEb, logE, false);
    root.set.coherent = along(table.Coherent, a, b, logEa, logEb, logE, false);
    root.set.total = total;
    return root;
}

bool hasLog(double value) { return value > 0.0 && std::isfinite(value); }

} // namespace

std::vector<TotalRoot> EnergiesAtTotal(const data::MaterialTable& table, double total) {
    std::vector<TotalRoot> roots;
    if (!hasLog(total)) {
        return roots;
    }
    const auto n = static_cast<std::size_t>(std::clamp(table.RowCount, 0, data::kTableCapacity));
    // True while the row that ends the last pair equals the total and was already reported,
    // either as an end point or as part of a run of equal rows.
    bool reported = false;
    for (std::size_t b = 2; b <= n; ++b) {
        const std::size_t a = b - 1;
        const double ea = table.Energy[a];
        const double eb = table.Energy[b];
        const double ta = table.Total[a];
        const double tb = table.Total[b];
        if (ea == eb || !hasLog(ea) || !hasLog(eb) || !hasLog(ta) || !hasLog(tb) ||
            !(std::min(ta, tb) <= total && total <= std::max(ta, tb))) {
            reported = false; // an edge, bad data or a pair that misses the value
            continue;
        }
        if (ta == total) {
            if (!reported) {
                roots.push_back(rootAt(table, a, b, ea, total));
            }
            reported = tb == total;
            continue;
        }
        if (tb == total) {
            roots.push_back(rootAt(table, a, b, eb, total));
            reported = true;
            continue;
        }
        const double logEa = std::log(ea);
        const double energy =
            std::exp(logEa - (logEa - std::log(eb)) * (std::log(ta) - std::log(total)) /
                                 (std::log(ta) - std::log(tb)));
        if (std::isfinite(energy)) {
            roots.push_back(rootAt(table, a, b, energy, total));
        }
        reported = false;
    }
    return roots;
}

} // namespace calc
