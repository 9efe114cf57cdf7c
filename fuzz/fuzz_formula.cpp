// The formula parser on any bytes: it either names a place in the text, or gives each element
// once, with a known symbol and a positive finite count; and the same text always parses alike.

#include "FuzzCheck.h"

#include "material/Formula.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const material::FormulaResult parsed = material::ParseFormula(text);
    if (!parsed.ok()) {
        std::size_t characters = 0;
        for (const char c : text) {
            characters += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u ? 1 : 0;
        }
        FUZZ_CHECK(parsed.elements.empty(), fuzzing::printable(text));
        FUZZ_CHECK(parsed.position >= 1 &&
                       static_cast<std::size_t>(parsed.position) <= characters + 1,
                   fuzzing::printable(text) + " position " + std::to_string(parsed.position));
        return 0;
    }
    FUZZ_CHECK(!parsed.elements.empty(), fuzzing::printable(text));
    for (std::size_t i = 0; i < parsed.elements.size(); ++i) {
        const material::FormulaElement& element = parsed.elements[i];
        FUZZ_CHECK(material::ElementSymbol(element.z) == element.symbol, fuzzing::printable(text));
        FUZZ_CHECK(std::isfinite(element.atoms) && element.atoms > 0.0,
                   fuzzing::printable(text) + " atoms " + fuzzing::exact(element.atoms));
        for (std::size_t k = 0; k < i; ++k) {
            FUZZ_CHECK(parsed.elements[k].z != element.z, fuzzing::printable(text));
        }
        // Every symbol the parser reports stands in the text.
        FUZZ_CHECK(text.find(element.symbol) != std::string_view::npos, fuzzing::printable(text));
    }
    const material::FormulaResult again = material::ParseFormula(text);
    FUZZ_CHECK(again.elements.size() == parsed.elements.size(), fuzzing::printable(text));
    return 0;
}
