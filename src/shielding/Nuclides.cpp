#include "shielding/Nuclides.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "shielding/LibraryCsv.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <numeric>

namespace shielding {

namespace {

constexpr std::string_view kHeader =
    "nuclide,element,half_life,energy_mev,photons_per_decay,kind,emitter";
constexpr std::array<std::string_view, 5> kHalfLifeUnits = {"s", "min", "h", "d", "y"};
constexpr std::array<std::string_view, 4> kLineKinds = {"gamma", "X", "annihilation", ""};

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "Co-60", "Tc-99m": a symbol of one or two letters, '-', a mass number, an optional 'm'.
bool isNuclideName(std::string_view name) {
    std::size_t i = 0;
    if (i >= name.size() || !isUpper(name[i++])) {
        return false;
    }
    if (i < name.size() && isLower(name[i])) {
        ++i;
    }
    if (i >= name.size() || name[i++] != '-') {
        return false;
    }
    const std::size_t digits = i;
    while (i < name.size() && isDigit(name[i])) {
        ++i;
    }
    if (i == digits || i - digits > 3 || name[digits] == '0') {
        return false;
    }
    return i == name.size() || (i + 1 == name.size() && name[i] == 'm');
}

// "1925.28 d": a positive number, one blank, a unit of time.
bool isHalfLife(std::string_view text) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        return false;
    }
    const std::optional<double> value = attenuation::ReadNumberField(text.substr(0, blank));
    const std::string_view unit = text.substr(blank + 1);
    return value && *value > 0.0 &&
           std::find(kHalfLifeUnits.begin(), kHalfLifeUnits.end(), unit) != kHalfLifeUnits.end();
}

// A typed name as compared: lower case, without blanks, tabs, '-' and '_'.
std::string normalised(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '-' && c != '_') {
            out += isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return out;
}

// The two spellings a nuclide answers to, normalised: "co60" and "cobalt60".
std::array<std::string, 2> keysOf(const Nuclide& nuclide) {
    const std::size_t dash = nuclide.name.find('-');
    const std::string_view mass = dash == std::string::npos
                                      ? std::string_view()
                                      : std::string_view(nuclide.name).substr(dash);
    return {normalised(nuclide.name), normalised(nuclide.element) + normalised(mass)};
}

// Edits (insert, delete, replace, swap two neighbours) turning one text into the other: the
// swap makes "cs173" one edit from "cs137", as a typing slip is.
std::size_t editDistance(std::string_view a, std::string_view b) {
    const std::size_t width = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * width);
    const auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * width + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i) {
        at(i, 0) = i;
    }
    std::iota(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(width), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replace = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(a.size(), b.size());
}

} // namespace

