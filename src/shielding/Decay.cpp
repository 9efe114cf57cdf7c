#include "shielding/Decay.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "shielding/LibraryCsv.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace shielding {

namespace {

constexpr std::string_view kDecayHeader = "nuclide,half_life_s,daughter,branching,mode";
constexpr std::string_view kEmittersHeader = "emitter,energy_mev,photons_per_decay,kind";
constexpr std::array<std::string_view, 6> kModes = {"B-", "EC/B+", "IT", "A", "B-n", "SF"};
constexpr std::size_t kMostPoints = 20;

bool isName(std::string_view name) {
    return !name.empty() && name.find('-') != std::string_view::npos &&
           name.find_first_of(" ,\t") == std::string_view::npos;
}

// Terms of the Taylor series of exp[x_0..x_k] about the points' mean: with y = x - mean,
// exp(mean) sum_r h_r(y) / (r + k)!, h_r the complete homogeneous symmetric polynomials. For
// points less than 1 apart every term is below 1 / (k! r!), so 25 terms reach double precision.
double clusterDifference(const double* x, std::size_t count) {
    constexpr std::size_t kTerms = 25;
    double mean = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        mean += x[i];
    }
    mean /= static_cast<double>(count);
    std::array<double, kTerms + 1> h{};
    h[0] = 1.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double y = x[i] - mean;
        for (std::size_t r = 1; r <= kTerms; ++r) {
            h[r] += y * h[r - 1];
        }
    }
    double inverseFactorial = 1.0; // 1 / (r + k)!, k = count - 1
    for (std::size_t m = 2; m < count; ++m) {
        inverseFactorial /= static_cast<double>(m);
    }
    double sum = 0.0;
    for (std::size_t r = 0; r <= kTerms; ++r) {
        sum += h[r] * inverseFactorial;
        inverseFactorial /= static_cast<double>(r + count);
    }
    return std::exp(mean) * sum;
}

// Every path from each starting member down its chains: at a path's end member j the term
// a_0 (prod b) (prod_{k>=1} lambda_k t) t^m exp[x_0..x_n (, 0)] with x_k = -lambda_k t, which is
// the Bateman activity of j (m = 0), or with the point 0 and m = 1 its decays during t.
std::vector<double> bateman(const DecayData& data, std::span<const double> startBq, double t,
                            bool decays) {
    std::vector<double> out(data.members.size(), 0.0);
    std::array<double, kMostPoints + 1> points{};
    std::size_t depth = 0;
    const auto visit = [&](const auto& self, std::size_t member, double weight) -> void {
        const ChainMember& m = data.members[member];
        points[depth++] = -m.DecayConstant() * t;
        if (depth + (decays ? 1 : 0) <= kMostPoints) {
            std::size_t count = depth;
            if (decays) {
                points[count++] = 0.0;
            }
            const double term = weight * ExpDividedDifference({points.data(), count});
            out[member] += decays ? term * t : term;
            for (const DecayBranch& branch : m.branches) {
                const ChainMember* daughter =
                    branch.daughter ? &data.members[*branch.daughter] : nullptr;
                if (daughter != nullptr && !daughter->Stable()) {
                    self(self, *branch.daughter,
                         weight * branch.branching * daughter->DecayConstant() * t);
                }
            }
        }
        --depth;
    };
    for (std::size_t i = 0; i < startBq.size() && i < data.members.size(); ++i) {
        if (startBq[i] > 0.0 && !data.members[i].Stable()) {
            visit(visit, i, startBq[i]);
        }
    }
    return out;
}

} // namespace

double ChainMember::DecayConstant() const {
    return halfLifeS > 0.0 ? std::numbers::ln2 / halfLifeS : 0.0;
}

