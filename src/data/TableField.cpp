#include "data/TableField.h"

#include "data/NumericText.h"

#include <array>

namespace data {

namespace {

// Every power of ten up to 1E+22 is exact in a double.
constexpr std::array<double, 23> kPowersOfTen{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
int digitValue(char c) { return c - '0'; }

bool isWrittenForm(std::string_view f) {
    return f.size() == 9 && isDigit(f[0]) && f[1] == '.' && isDigit(f[2]) && isDigit(f[3]) &&
           isDigit(f[4]) && f[5] == 'E' && (f[6] == '+' || f[6] == '-') && isDigit(f[7]) &&
           isDigit(f[8]);
}

} // namespace

double TableFieldValue(std::string_view field) {
    if (isWrittenForm(field)) {
        // The field is the whole number mantissa x 10^scale. With both factors exact, one IEEE
        // multiplication or division rounds the exact decimal value once, to nearest, which is
        // the double the general conversion finds too.
        const int mantissa = digitValue(field[0]) * 1000 + digitValue(field[2]) * 100 +
                             digitValue(field[3]) * 10 + digitValue(field[4]);
        const int exponent = digitValue(field[7]) * 10 + digitValue(field[8]);
        const int scale = (field[6] == '-' ? -exponent : exponent) - 3;
        if (scale >= 0 && scale <= kLargestExactPower) {
            return static_cast<double>(mantissa) * kPowersOfTen[static_cast<std::size_t>(scale)];
        }
        if (scale < 0 && scale >= -kLargestExactPower) {
            return static_cast<double>(mantissa) / kPowersOfTen[static_cast<std::size_t>(-scale)];
        }
    }
    return NumericValue(field);
}

} // namespace data
