#include "decay_library.h"

#include "source_table.h"

#include "attenuation/TextLines.h"
#include "data/CharConv.h"
#include "data/MaterialFile.h"
#include "shielding/Decay.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace shielding::importing {

namespace {

using ::importing::Place;
using ::importing::ReadSourceTable;
using Record = ::importing::SourceRecord;

constexpr std::string_view kChains = "nuclides/chains.csv";
constexpr std::string_view kChainsHeader =
    "chain,parent,daughter,branching,parent_half_life_s,daughter_half_life_s,mode";

const std::vector<std::string> kDecayComments = {
    "# Decay chains: each member's half-life (s) and the ways it decays, with the branching to",
    "# each daughter; stable members end a chain, members of mode end (half-life above 1e5 y)",
    "# are not followed. Written by shielding_import from data/nuclides; regenerate rather than",
    "# edit. Radioactive decay data: ENDF/B-VIII.1 decay sublibrary (NNDC, Brookhaven National",
    "# Laboratory, for CSEWG), derived from ENSDF; D. A. Brown et al., Nucl. Data Sheets 148, 1",
    "# (2018).",
};

const std::vector<std::string> kEmittersComments = {
    "# Photon lines of each radioactive chain member per its own decay: energy (MeV), photons per",
    "# decay, kind; lines of at least 1 keV and 1e-5 per decay. Written by shielding_import from",
    "# data/nuclides/endf; regenerate rather than edit. Radionuclide photon emission data:",
    "# ENDF/B-VIII.1 decay sublibrary (NNDC, Brookhaven National Laboratory, for CSEWG), derived",
    "# from ENSDF; D. A. Brown et al., Nucl. Data Sheets 148, 1 (2018).",
};

std::string joinWithLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

// An 11-column ENDF number: " 1.173228+6" is 1.173228E+6, a blank field 0.
std::optional<double> endfNumber(std::string_view field) {
    std::string text;
    for (const char c : field) {
        if (c != ' ') {
            text += c;
        }
    }
    if (text.empty()) {
        return 0.0;
    }
    for (std::size_t i = text.size(); i-- > 1;) {
        if ((text[i] == '+' || text[i] == '-') &&
            (std::isdigit(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '.')) {
            text.insert(i, "E");
            break;
        }
    }
    if (text.front() == '+') {
        text.erase(0, 1);
    }
    if (const std::size_t plus = text.find("E+"); plus != std::string::npos) {
        text.erase(plus + 1, 1);
    }
    double value = 0.0;
    const auto [end, ec] = data::FromChars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() ? std::optional(value)
                                                                 : std::nullopt;
}

// The records of the section in order: six fields of 11 columns a line.
class Section {
  public:
    explicit Section(std::vector<std::string_view> lines) : m_lines(std::move(lines)) {}

    bool Head(std::array<double, 6>& head) {
        if (m_next >= m_lines.size()) {
            return false;
        }
        const std::string_view line = m_lines[m_next++];
        for (std::size_t k = 0; k < 6; ++k) {
            const std::optional<double> value = endfNumber(field(line, k));
            if (!value) {
                return false;
            }
            head[k] = *value;
        }
        return true;
    }

    bool Items(std::size_t count, std::vector<double>& items) {
        items.clear();
        while (items.size() < count) {
            if (m_next >= m_lines.size()) {
                return false;
            }
            const std::string_view line = m_lines[m_next++];
            for (std::size_t k = 0; k < 6 && items.size() < count; ++k) {
                const std::optional<double> value = endfNumber(field(line, k));
                if (!value) {
                    return false;
                }
                items.push_back(*value);
            }
        }
        return true;
    }

    bool List(std::array<double, 6>& head, std::vector<double>& items) {
        return Head(head) && Items(static_cast<std::size_t>(head[4]), items);
    }

    void Skip(std::size_t lines) { m_next += lines; }

  private:
    static std::string_view field(std::string_view line, std::size_t k) {
        return k * 11 < line.size() ? line.substr(k * 11, 11) : std::string_view();
    }

    std::vector<std::string_view> m_lines;
    std::size_t m_next = 0;
};

// "9.492526e+08" read back, for comparing with a file's half-life to the digits given.
bool roundsTo(double value, std::string_view text) {
    const std::optional<double> given = attenuation::ReadNumberField(text);
    return given && std::abs(value - *given) <= 5e-7 * std::abs(*given);
}

std::string formatted(double value, int digits) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return buffer;
}

} // namespace