std::optional<std::size_t> DecayData::IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (members[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<DecayData> ParseDecayTable(std::string_view text, std::string& error) {
    const std::optional<std::vector<CsvRow>> rows = ReadCsvRows(text, kDecayHeader, error);
    if (!rows) {
        return std::nullopt;
    }
    const auto fail = [&](std::size_t line, const std::string& what) {
        error = AtLine(line, what);
        return std::nullopt;
    };
    DecayData data;
    std::vector<std::pair<std::size_t, std::string>> daughters; // (line, name) per branch
    std::vector<std::pair<std::size_t, std::size_t>> branchOf;  // (member, branch) per branch
    for (const CsvRow& row : *rows) {
        const std::vector<std::string_view>& f = row.fields;
        if (!isName(f[0])) {
            return fail(row.line, "the nuclide " + attenuation::QuotedExcerpt(f[0]) +
                                      " is not a name like Ba-137m");
        }
        const bool stable = f[1] == "stable";
        const std::optional<double> halfLife = attenuation::ReadNumberField(f[1]);
        if (!stable && (!halfLife || !(*halfLife > 0.0) || !std::isfinite(*halfLife))) {
            return fail(row.line, "the half-life " + attenuation::QuotedExcerpt(f[1]) +
                                      " is neither seconds above 0 nor stable");
        }
        const bool newMember = data.members.empty() || data.members.back().name != f[0];
        if (newMember && data.IndexOf(f[0])) {
            return fail(row.line, "the rows of " + std::string(f[0]) + " do not stand together");
        }
        if (newMember) {
            data.members.push_back({std::string(f[0]), stable ? 0.0 : *halfLife, false, {}, {}});
        }
        ChainMember& member = data.members.back();
        if (!newMember &&
            (stable || *halfLife != member.halfLifeS || member.endMember || f[4] == "end")) {
            return fail(row.line,
                        "a second row of " + member.name +
                            " that is not one more way it decays with the same half-life");
        }
        if (stable || f[4] == "end") {
            if (!f[2].empty() || !f[3].empty() || f[4] != (stable ? "" : "end")) {
                return fail(row.line, stable ? "a stable nuclide with a daughter or a mode"
                                             : "an end member with a daughter");
            }
            member.endMember = !stable;
            continue;
        }
        if (std::find(kModes.begin(), kModes.end(), f[4]) == kModes.end()) {
            return fail(row.line, "the mode " + attenuation::QuotedExcerpt(f[4]) +
                                      " is none of B-, EC/B+, IT, A, B-n, SF, end");
        }
        const std::optional<double> branching = attenuation::ReadNumberField(f[3]);
        if (!branching || !(*branching > 0.0) || *branching > 1.0) {
            return fail(row.line, "the branching " + attenuation::QuotedExcerpt(f[3]) +
                                      " is not a number above 0 and at most 1");
        }
        if ((f[4] == "SF") != f[2].empty()) {
            return fail(row.line, "spontaneous fission names no daughter, every other mode one");
        }
        member.branches.push_back({std::nullopt, *branching, std::string(f[4])});
        if (!f[2].empty()) {
            daughters.emplace_back(row.line, std::string(f[2]));
            branchOf.emplace_back(data.members.size() - 1, member.branches.size() - 1);
        }
    }
    if (data.members.empty()) {
        return fail(attenuation::SplitLines(text).size() + 1, "the file ends before the first row");
    }
    for (std::size_t i = 0; i < daughters.size(); ++i) {
        const std::optional<std::size_t> daughter = data.IndexOf(daughters[i].second);
        if (!daughter) {
            return fail(daughters[i].first,
                        "the daughter " + daughters[i].second + " has no rows of its own");
        }
        data.members[branchOf[i].first].branches[branchOf[i].second].daughter = daughter;
    }
    // No member may be its own descendant: 0 unseen, 1 on the current path, 2 done.
    std::vector<int> state(data.members.size(), 0);
    const auto loops = [&](const auto& self, std::size_t m) -> bool {
        state[m] = 1;
        for (const DecayBranch& branch : data.members[m].branches) {
            if (branch.daughter &&
                (state[*branch.daughter] == 1 ||
                 (state[*branch.daughter] == 0 && self(self, *branch.daughter)))) {
                return true;
            }
        }
        state[m] = 2;
        return false;
    };
    for (std::size_t m = 0; m < data.members.size(); ++m) {
        if (state[m] == 0 && loops(loops, m)) {
            error = data.members[m].name + " decays back into itself";
            return std::nullopt;
        }
    }
    return data;
}

bool AddEmitterLines(std::string_view text, DecayData& data, std::string& error) {
    const std::optional<std::vector<CsvRow>> rows = ReadCsvRows(text, kEmittersHeader, error);
    if (!rows) {
        return false;
    }
    std::vector<bool> seen(data.members.size(), false);
    std::optional<std::size_t> last;
    for (const CsvRow& row : *rows) {
        const std::vector<std::string_view>& f = row.fields;
        const std::optional<std::size_t> member = data.IndexOf(f[0]);
        if (!member || data.members[*member].Stable()) {
            error = AtLine(row.line, "the emitter " + attenuation::QuotedExcerpt(f[0]) +
                                         " is no radioactive member of the decay table");
            return false;
        }
        if (member != last && seen[*member]) {
            error = AtLine(row.line, "the rows of " + std::string(f[0]) + " do not stand together");
            return false;
        }
        const std::optional<double> energy = attenuation::ReadNumberField(f[1]);
        const std::optional<double> photons = attenuation::ReadNumberField(f[2]);
        if (!energy || !(*energy > 0.0) || !photons || !(*photons > 0.0) ||
            (f[3] != "gamma" && f[3] != "X" && f[3] != "annihilation")) {
            error = AtLine(row.line, "not an energy above 0, photons per decay above 0 and a "
                                     "kind (gamma, X, annihilation)");
            return false;
        }
        std::vector<PhotonLine>& lines = data.members[*member].lines;
        if (!lines.empty() && *energy < lines.back().energyMeV) {
            error = AtLine(row.line, "an energy below the one before");
            return false;
        }
        lines.push_back({*energy, *photons, std::string(f[3]), std::string(f[0])});
        seen[*member] = true;
        last = member;
    }
    return true;
}

std::optional<DecayData> ReadDecayData(const std::filesystem::path& root, std::string& error) {
    std::string decay;
    std::string emitters;
    for (const auto& [name, text] : {std::pair{kDecayFile, &decay}, {kEmittersFile, &emitters}}) {
        if (!data::ReadWholeFile(root / name, *text)) {
            error = std::string(name) + ": cannot be read";
            return std::nullopt;
        }
    }
    std::string problem;
    std::optional<DecayData> data = ParseDecayTable(decay, problem);
    if (!data) {
        error = std::string(kDecayFile) + ", " + problem;
        return std::nullopt;
    }
    if (!AddEmitterLines(emitters, *data, problem)) {
        error = std::string(kEmittersFile) + ", " + problem;
        return std::nullopt;
    }
    return data;
}

std::optional<std::vector<double>> StartingActivities(const DecayData& data, const Nuclide& nuclide,
                                                      double activityBq, bool fresh) {
    const std::optional<std::size_t> head = data.IndexOf(nuclide.name);
    if (!head) {
        return std::nullopt;
    }
    std::vector<double> start(data.members.size(), 0.0);
    start[*head] = activityBq;
    if (fresh) {
        return start;
    }
    // Members that emit a line of the nuclide's table, then every member on a path to one.
    std::vector<bool> held(data.members.size(), false);
    held[*head] = true;
    for (const PhotonLine& line : nuclide.lines) {
        if (const std::optional<std::size_t> emitter = data.IndexOf(line.emitter)) {
            held[*emitter] = true;
        }
    }
    const auto leadsToHeld = [&](const auto& self, std::size_t m) -> bool {
        bool any = held[m];
        for (const DecayBranch& branch : data.members[m].branches) {
            any = (branch.daughter && self(self, *branch.daughter)) || any;
        }
        return held[m] = any;
    };
    leadsToHeld(leadsToHeld, *head);
    // Each held member's activity per decay of the nuclide: the branchings summed over paths.
    std::vector<double> branching(data.members.size(), 0.0);
    const auto spread = [&](const auto& self, std::size_t m, double share) -> void {
        branching[m] += share;
        for (const DecayBranch& branch : data.members[m].branches) {
            if (branch.daughter) {
                self(self, *branch.daughter, share * branch.branching);
            }
        }
    };
    spread(spread, *head, 1.0);
    for (std::size_t m = 0; m < start.size(); ++m) {
        if (held[m] && !data.members[m].Stable()) {
            start[m] = activityBq * branching[m];
        }
    }
    return start;
}

std::vector<bool> MembersReached(const DecayData& data, std::span<const std::size_t> heads) {
    std::vector<bool> reached(data.members.size(), false);
    const auto reach = [&](const auto& self, std::size_t m) -> void {
        reached[m] = true;
        for (const DecayBranch& branch : data.members[m].branches) {
            if (branch.daughter && !reached[*branch.daughter]) {
                self(self, *branch.daughter);
            }
        }
    };
    for (const std::size_t head : heads) {
        if (head < reached.size() && !reached[head]) {
            reach(reach, head);
        }
    }
    return reached;
}

std::vector<double> ActivitiesAt(const DecayData& data, std::span<const double> startBq,
                                 double timeS) {
    return bateman(data, startBq, timeS, false);
}

std::vector<double> DecaysDuring(const DecayData& data, std::span<const double> startBq,
                                 double stayS) {
    return bateman(data, startBq, stayS, true);
}

double ExpDividedDifference(std::span<const double> x) {
    const std::size_t n = std::min(x.size(), kMostPoints);
    if (n == 0) {
        return 0.0;
    }
    std::array<double, kMostPoints> sorted{};
    std::copy_n(x.begin(), n, sorted.begin());
    std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n));
    // Newton's table, one column at a time: d[i] holds exp[x_i..x_{i+width}]. A run of points
    // less than 1 apart takes the series; wider runs the recursion, whose divisor is then at
    // least 1 and whose two terms, both positive, never cancel more than that divisor allows.
    std::array<double, kMostPoints> d{};
    for (std::size_t i = 0; i < n; ++i) {
        d[i] = std::exp(sorted[i]);
    }
    for (std::size_t width = 1; width < n; ++width) {
        for (std::size_t i = 0; i + width < n; ++i) {
            const double span = sorted[i + width] - sorted[i];
            d[i] = span < 1.0 ? clusterDifference(&sorted[i], width + 1) : (d[i + 1] - d[i]) / span;
        }
    }
    return d[0];
}

} // namespace shielding
