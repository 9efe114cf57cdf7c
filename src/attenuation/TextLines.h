#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace attenuation {

/// The lines of a text: CR LF, LF and a lone CR all end a line; no empty last line for a text
/// that ends with a line end.
std::vector<std::string_view> SplitLines(std::string_view text);

/// The words of a line, separated by blanks and tabs.
std::vector<std::string_view> SplitBlanks(std::string_view line);

/// The layers of a stack as typed: words separated by blanks, tabs, semicolons or commas
/// ("Pb@0.1, Water_Liquid@10"). A comma before the '@' of a "mix:" material belongs to its
/// expression ("mix:H2O=0.7,C2H5OH=0.3@1"). The words are views into `text`.
std::vector<std::string_view> SplitLayerList(std::string_view text);

/// A whole field as one decimal number (optional sign, digits with an optional point, optional
/// exponent after E or e), read the same under every locale; empty for anything else, and for a
/// number beyond the range of a double.
std::optional<double> ReadNumberField(std::string_view field);

/// The text without the UTF-8 byte-order mark a spreadsheet may put in front.
std::string_view WithoutByteOrderMark(std::string_view text);

/// The fields of a line of numbers as people save it: separated by blanks, tabs, ';' or ','.
/// In a line that holds a ';' the comma separates nothing (it may be a decimal comma, which
/// then makes its field no number rather than two numbers).
std::vector<std::string_view> SplitFields(std::string_view line);
/// The same into `fields`, which is emptied first, so that a reader of many lines reuses it.
void SplitFields(std::string_view line, std::vector<std::string_view>& fields);

/// True for a line of words, such as a header ("energy;counts"): printable text in which no
/// field begins like a number or is a number's word (nan, inf).
bool IsWordLine(std::string_view line, const std::vector<std::string_view>& fields);

/// A field for a message: in quotes, at most 24 characters, every byte that is not printable
/// text written as \xNN.
std::string QuotedExcerpt(std::string_view field);

/// The text of a decimal number with its point moved `places` to the right (to the left when
/// negative): "662" and -3 give "0.662", "6.62E2" and -3 give "0.00662E2". The digits are kept
/// as typed, so the number read from the result is the correctly rounded value of the shifted
/// decimal. `number` must be a number (sign, digits, optional point, optional exponent).
std::string ShiftDecimalPoint(std::string_view number, int places);

/// A field in keV read as MeV: the decimal point is moved in the text before it is read, so
/// that "59.54" gives exactly the double "0.05954" gives (59.54 / 1000 differs in the last
/// bit). Empty where ReadNumberField would refuse the field.
std::optional<double> ReadKeVAsMeV(std::string_view field);

/// A typed energy in the other unit, from MeV to keV (`toKeV`) or back: the decimal point moved
/// three places by ShiftDecimalPoint, or the exponent changed by three when the text has one,
/// and the zeros that then lead or trail dropped ("0.662" gives "662", "6.62E2" gives "6.62E-1").
/// Read in the new unit the result gives the very double the field gave in the old. Empty when
/// ReadNumberField refuses the field.
std::optional<std::string> EnergyInOtherUnit(std::string_view field, bool toKeV);

/// Every energy of a typed text in the other unit, by EnergyInOtherUnit: each word between
/// blanks, line ends, commas and semicolons that is a number, and the energy E of an "E=Y" line
/// (after a "name:" in front, as in "lines:0.662=0.851"). Words that are no number and the
/// separators stay as typed.
std::string EnergiesInOtherUnit(std::string_view text, bool toKeV);

} // namespace attenuation
