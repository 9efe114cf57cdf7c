#include "shielding/Buildup.h"

#include "calc/Interpolation.h"
#include "material/Edges.h"
#include "material/Formula.h"
#include "material/Resolve.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>

namespace shielding {

namespace {

const double kTanhMinus2 = std::tanh(-2.0);
const double kTanhScale = 1.0 / (1.0 - kTanhMinus2);

/// The G-P K(x): c x^a plus the tanh term that lets the fits bend at about Xk mfp; x^a taken
/// as exp(a ln x) with ln x given, which the two rows of an interpolation share.
double gpK(const GpCoefficients& gp, double mfp, double logMfp) {
    return gp.c * std::exp(gp.a * logMfp) +
           gp.d * (std::tanh(mfp / gp.xk - 2.0) - kTanhMinus2) * kTanhScale;
}

double gpK(const GpCoefficients& gp, double mfp) { return gpK(gp, mfp, std::log(mfp)); }

/// K beyond the fits' 40 mfp after Harima et al. (1991): continues K(35)..K(40) on a scale that
/// grows as (x/35)^0.1, so that K reaches K(40) at 40 mfp exactly.
double extrapolatedK(const GpCoefficients& gp, double mfp) {
    const double k35 = gpK(gp, 35.0);
    const double k40 = gpK(gp, 40.0);
    const double xi = (std::pow(mfp / 35.0, 0.1) - 1.0) / (std::pow(40.0 / 35.0, 0.1) - 1.0);
    const double r = (k40 - 1.0) / (k35 - 1.0);
    if (k35 != 1.0 && r >= 0.0 && r <= 1.0) {
        return 1.0 + (k35 - 1.0) * std::pow(r, xi);
    }
    return k35 * std::pow(k40 / k35, std::pow(xi, 0.8));
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

/// The K edge of an element table: the highest energy at which the total jumps up.
double kEdgeOf(const data::MaterialTable& table) {
    const std::vector<int> rows = material::EdgeRows(table);
    return rows.empty() ? 0.0 : table.Energy[static_cast<std::size_t>(rows.back())];
}

/// The energies of a kind's grid: every energy any table has, rising, each once.
std::vector<double> gridEnergies(const std::vector<BuildupTable>& tables) {
    std::vector<double> energies;
    for (const BuildupTable& table : tables) {
        for (const GpRow& row : table.rows) {
            energies.push_back(row.energyMeV);
        }
    }
    std::sort(energies.begin(), energies.end());
    energies.erase(std::unique(energies.begin(), energies.end()), energies.end());
    return energies;
}

const GpRow* rowAt(const BuildupTable& table, double energyMeV) {
    for (const GpRow& row : table.rows) {
        if (row.energyMeV == energyMeV) {
            return &row;
        }
    }
    return nullptr;
}

GpCoefficients lnZBetween(const GpCoefficients& p1, const GpCoefficients& p2, double w1,
                          double w2) {
    return {p1.b * w1 + p2.b * w2, p1.c * w1 + p2.c * w2, p1.a * w1 + p2.a * w2,
            p1.xk * w1 + p2.xk * w2, p1.d * w1 + p2.d * w2};
}

/// GpBuildup for 0 < x <= 100 with ln x given.
Outcome gpBuildup(const GpCoefficients& gp, double mfp, double logMfp, double& buildup) {
    const double k = mfp > kFittedMfp ? extrapolatedK(gp, mfp) : gpK(gp, mfp, logMfp);
    // (K^x - 1)/(K - 1) tends to x as K tends to 1; expm1 keeps its digits near there.
    const double growth = k == 1.0 ? mfp : std::expm1(mfp * std::log(k)) / (k - 1.0);
    const double value = 1.0 + (gp.b - 1.0) * growth;
    if (!std::isfinite(value)) {
        return Outcome::CalculationError;
    }
    buildup = value;
    return Outcome::Ok;
}

} // namespace

Outcome GpBuildup(const GpCoefficients& gp, double mfp, double& buildup) {
    if (!(mfp >= 0.0 && mfp <= kHighestMfp)) {
        return Outcome::OutOfRange;
    }
    if (mfp == 0.0) {
        buildup = 1.0;
        return Outcome::Ok;
    }
    return gpBuildup(gp, mfp, std::log(mfp), buildup);
}

Outcome AttenuationWithoutCoherent(const data::MaterialTable& table, double energyMeV,
                                   double& muRho, double* incoherentShare) {
    calc::CoefficientSet set;
    if (const Outcome found =
            attenuation::OutcomeOf(calc::CoefficientsAtEnergy(table, energyMeV, set));
        found != Outcome::Ok) {
        return found;
    }
    const double value = set.total - set.coherent;
    if (!(value > 0.0) || !std::isfinite(value)) {
        return Outcome::CalculationError;
    }
    muRho = value;
    if (incoherentShare != nullptr) {
        *incoherentShare = set.incoherent / value;
    }
    return Outcome::Ok;
}

std::optional<std::vector<EquivalentRow>>
EquivalentRows(const data::MaterialTable& material, const BuildupTables& tables, BuildupKind kind,
               attenuation::ElementLibrary& elements, std::string& error) {
    // The tabulated elements in ascending Z.
    std::vector<const BuildupTable*> byZ;
    for (const BuildupTable& table : tables.Of(kind)) {
        if (table.atomicNumber > 0) {
            byZ.push_back(&table);
        }
    }
    std::sort(byZ.begin(), byZ.end(), [](const BuildupTable* a, const BuildupTable* b) {
        return a->atomicNumber < b->atomicNumber;
    });
    std::vector<const data::MaterialTable*> elementTables;
    for (const BuildupTable* table : byZ) {
        const attenuation::ElementData* element = elements.Element(table->atomicNumber);
        if (element == nullptr) {
            error = elements.lastError();
            return std::nullopt;
        }
        elementTables.push_back(&element->table);
    }

    std::vector<EquivalentRow> rows;
    for (const double energy : gridEnergies(tables.Of(kind))) {
        double mu = 0.0;
        double r = 0.0;
        if (AttenuationWithoutCoherent(material, energy, mu, &r) != Outcome::Ok || !(r > 0.0)) {
            continue;
        }
        // The elements with a row at this energy, with their ln R.
        struct Candidate {
            double z;
            double logR;
            const GpCoefficients* gp;
        };
        std::vector<Candidate> candidates;
        for (std::size_t i = 0; i < byZ.size(); ++i) {
            const GpRow* row = rowAt(*byZ[i], energy);
            double muZ = 0.0;
            double rZ = 0.0;
            if (row != nullptr &&
                AttenuationWithoutCoherent(*elementTables[i], energy, muZ, &rZ) == Outcome::Ok &&
                rZ > 0.0) {
                candidates.push_back(
                    {static_cast<double>(byZ[i]->atomicNumber), std::log(rZ), &row->gp});
            }
        }
        if (candidates.empty()) {
            continue;
        }
        const double logR = std::log(r);
        EquivalentRow out{energy, 0.0, {}};
        bool bracketed = false;
        for (std::size_t i = 0; i + 1 < candidates.size() && !bracketed; ++i) {
            const Candidate& c1 = candidates[i];
            const Candidate& c2 = candidates[i + 1];
            if (logR < std::min(c1.logR, c2.logR) || logR > std::max(c1.logR, c2.logR)) {
                continue;
            }
            bracketed = true;
            if (c1.logR == c2.logR) {
                out.zeq = c1.z;
                out.gp = *c1.gp;
                break;
            }
            out.zeq = (c1.z * (c2.logR - logR) + c2.z * (logR - c1.logR)) / (c2.logR - c1.logR);
            const double logSpan = std::log(c2.z) - std::log(c1.z);
            const double w1 = (std::log(c2.z) - std::log(out.zeq)) / logSpan;
            const double w2 = (std::log(out.zeq) - std::log(c1.z)) / logSpan;
            out.gp = lnZBetween(*c1.gp, *c2.gp, w1, w2);
        }
        if (!bracketed) {
            const auto nearest = std::min_element(
                candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
                    return std::abs(a.logR - logR) < std::abs(b.logR - logR);
                });
            out.zeq = nearest->z;
            out.gp = *nearest->gp;
        }
        rows.push_back(out);
    }
    if (rows.empty()) {
        error = "the material's table covers none of the buildup tables' energies";
        return std::nullopt;
    }
    return rows;
}

BuildupFunction BuildupFunction::Own(const BuildupTable& table, double kEdgeMeV) {
    BuildupFunction function;
    function.m_rows = table.rows;
    function.m_edgeMeV = kEdgeMeV;
    function.m_table = table.material;
    for (const GpRow& row : function.m_rows) {
        function.m_logEnergy.push_back(std::log(row.energyMeV));
    }
    return function;
}

BuildupFunction BuildupFunction::Equivalent(std::vector<EquivalentRow> rows) {
    BuildupFunction function;
    for (const EquivalentRow& row : rows) {
        function.m_rows.push_back({row.energyMeV, row.gp});
        function.m_zeq.push_back(row.zeq);
        function.m_logZeq.push_back(std::log(row.zeq));
        function.m_logEnergy.push_back(std::log(row.energyMeV));
    }
    return function;
}

double BuildupFunction::LowestEnergyMeV() const {
    return m_rows.empty() ? std::numeric_limits<double>::quiet_NaN() : m_rows.front().energyMeV;
}

double BuildupFunction::HighestEnergyMeV() const {
    return m_rows.empty() ? std::numeric_limits<double>::quiet_NaN() : m_rows.back().energyMeV;
}

BuildupLimit BuildupFunction::LimitAt(double energyMeV, double mfp) const {
    if (m_rows.empty() || !(energyMeV >= m_rows.front().energyMeV) ||
        !(energyMeV <= m_rows.back().energyMeV)) {
        return BuildupLimit::Energy;
    }
    return mfp >= 0.0 && mfp <= kHighestMfp ? BuildupLimit::None : BuildupLimit::Penetration;
}

Outcome BuildupFunction::At(double energyMeV, double mfp, BuildupValue& value) const {
    if (LimitAt(energyMeV, mfp) != BuildupLimit::None) {
        return Outcome::OutOfRange;
    }
    // The first row at or above the energy.
    const auto above =
        std::lower_bound(m_rows.begin(), m_rows.end(), energyMeV,
                         [](const GpRow& row, double e) { return row.energyMeV < e; });
    auto upper = static_cast<std::size_t>(above - m_rows.begin());
    std::size_t lower = upper;
    if (m_rows[upper].energyMeV != energyMeV) {
        lower = upper - 1;
        const double e1 = m_rows[lower].energyMeV;
        const double e2 = m_rows[upper].energyMeV;
        if (m_edgeMeV > e1 && m_edgeMeV < e2) {
            // No interpolation across the edge: the row on the energy's side serves.
            lower = upper = energyMeV < m_edgeMeV ? lower : upper;
        }
    }
    BuildupValue out;
    out.extrapolated = mfp > kFittedMfp;
    if (mfp == 0.0) {
        out.zeq = m_zeq.empty() ? 0.0 : m_zeq[lower];
        value = out;
        return Outcome::Ok;
    }
    const double logMfp = std::log(mfp);
    double b1 = 0.0;
    Outcome outcome = gpBuildup(m_rows[lower].gp, mfp, logMfp, b1);
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    if (lower == upper) {
        out.buildup = b1;
        out.zeq = m_zeq.empty() ? 0.0 : m_zeq[lower];
        value = out;
        return Outcome::Ok;
    }
    double b2 = 0.0;
    outcome = gpBuildup(m_rows[upper].gp, mfp, logMfp, b2);
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    const double t =
        (std::log(energyMeV) - m_logEnergy[lower]) / (m_logEnergy[upper] - m_logEnergy[lower]);
    out.buildup = b1 * std::exp(t * std::log(b2 / b1)); // ln B linear in ln E
    if (!m_zeq.empty()) {
        out.zeq = std::exp(m_logZeq[lower] + t * (m_logZeq[upper] - m_logZeq[lower]));
    }
    if (!std::isfinite(out.buildup) || !(out.buildup > 0.0)) {
        return Outcome::CalculationError;
    }
    value = out;
    return Outcome::Ok;
}

const BuildupTable* OwnTableOf(const material::ResolvedMaterial& material,
                               const BuildupTables& tables, BuildupKind kind) {
    const std::string& path = material.dataPath;
    if (path == attenuation::kWaterPath) {
        return tables.Find(kind, "water");
    }
    if (path == attenuation::kDryAirPath) {
        return tables.Find(kind, "air");
    }
    if (path == attenuation::kConcreteAnsPath) {
        return tables.Find(kind, "concrete");
    }
    // "ele/082_Pb.ele": the element's number leads the file name.
    if (path.starts_with("ele/") && path.size() > 7) {
        int z = 0;
        for (std::size_t i = 4; i < 7; ++i) {
            const char c = path[i];
            if (c < '0' || c > '9') {
                return nullptr;
            }
            z = z * 10 + (c - '0');
        }
        return tables.Element(kind, z);
    }
    if (path.empty() && material.composition.known && material.composition.elements.size() == 1) {
        return tables.Element(kind, material.composition.elements.front().z);
    }
    return nullptr;
}

const BuildupTable* TableNamed(const BuildupTables& tables, BuildupKind kind,
                               std::string_view name) {
    if (const BuildupTable* table = tables.Find(kind, lowerCase(name))) {
        return table;
    }
    return tables.Element(kind, material::AtomicNumber(name));
}

std::optional<BuildupFunction> BuildupFunctionOf(const material::ResolvedMaterial& material,
                                                 const BuildupTables& tables, BuildupKind kind,
                                                 attenuation::ElementLibrary& elements,
                                                 std::string_view tableName, std::string& error) {
    const BuildupTable* own = nullptr;
    if (!tableName.empty()) {
        own = TableNamed(tables, kind, tableName);
        if (own == nullptr) {
            std::string names;
            for (const BuildupTable& table : tables.Of(kind)) {
                names += (names.empty() ? "" : ", ") + table.material;
            }
            error = "no buildup table is named '" + std::string(tableName) + "' (there are " +
                    names + ")";
            return std::nullopt;
        }
    } else {
        own = OwnTableOf(material, tables, kind);
    }
    if (own != nullptr) {
        double edge = 0.0;
        if (own->atomicNumber > 0) {
            const attenuation::ElementData* element = elements.Element(own->atomicNumber);
            if (element == nullptr) {
                error = elements.lastError();
                return std::nullopt;
            }
            edge = kEdgeOf(element->table);
        }
        return BuildupFunction::Own(*own, edge);
    }
    std::optional<std::vector<EquivalentRow>> rows =
        EquivalentRows(material.table, tables, kind, elements, error);
    if (!rows) {
        return std::nullopt;
    }
    return BuildupFunction::Equivalent(std::move(*rows));
}

} // namespace shielding

