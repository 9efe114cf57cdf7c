#include "material/Formula.h"

#include "data/CharConv.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

namespace material {

namespace {

constexpr std::array<std::string_view, kHighestAtomicNumber + 1> kSymbols = {
    "",   "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si",
    "P",  "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu",
    "Zn", "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru",
    "Rh", "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr",
    "Nd", "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",
    "Re", "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac",
    "Th", "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm"};

// The UTF-8 middle dot, U+00B7, and the dot operator, U+22C5, that web pages also use.
constexpr std::string_view kMiddleDot = "\xC2\xB7";
constexpr std::string_view kDotOperator = "\xE2\x8B\x85";
// Subscript digits U+2080..U+2089 share these two leading bytes; the third is 0x80 + digit.
constexpr std::string_view kSubscriptLead = "\xE2\x82";

bool isBlankByte(char c) { return c == ' ' || c == '\t'; }

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// Atoms by atomic number, in order of first appearance.
using Counts = std::vector<std::pair<int, double>>;

void add(Counts& counts, int z, double atoms) {
    for (auto& [known, sum] : counts) {
        if (known == z) {
            sum += atoms;
            return;
        }
    }
    counts.emplace_back(z, atoms);
}

void merge(Counts& into, const Counts& from, double times) {
    for (const auto& [z, atoms] : from) {
        add(into, z, atoms * times);
    }
}

/// An open bracket and what stands inside it so far; the bottom frame is the current part.
struct Frame {
    Counts counts;
    char closer = 0;
    std::size_t open = 0;
};

class Parser {
  public:
    // Blanks around the formula are dropped and subscript digits read as digits, each one
    // character for one, so that a position counted in the typed text stays right.
    explicit Parser(std::string_view text) {
        while (!text.empty() && isBlankByte(text.front())) {
            text.remove_prefix(1);
            ++m_skipped;
        }
        while (!text.empty() && isBlankByte(text.back())) {
            text.remove_suffix(1);
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto third = i + 2 < text.size() ? static_cast<unsigned char>(text[i + 2]) : 0u;
            if (text.substr(i, 2) == kSubscriptLead && third >= 0x80u && third <= 0x89u) {
                m_ascii += static_cast<char>('0' + (third - 0x80u));
                i += 2;
            } else {
                m_ascii += text[i];
            }
        }
        m_text = m_ascii;
    }

    FormulaResult run() {
        FormulaResult result;
        if (m_text.empty()) {
            return fail("the formula is empty", 0);
        }
        Counts total;
        std::vector<Frame> stack(1);
        double partCount = 1.0;
        bool afterSeparator = false;
        if (!leadingCount(partCount)) {
            return m_result;
        }
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            const std::size_t at = m_pos;
            if (isUpper(c)) {
                if (!element(stack.back().counts, stack.size() == 1)) {
                    return m_result;
                }
            } else if (c == '(' || c == '[') {
                stack.push_back(Frame{{}, c == '(' ? ')' : ']', at});
                ++m_pos;
            } else if (c == ')' || c == ']') {
                if (stack.size() == 1) {
                    return fail(std::string("the bracket '") + c + "' closes nothing", at);
                }
                Frame inner = std::move(stack.back());
                stack.pop_back();
                if (c != inner.closer) {
                    return fail(std::string("the bracket '") + c + "' does not match '" +
                                    m_text[inner.open] + "' at character " +
                                    std::to_string(characterAt(inner.open)),
                                at);
                }
                if (inner.counts.empty()) {
                    return fail("the brackets hold no element", inner.open);
                }
                ++m_pos;
                double times = 1.0;
                if (!optionalCount(times, inner.open, stack.size() == 1)) {
                    return m_result;
                }
                merge(stack.back().counts, inner.counts, times);
            } else if (const std::size_t width = separatorAt(at); width > 0) {
                if (stack.size() > 1) {
                    return fail("a hydrate point cannot stand inside brackets", at);
                }
                if (stack.back().counts.empty()) {
                    return fail("no element before this point", at);
                }
                merge(total, stack.back().counts, partCount);
                stack.back().counts.clear();
                m_pos += width;
                afterSeparator = true;
                partCount = 1.0;
                if (!leadingCount(partCount)) {
                    return m_result;
                }
            } else if (isDigit(c)) {
                return fail("a count must follow an element or a closing bracket", at);
            } else if (c == '-' || c == '+') {
                return fail(std::string("'") + c + "': counts cannot be negative and charges " +
                                "are not part of a formula",
                            at);
            } else if (isLower(c)) {
                return fail(std::string("'") + c +
                                "' is not an element symbol (symbols begin with a capital letter)",
                            at);
            } else {
                return fail("unexpected character '" + std::string(characterText(at)) + "'", at);
            }
        }
        if (stack.size() > 1) {
            return fail(std::string("the bracket '") + m_text[stack.back().open] +
                            "' is not closed",
                        stack.back().open);
        }
        if (stack.back().counts.empty()) {
            return fail(afterSeparator ? "no element after the last point"
                                       : "the formula holds no element",
                        m_text.size());
        }
        merge(total, stack.back().counts, partCount);
        if (m_twoWays.has_value()) {
            return fail(twoWaysMessage(), *m_twoWays);
        }
        for (const auto& [z, atoms] : total) {
            if (!std::isfinite(atoms)) {
                return fail("the counts are too large", 0);
            }
            result.elements.push_back({z, std::string(ElementSymbol(z)), atoms});
        }
        return result;
    }

