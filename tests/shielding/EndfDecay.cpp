#include "EndfDecay.h"

#include "attenuation/TextLines.h"
#include "data/CharConv.h"

#include <cmath>
#include <cstddef>

namespace endf {

namespace {

constexpr int kDecayFile = 8;
constexpr int kDecaySection = 457;
constexpr std::size_t kFieldWidth = 11;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int> readInteger(std::string_view field) {
    field = trimmed(field);
    int value = 0;
    if (field.empty()) {
        return 0;
    }
    const auto [end, problem] = data::FromChars(field.data(), field.data() + field.size(), value);
    if (problem != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

// The records of MF8/MT457, read in order: a CONT-like head and the items of LIST and TAB1.
class Section {
  public:
    Section(std::vector<std::string_view> lines, std::vector<std::size_t> numbers)
        : m_lines(std::move(lines)), m_numbers(std::move(numbers)) {}

    struct Head {
        double c1 = 0.0, c2 = 0.0;
        int l1 = 0, l2 = 0, n1 = 0, n2 = 0;
    };

    bool head(Head& out) {
        if (!line()) {
            return false;
        }
        const std::string_view text = m_lines[m_next++];
        const auto c1 = ReadNumber(text.substr(0, kFieldWidth));
        const auto c2 = ReadNumber(text.substr(kFieldWidth, kFieldWidth));
        std::optional<int> n[4];
        for (std::size_t k = 0; k < 4; ++k) {
            n[k] = readInteger(text.substr((2 + k) * kFieldWidth, kFieldWidth));
        }
        if (!c1 || !c2 || !n[0] || !n[1] || !n[2] || !n[3] || *n[2] < 0 || *n[3] < 0) {
            return fail("not a head record");
        }
        out = {*c1, *c2, *n[0], *n[1], *n[2], *n[3]};
        return true;
    }

    /// `count` floats, six to a line.
    bool items(std::size_t count, std::vector<double>& out) {
        out.clear();
        while (out.size() < count) {
            if (!line()) {
                return false;
            }
            const std::string_view text = m_lines[m_next++];
            for (std::size_t k = 0; k < 6 && out.size() < count; ++k) {
                const auto value = ReadNumber(text.substr(k * kFieldWidth, kFieldWidth));
                if (!value) {
                    --m_next;
                    return fail("field " + std::to_string(k + 1) + " is not a number");
                }
                out.push_back(*value);
            }
        }
        return true;
    }

    bool list(Head& h, std::vector<double>& values) {
        return head(h) && items(static_cast<std::size_t>(h.n1), values);
    }

    /// A TAB1 record: its interpolation pairs and points, kept by no one here.
    bool skipTable(Head& h) {
        std::vector<double> ignored;
        if (!head(h)) {
            return false;
        }
        const auto ranges = static_cast<std::size_t>(h.n1);
        m_next += (2 * ranges + 5) / 6;
        return items(2 * static_cast<std::size_t>(h.n2), ignored);
    }

    const std::string& error() const { return m_error; }

  private:
    bool line() {
        return m_next < m_lines.size() || fail("the section ends before its last record");
    }
    bool fail(const std::string& what) {
        const std::size_t at = m_next < m_numbers.size() ? m_numbers[m_next] : 0;
        m_error = "line " + std::to_string(at) + ": " + what;
        return false;
    }

    std::vector<std::string_view> m_lines;
    std::vector<std::size_t> m_numbers;
    std::size_t m_next = 0;
    std::string m_error;
};

} // namespace

std::optional<double> ReadNumber(std::string_view field) {
    std::string text(trimmed(field));
    if (text.empty()) {
        return 0.0;
    }
    // The exponent's sign follows the mantissa without an E: put the E back.
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char before = text[i - 1];
        if ((text[i] == '+' || text[i] == '-') && before != 'E' && before != 'e') {
            text.insert(i, 1, 'E');
            break;
        }
    }
    return attenuation::ReadNumberField(text);
}

std::optional<DecayData> ReadDecayData(std::string_view text, std::string& error) {
    std::vector<std::string_view> lines;
    std::vector<std::size_t> numbers;
    const std::vector<std::string_view> all = attenuation::SplitLines(text);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].size() < 75) {
            continue;
        }
        const auto mf = readInteger(all[i].substr(70, 2));
        const auto mt = readInteger(all[i].substr(72, 3));
        if (mf && mt && *mf == kDecayFile && *mt == kDecaySection) {
            lines.push_back(all[i]);
            numbers.push_back(i + 1);
        }
    }
    if (lines.empty()) {
        error = "no MF8/MT457 section";
        return std::nullopt;
    }
    Section section(std::move(lines), std::move(numbers));
    Section::Head h;
    std::vector<double> values;
    DecayData decay;
    const auto failed = [&]() {
        error = section.error();
        return std::nullopt;
    };
    // HEAD: ZA, AWR, LIS, LISO, NST (1 for a stable nucleus), NSP.
    if (!section.head(h)) {
        return failed();
    }
    decay.za = static_cast<int>(std::lround(h.c1));
    decay.isomer = h.l2;
    const bool stable = h.n1 == 1;
    const int spectra = h.n2;
    // The half-life and the mean decay energies, then SPI, PAR and the decay modes, six numbers
    // each: RTYP, RFS, Q, dQ, BR, dBR.
    if (!section.list(h, values)) {
        return failed();
    }
    decay.halfLifeS = h.c1;
    if (!section.list(h, values)) {
        return failed();
    }
    for (std::size_t k = 0; k + 5 < values.size(); k += 6) {
        decay.modes.push_back(
            {values[k], static_cast<int>(std::lround(values[k + 1])), values[k + 4]});
    }
    for (int s = 0; s < spectra && !stable; ++s) {
        // STYP, LCON (0 discrete lines only, 1 continuum only, 2 both), NER; FD first.
        if (!section.list(h, values) || values.empty()) {
            return failed();
        }
        Spectrum spectrum{static_cast<int>(std::lround(h.c2)), values[0], {}};
        const int continuum = h.l1;
        const int discrete = continuum == 1 ? 0 : h.n2;
        for (int line = 0; line < discrete; ++line) {
            if (!section.list(h, values) || values.size() < 3) {
                return failed();
            }
            spectrum.lines.push_back({h.c1, values[2]});
        }
        if (continuum != 0) {
            if (!section.skipTable(h)) {
                return failed();
            }
            if (h.l2 != 0 && !section.list(h, values)) { // LCOV: the continuum's covariances
                return failed();
            }
        }
        decay.spectra.push_back(std::move(spectrum));
    }
    return decay;
}

std::optional<std::pair<int, int>> ProductOf(const DecayData& parent, const DecayMode& mode) {
    int z = parent.za / 1000;
    int a = parent.za % 1000;
    // RTYP's digits are the steps in order: 1.5 is a beta- decay, then a neutron.
    std::string steps = std::to_string(std::lround(mode.type * 10000));
    while (steps.size() > 1 && steps.back() == '0') {
        steps.pop_back();
    }
    for (const char step : steps) {
        switch (step) {
        case '1':
            z += 1;
            break;
        case '2':
            z -= 1;
            break;
        case '3':
            break;
        case '4':
            z -= 2;
            a -= 4;
            break;
        case '5':
            a -= 1;
            break;
        case '7':
            z -= 1;
            a -= 1;
            break;
        default:
            return std::nullopt;
        }
    }
    return std::pair{1000 * z + a, mode.finalState};
}

} // namespace endf