bool ReadEndfDecay(std::string_view text, EndfDecay& decay, std::string& error) {
    std::vector<std::string_view> lines;
    for (const std::string_view line : attenuation::SplitLines(text)) {
        if (line.size() >= 75 &&
            attenuation::SplitBlanks(line.substr(70, 2)) == std::vector<std::string_view>{"8"} &&
            attenuation::SplitBlanks(line.substr(72, 3)) == std::vector<std::string_view>{"457"}) {
            lines.push_back(line);
        }
    }
    Section section(std::move(lines));
    std::array<double, 6> head{};
    std::vector<double> items;
    const auto fail = [&](const char* what) {
        error = std::string("the MF8/MT457 section ") + what;
        return false;
    };
    if (!section.Head(head)) {
        return fail("is missing");
    }
    decay = EndfDecay{};
    decay.za = static_cast<int>(std::lround(head[0]));
    decay.isomer = static_cast<int>(head[3]);
    decay.stable = head[4] != 0.0;
    const int spectra = static_cast<int>(head[5]);
    if (!section.List(head, items)) {
        return fail("ends before the half-life");
    }
    decay.halfLifeS = head[0];
    if (!section.List(head, items)) {
        return fail("ends before the decay modes");
    }
    for (int s = 0; s < (decay.stable ? 0 : spectra); ++s) {
        if (!section.List(head, items) || items.empty()) {
            return fail("ends inside a spectrum");
        }
        const int type = static_cast<int>(head[1]);
        const int continuum = static_cast<int>(head[2]);
        const int count = static_cast<int>(head[5]);
        const double normalisation = items[0];
        std::vector<double> line;
        for (int n = 0; n < (continuum != 1 ? count : 0); ++n) {
            std::array<double, 6> lineHead{};
            if (!section.List(lineHead, line) || line.size() < 3) {
                return fail("ends inside a discrete line");
            }
            decay.lines.push_back({type, lineHead[0], normalisation * line[2]});
        }
        if (continuum != 0) { // a TAB1 continuum, then its covariances when LCOV says so
            std::array<double, 6> table{};
            if (!section.Head(table)) {
                return fail("ends inside a continuum");
            }
            section.Skip(static_cast<std::size_t>((2 * table[4] + 5) / 6) +
                         static_cast<std::size_t>((2 * table[5] + 5) / 6));
            if (table[3] != 0.0 && !section.List(head, items)) {
                return fail("ends inside a covariance");
            }
        }
    }
    return true;
}

std::filesystem::path EndfFileOf(const std::filesystem::path& folder, std::string_view member) {
    const std::size_t dash = member.find('-');
    if (dash == std::string_view::npos) {
        return {};
    }
    const bool isomer = member.back() == 'm';
    std::string mass(member.substr(dash + 1, member.size() - dash - 1 - (isomer ? 1 : 0)));
    mass.insert(0, mass.size() < 3 ? 3 - mass.size() : 0, '0');
    const std::string ending =
        "_" + std::string(member.substr(0, dash)) + "_" + mass + (isomer ? "m1" : "") + ".endf";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("dec-") && name.size() == 7 + ending.size() &&
            name.ends_with(ending)) {
            return entry.path();
        }
    }
    return {};
}