  private:
    FormulaResult fail(std::string message, std::size_t byteOffset) {
        m_result = FormulaResult{};
        m_result.error = std::move(message);
        m_result.position = characterAt(byteOffset) + m_skipped;
        return m_result;
    }

    // 1-based character number of a byte offset: UTF-8 continuation bytes start no character.
    int characterAt(std::size_t byteOffset) const {
        int characters = 1;
        for (std::size_t i = 0; i < byteOffset && i < m_text.size(); ++i) {
            if ((static_cast<unsigned char>(m_text[i]) & 0xC0u) != 0x80u) {
                ++characters;
            }
        }
        return characters;
    }

    // The whole UTF-8 character at a byte offset, for messages.
    std::string_view characterText(std::size_t at) const {
        std::size_t end = at + 1;
        while (end < m_text.size() && (static_cast<unsigned char>(m_text[end]) & 0xC0u) == 0x80u) {
            ++end;
        }
        return m_text.substr(at, end - at);
    }

    std::size_t separatorAt(std::size_t at) const {
        if (m_text[at] == '*' || m_text[at] == '.') {
            return 1;
        }
        for (const std::string_view dot : {kMiddleDot, kDotOperator}) {
            if (m_text.substr(at, dot.size()) == dot) {
                return dot.size();
            }
        }
        return 0;
    }

    // The refusal of the first point that reads both ways: "CuSO4.5H2O" is CuSO4·5H2O or, with
    // the decimal count in brackets, CuS(O4.5)H2O.
    std::string twoWaysMessage() const {
        const Ambiguity& a = m_ambiguity;
        const std::string_view before = m_text.substr(0, a.point);
        const std::string_view after = m_text.substr(a.point + 1);
        const std::string_view counted = m_text.substr(a.item, a.fractionEnd - a.item);
        return "write " + std::string(before) + "\xC2\xB7" + std::string(after) + " or " +
               std::string(before) + "*" + std::string(after) + " for a hydrate, or " +
               std::string(m_text.substr(0, a.item)) + "(" + std::string(counted) + ")" +
               std::string(m_text.substr(a.fractionEnd)) +
               " for a decimal count, as the point in '" +
               std::string(m_text.substr(a.whole, a.fractionEnd - a.whole)) + "' reads both ways";
    }

