#pragma once

// Checks of the fuzz targets: a failed property prints what was expected and aborts, which
// libFuzzer reports as a finding and saves the input that caused it.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzzing {

[[noreturn]] inline void fail(const char* file, int line, const char* condition,
                              const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: property broken: %s\n  %s\n", file, line, condition,
                 detail.c_str());
    std::abort();
}

/// A text shown with its control bytes escaped, for messages.
inline std::string printable(std::string_view text, std::size_t limit = 200) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            static const char* const hex = "0123456789abcdef";
            out += "\\x";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    if (text.size() > limit) {
        out += "...";
    }
    return out;
}

/// The double as the shortest text that reads back exactly.
inline std::string exact(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace fuzzing

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::fuzzing::fail(__FILE__, __LINE__, #condition, (detail));                             \
        }                                                                                          \
    } while (false)
