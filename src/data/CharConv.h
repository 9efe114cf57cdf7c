#pragma once

#include <charconv>
#include <cstring>
#include <type_traits>

namespace data {

// Number text and doubles, the same on every standard library. Where the library converts
// floating point itself (__cpp_lib_to_chars) the calls go straight to std::to_chars and
// std::from_chars; elsewhere (the WebAssembly build's libc++) they go through the C library's
// correctly rounded snprintf and strtod, wrapped so that they accept and write exactly what the
// std functions do, whatever the C locale.

/// The shortest text that reads back to `value`, fixed or scientific, whichever is shorter.
std::to_chars_result ToChars(char* first, char* last, double value);
/// `precision` digits after the point in fixed or scientific format; `precision` significant
/// digits in general format, the shorter of the two (as printf's %g).
std::to_chars_result ToChars(char* first, char* last, double value, std::chars_format format,
                             int precision);
/// A double from [first, last) in fixed or general format: an optional '-', digits with an
/// optional point, in general format an optional exponent, or inf/infinity/nan; no blanks and
/// no '+'. result_out_of_range, with `value` untouched, when the number overflows or underflows.
std::from_chars_result FromChars(const char* first, const char* last, double& value,
                                 std::chars_format format = std::chars_format::general);

/// Integers convert alike on every library.
template <typename Integer, typename = std::enable_if_t<std::is_integral_v<Integer>>>
std::from_chars_result FromChars(const char* first, const char* last, Integer& value) {
    return std::from_chars(first, last, value);
}

/// std::bit_cast, which not every library has yet.
template <typename To, typename From> To BitCast(const From& from) {
    static_assert(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
                  std::is_trivially_copyable_v<From>);
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

namespace detail {
// The C-library versions, built everywhere so that they can be checked against the std ones.
std::to_chars_result ToCharsByPrintf(char* first, char* last, double value);
std::to_chars_result ToCharsByPrintf(char* first, char* last, double value,
                                     std::chars_format format, int precision);
std::from_chars_result FromCharsByStrtod(const char* first, const char* last, double& value,
                                         std::chars_format format);
} // namespace detail

} // namespace data