    bool element(Counts& counts, bool topLevel) {
        const std::size_t at = m_pos;
        std::size_t length = 1;
        if (at + 1 < m_text.size() && isLower(m_text[at + 1])) {
            length = 2;
        }
        const std::string_view symbol = m_text.substr(at, length);
        const int z = AtomicNumber(symbol);
        if (z == 0) {
            fail("unknown element symbol '" + std::string(symbol) + "'", at);
            return false;
        }
        m_pos += length;
        double atoms = 1.0;
        if (!optionalCount(atoms, at, topLevel)) {
            return false;
        }
        add(counts, z, atoms);
        return true;
    }

    // The count in front of a part: a point in it can only be a decimal point.
    bool leadingCount(double& count) { return optionalCount(count, std::string_view::npos, false); }

    // A count where one may stand: digits with an optional decimal part. After the element or
    // group that starts at `item`, a point between digits could also join a hydrate
    // ("CuSO4.5H2O"): it reads both ways when the point stands outside brackets, both counts are
    // above 0 and an element or a bracket follows. The first such point is kept, the decimal
    // reading taken, and a formula that parses to its end is then refused as one that says two
    // things. Every other point between digits is a decimal point.
    bool optionalCount(double& count, std::size_t item, bool topLevel) {
        const std::size_t start = m_pos;
        std::size_t end = start;
        while (end < m_text.size() && isDigit(m_text[end])) {
            ++end;
        }
        if (end == start) {
            return true;
        }
        if (end + 1 < m_text.size() && m_text[end] == '.' && isDigit(m_text[end + 1])) {
            std::size_t fraction = end + 1;
            while (fraction < m_text.size() && isDigit(m_text[fraction])) {
                ++fraction;
            }
            const bool wholeIsZero =
                m_text.substr(start, end - start).find_first_not_of('0') == std::string_view::npos;
            const bool fractionIsZero =
                m_text.substr(end + 1, fraction - end - 1).find_first_not_of('0') ==
                std::string_view::npos;
            const bool formulaFollows =
                fraction < m_text.size() &&
                (isUpper(m_text[fraction]) || m_text[fraction] == '(' || m_text[fraction] == '[');
            if (topLevel && item != std::string_view::npos && !wholeIsZero && !fractionIsZero &&
                formulaFollows && !m_twoWays.has_value()) {
                m_twoWays = end;
                m_ambiguity = {item, start, end, fraction};
            }
            end = fraction;
        }
        const std::string_view digits = m_text.substr(start, end - start);
        double value = 0.0;
        const auto [stop, error] = data::FromChars(digits.data(), digits.data() + digits.size(),
                                                   value, std::chars_format::fixed);
        if (error != std::errc() || stop != digits.data() + digits.size() ||
            !std::isfinite(value)) {
            fail("the count '" + std::string(digits) + "' is too large", start);
            return false;
        }
        if (!(value > 0.0)) {
            fail("a count must be greater than 0", start);
            return false;
        }
        count = value;
        m_pos = end;
        return true;
    }

    /// Where a point that reads two ways stands: the counted element or group, its count's
    /// first digit, the point, and the end of the digits after it.
    struct Ambiguity {
        std::size_t item = 0;
        std::size_t whole = 0;
        std::size_t point = 0;
        std::size_t fractionEnd = 0;
    };

    std::string m_ascii;
    std::string_view m_text;
    int m_skipped = 0; ///< blanks dropped in front
    std::size_t m_pos = 0;
    FormulaResult m_result;
    std::optional<std::size_t> m_twoWays; ///< the point, for the message's position
    Ambiguity m_ambiguity;
};

} // namespace

std::string_view ElementSymbol(int atomicNumber) {
    if (atomicNumber < 1 || atomicNumber > kHighestAtomicNumber) {
        return {};
    }
    return kSymbols[static_cast<std::size_t>(atomicNumber)];
}

int AtomicNumber(std::string_view symbol) {
    for (int z = 1; z <= kHighestAtomicNumber; ++z) {
        if (kSymbols[static_cast<std::size_t>(z)] == symbol) {
            return z;
        }
    }
    return 0;
}

FormulaResult ParseFormula(std::string_view text) { return Parser(text).run(); }

} // namespace material