namespace shielding {

namespace {

// The curve's grid: steps of 1/512 mfp up to 2 mfp, where B bends most, then of 1/64 mfp up to
// 100; 2 and 40 mfp (where the fitted form gives way to the extrapolated one) are nodes that no
// interpolation reaches across.
constexpr double kFineEnd = 2.0;
constexpr double kFineStep = 1.0 / 512.0;
constexpr double kCoarseStep = 1.0 / 64.0;
constexpr std::size_t kFineNodes = 1024;                  // at 2 mfp
constexpr std::size_t kFittedNode = kFineNodes + 38 * 64; // at 40 mfp
constexpr std::size_t kLastNode = kFineNodes + 98 * 64;   // at 100 mfp

// Below this the function itself is asked.
constexpr double kExactBelow = 0.25;

double nodeMfp(std::size_t k) {
    return k <= kFineNodes ? static_cast<double>(k) * kFineStep
                           : kFineEnd + static_cast<double>(k - kFineNodes) * kCoarseStep;
}

} // namespace

std::optional<BuildupCurve> BuildupCurve::Of(const BuildupFunction& function, double energyMeV) {
    BuildupCurve curve;
    curve.m_function = &function;
    curve.m_energyMeV = energyMeV;
    curve.m_nodes.resize(kLastNode + 1);
    for (std::size_t k = 0; k <= kLastNode; ++k) {
        BuildupValue value;
        if (function.At(energyMeV, nodeMfp(k), value) != Outcome::Ok) {
            return std::nullopt;
        }
        curve.m_nodes[k] = value.buildup;
    }
    return curve;
}

Outcome BuildupCurve::At(double mfp, double& buildup) const {
    if (!(mfp >= kExactBelow && mfp <= kHighestMfp)) {
        // Near 0 the fitted K's power of the penetration bends B too sharply for the grid.
        BuildupValue value;
        const Outcome outcome = m_function->At(m_energyMeV, mfp, value);
        buildup = value.buildup;
        return outcome;
    }
    // The interval holding the penetration, and four nodes of its region around it (the
    // regions end at 2 and 40 mfp).
    double position = 0.0;
    std::size_t first = 0;
    std::size_t last = kFineNodes;
    if (mfp <= kFineEnd) {
        position = mfp * (1.0 / kFineStep);
    } else {
        position = static_cast<double>(kFineNodes) + (mfp - kFineEnd) * (1.0 / kCoarseStep);
        first = mfp <= kFittedMfp ? kFineNodes : kFittedNode;
        last = mfp <= kFittedMfp ? kFittedNode : kLastNode;
    }
    const auto k = static_cast<std::size_t>(position);
    const std::size_t start = std::min(k > first ? k - 1 : first, last - 3);
    const double t = position - static_cast<double>(start);
    const double* f = &m_nodes[start];
    // Lagrange's cubic through the nodes at t = 0, 1, 2, 3.
    const double t1 = t - 1.0;
    const double t2 = t - 2.0;
    const double t3 = t - 3.0;
    buildup = (-f[0] * t1 * t2 * t3 + 3.0 * f[1] * t * t2 * t3 - 3.0 * f[2] * t * t1 * t3 +
               f[3] * t * t1 * t2) /
              6.0;
    return Outcome::Ok;
}

} // namespace shielding
