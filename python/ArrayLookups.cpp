#include "ArrayLookups.h"

#include <algorithm>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace bindings {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Below this many look-ups a piece costs less than starting a thread for it (a look-up is about
// 50 ns, a thread about 50 us).
constexpr std::size_t kLeastPerThread = 1 << 15;

Failures merge(Failures a, const Failures& b) {
    if (b.count > 0) {
        a.first = a.count > 0 ? std::min(a.first, b.first) : b.first;
        a.count += b.count;
    }
    return a;
}

// Runs piece(begin, end) over [0, count) in contiguous pieces, one per core while each piece
// keeps enough work, the first on the calling thread. The pieces write disjoint outputs.
template <typename Piece> Failures overPieces(std::size_t count, Piece piece) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t pieces = std::clamp<std::size_t>(count / kLeastPerThread, 1, cores);
    if (pieces == 1) {
        return piece(std::size_t{0}, count);
    }
    std::vector<Failures> found(pieces);
    std::vector<std::thread> threads;
    const auto bounds = [&](std::size_t k) { return count / pieces * k; };
    for (std::size_t k = 1; k < pieces; ++k) {
        const std::size_t end = k + 1 == pieces ? count : bounds(k + 1);
        const std::size_t begin = bounds(k);
        try {
            threads.emplace_back([&found, &piece, k, begin, end] { found[k] = piece(begin, end); });
        } catch (const std::system_error&) {
            found[k] = piece(begin, end); // no thread to be had: this thread does the piece
        }
    }
    found[0] = piece(std::size_t{0}, bounds(1));
    for (std::thread& thread : threads) {
        thread.join();
    }
    Failures all;
    for (const Failures& some : found) {
        all = merge(all, some);
    }
    return all;
}

} // namespace

Failures CoefficientsAtEnergies(const data::MaterialTable& table, const double* energies,
                                calc::CoefficientSet* out, std::size_t count) {
    return overPieces(count, [&](std::size_t begin, std::size_t end) {
        Failures failures;
        for (std::size_t i = begin; i < end; ++i) {
            if (calc::CoefficientsAtEnergy(table, energies[i], out[i]) != calc::CalcStatus::Ok) {
                out[i] = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
                failures = merge(failures, {1, i});
            }
        }
        return failures;
    });
}

Failures EnergiesAtTotals(const data::MaterialTable& table, const double* totals, EnergyRow* out,
                          std::size_t count) {
    return overPieces(count, [&](std::size_t begin, std::size_t end) {
        Failures failures;
        for (std::size_t i = begin; i < end; ++i) {
            double energyMeV = 0.0;
            calc::CoefficientSet set;
            if (calc::EnergyAtTotal(table, totals[i], energyMeV, set) != calc::CalcStatus::Ok) {
                out[i] = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, totals[i]};
                failures = merge(failures, {1, i});
                continue;
            }
            out[i] = {energyMeV,       set.coherent,     set.incoherent, set.photoElectric,
                      set.pairNuclear, set.pairElectron, set.total};
        }
        return failures;
    });
}

Failures BuildupFactors(const shielding::BuildupFunction& function, const double* energies,
                        const double* mfps, double* out, std::size_t count) {
    return overPieces(count, [&](std::size_t begin, std::size_t end) {
        Failures failures;
        shielding::BuildupValue value;
        for (std::size_t i = begin; i < end; ++i) {
            if (function.At(energies[i], mfps[i], value) == shielding::Outcome::Ok) {
                out[i] = value.buildup;
            } else {
                out[i] = kNaN;
                failures = merge(failures, {1, i});
            }
        }
        return failures;
    });
}

} // namespace bindings