std::string FormatDecayFile(std::string_view chainsCsv, std::string& error) {
    const std::optional<std::vector<Record>> rows =
        ReadSourceTable(chainsCsv, kChains, kChainsHeader, error);
    if (!rows) {
        return {};
    }
    struct Member {
        std::string halfLife;          ///< as the chains give it, "stable" for a stable one
        std::vector<std::string> ways; ///< "daughter,branching,mode" per way it decays
        std::string firstChain;        ///< the chain whose rows gave the ways
        std::vector<std::string> origins;
    };
    std::vector<std::string> order;
    std::map<std::string, Member> members;
    const auto note = [&](const std::string& name, const std::string& halfLife,
                          const std::string& where) {
        auto [found, added] = members.try_emplace(name);
        if (added) {
            order.push_back(name);
            found->second.halfLife = halfLife;
        } else if (found->second.halfLife != halfLife) {
            error = where + "the half-life of " + name + " is " +
                    attenuation::QuotedExcerpt(halfLife) + ", above " +
                    attenuation::QuotedExcerpt(found->second.halfLife);
            return false;
        }
        return true;
    };
    // Each member's ways, per chain: they must be the same in every chain that names them.
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> waysInChain;
    for (const Record& record : *rows) {
        const std::vector<std::string>& f = record.fields;
        const std::string where = Place(kChains, record.line);
        if (!note(f[1], f[4], where) ||
            (f[2] != "SF" && !note(f[2], f[5].empty() ? "stable" : f[5], where))) {
            return {};
        }
        waysInChain[{f[0], f[1]}].push_back((f[2] == "SF" ? "" : f[2]) + "," + f[3] + "," + f[6]);
        Member& parent = members[f[1]];
        if (parent.firstChain.empty() || parent.firstChain == f[0]) {
            parent.firstChain = f[0];
            parent.ways = waysInChain[{f[0], f[1]}];
            parent.origins.push_back(where);
        }
    }
    for (const auto& [key, ways] : waysInChain) {
        if (ways != members[key.second].ways) {
            error = std::string(kChains) + ": the chain " + key.first + " gives " + key.second +
                    " other ways to decay than the chain " + members[key.second].firstChain;
            return {};
        }
    }
    std::vector<std::string> out = kDecayComments;
    out.emplace_back("nuclide,half_life_s,daughter,branching,mode");
    for (const std::string& name : order) {
        const Member& member = members[name];
        if (!member.ways.empty()) {
            for (const std::string& way : member.ways) {
                out.push_back(name + "," + member.halfLife + "," + way);
            }
        } else if (member.halfLife == "stable") {
            out.push_back(name + ",stable,,,");
        } else {
            out.push_back(name + "," + member.halfLife + ",,,end");
        }
    }
    std::string text = joinWithLf(out);
    std::string problem;
    if (!ParseDecayTable(text, problem)) {
        error = "the decay table made from " + std::string(kChains) + " does not read back (" +
                problem + ")";
        return {};
    }
    return text;
}

std::string FormatEmittersFile(std::string_view decayCsv, const std::filesystem::path& endfFolder,
                               std::string& error) {
    std::string problem;
    const std::optional<DecayData> data = ParseDecayTable(decayCsv, problem);
    if (!data) {
        error = "the decay table: " + problem;
        return {};
    }
    std::vector<std::string> out = kEmittersComments;
    out.emplace_back("emitter,energy_mev,photons_per_decay,kind");
    for (const ChainMember& member : data->members) {
        if (member.Stable()) {
            continue;
        }
        const std::filesystem::path file = EndfFileOf(endfFolder, member.name);
        std::string text;
        if (file.empty() || !data::ReadWholeFile(file, text)) {
            error = "nuclides/endf: no decay file of " + member.name;
            return {};
        }
        EndfDecay decay;
        if (!ReadEndfDecay(text, decay, problem)) {
            error = file.filename().string() + ": " + problem;
            return {};
        }
        if (decay.stable || !roundsTo(decay.halfLifeS, formatted(member.halfLifeS, 7))) {
            error = file.filename().string() + ": the half-life " + formatted(decay.halfLifeS, 9) +
                    " s is not the chains' " + formatted(member.halfLifeS, 7) + " s";
            return {};
        }
        std::vector<EndfLine> kept;
        for (const EndfLine& line : decay.lines) {
            if ((line.spectrumType == 0 || line.spectrumType == 9) && line.energyEv >= 1000.0 &&
                line.perDecay >= 1e-5) {
                kept.push_back(line);
            }
        }
        std::stable_sort(kept.begin(), kept.end(), [](const EndfLine& a, const EndfLine& b) {
            return a.energyEv < b.energyEv;
        });
        for (const EndfLine& line : kept) {
            const bool annihilation =
                line.spectrumType == 9 && std::abs(line.energyEv - 510998.95) < 500.0;
            out.push_back(member.name + "," + formatted(line.energyEv / 1e6, 9) + "," +
                          formatted(line.perDecay, 6) + "," +
                          (line.spectrumType == 0 ? "gamma"
                           : annihilation         ? "annihilation"
                                                  : "X"));
        }
    }
    std::string text = joinWithLf(out);
    DecayData check = *data;
    if (!AddEmitterLines(text, check, problem)) {
        error = "the emitter file made does not read back (" + problem + ")";
        return {};
    }
    return text;
}

} // namespace shielding::importing