std::optional<std::vector<Nuclide>> ParseNuclides(std::string_view text, std::string& error) {
    const std::optional<std::vector<CsvRow>> rows = ReadCsvRows(text, kHeader, error);
    if (!rows) {
        return std::nullopt;
    }
    const auto fail = [&](std::size_t line, const std::string& what) {
        error = AtLine(line, what);
        return std::nullopt;
    };
    std::vector<Nuclide> nuclides;
    for (const CsvRow& row : *rows) {
        const std::vector<std::string_view>& field = row.fields;
        if (!isNuclideName(field[0])) {
            return fail(row.line, "the nuclide " + attenuation::QuotedExcerpt(field[0]) +
                                      " is not a name like Co-60 or Tc-99m");
        }
        if (field[1].empty()) {
            return fail(row.line, "no element");
        }
        if (!isHalfLife(field[2])) {
            return fail(row.line, "the half-life " + attenuation::QuotedExcerpt(field[2]) +
                                      " is not a positive number and a unit (s, min, h, d, y)");
        }
        PhotonLine line;
        const std::optional<double> energy = attenuation::ReadNumberField(field[3]);
        const std::optional<double> photons = attenuation::ReadNumberField(field[4]);
        if (!energy || !(*energy > 0.0)) {
            return fail(row.line, "the energy " + attenuation::QuotedExcerpt(field[3]) +
                                      " is not a positive number");
        }
        if (!photons || !(*photons > 0.0)) {
            return fail(row.line, "the photons per decay " + attenuation::QuotedExcerpt(field[4]) +
                                      " are not a positive number");
        }
        if (std::find(kLineKinds.begin(), kLineKinds.end(), field[5]) == kLineKinds.end()) {
            return fail(row.line, "the kind " + attenuation::QuotedExcerpt(field[5]) +
                                      " is none of gamma, X, annihilation");
        }
        if (!field[6].empty() && !isNuclideName(field[6])) {
            return fail(row.line, "the emitter " + attenuation::QuotedExcerpt(field[6]) +
                                      " is not a name like Ba-137m");
        }
        line.energyMeV = *energy;
        line.photonsPerDecay = *photons;
        line.kind = std::string(field[5]);
        line.emitter = std::string(field[6]);
        if (nuclides.empty() || nuclides.back().name != field[0]) {
            const bool seen = std::any_of(nuclides.begin(), nuclides.end(),
                                          [&](const Nuclide& n) { return n.name == field[0]; });
            if (seen) {
                return fail(row.line,
                            "the rows of " + std::string(field[0]) + " do not stand together");
            }
            nuclides.push_back(
                Nuclide{std::string(field[0]), std::string(field[1]), std::string(field[2]), {}});
        } else if (nuclides.back().element != field[1]) {
            return fail(row.line,
                        "another element than the rows of " + nuclides.back().name + " above");
        } else if (nuclides.back().halfLife != field[2]) {
            return fail(row.line,
                        "another half-life than the rows of " + nuclides.back().name + " above");
        } else if (line.energyMeV < nuclides.back().lines.back().energyMeV) {
            return fail(row.line, "an energy below the one before");
        }
        nuclides.back().lines.push_back(std::move(line));
    }
    if (nuclides.empty()) {
        return fail(attenuation::SplitLines(text).size() + 1, "the file ends before the first row");
    }
    return nuclides;
}

std::optional<std::vector<Nuclide>> ReadNuclides(const std::filesystem::path& root,
                                                 std::string& error) {
    std::string text;
    if (!data::ReadWholeFile(root / kNuclidesFile, text)) {
        error = std::string(kNuclidesFile) + ": cannot be read";
        return std::nullopt;
    }
    std::string problem;
    std::optional<std::vector<Nuclide>> nuclides = ParseNuclides(text, problem);
    if (!nuclides) {
        error = std::string(kNuclidesFile) + ", " + problem;
    }
    return nuclides;
}

const Nuclide* FindNuclide(const std::vector<Nuclide>& nuclides, std::string_view name) {
    const std::string typed = normalised(name);
    if (typed.empty()) {
        return nullptr;
    }
    for (const Nuclide& nuclide : nuclides) {
        const std::array<std::string, 2> keys = keysOf(nuclide);
        if (typed == keys[0] || typed == keys[1]) {
            return &nuclide;
        }
    }
    return nullptr;
}

std::vector<std::string> ClosestNuclides(const std::vector<Nuclide>& nuclides,
                                         std::string_view name) {
    const std::string typed = normalised(name);
    // A slip or two in a short name, more in a long one; a name further off is no suggestion.
    const std::size_t most = std::max<std::size_t>(1, typed.size() / 3);
    std::vector<std::pair<std::size_t, const Nuclide*>> near;
    for (const Nuclide& nuclide : nuclides) {
        std::size_t distance = most + 1;
        for (const std::string& key : keysOf(nuclide)) {
            // No fewer edits than the lengths differ, so a long paste costs no table.
            const std::size_t apart =
                typed.size() > key.size() ? typed.size() - key.size() : key.size() - typed.size();
            if (apart <= most) {
                distance = std::min(distance, editDistance(typed, key));
            }
        }
        if (!typed.empty() && distance <= most) {
            near.emplace_back(distance, &nuclide);
        }
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> names;
    for (std::size_t i = 0; i < near.size() && i < 3; ++i) {
        names.push_back(near[i].second->name);
    }
    return names;
}

} // namespace shielding
