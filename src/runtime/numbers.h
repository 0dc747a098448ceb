#pragma once
// Reading numbers out of text, converting them to integers and writing them back, the
// way the language runtime does, independent of the locale.
#include <cstdint>
#include <string>
#include <string_view>

namespace glimra::runtime {

// The leading number of a text, as a double; 0 when the text has none.
//
// Grammar: blanks (space, tab, CR, LF) are skipped, then an optional sign, digits and at
// most one "." as the decimal point. Reading stops at the first character that cannot
// continue the number. Exponents ("1e3" reads 1), radix prefixes ("&H10" reads 0) and
// blanks inside the number ("1 2" reads 1) are not accepted: they stop the reading.
// A number beyond the range of a double reads as plus or minus infinity.
double Val(std::wstring_view text);

// The nearest integer, ties to even; raises the overflow error beyond the type's range
// (and for NaN).
std::int16_t CInt(double value);

// The general decimal form: no leading blank, "-" first when negative, whole numbers
// without a separator ("31", "-4"), fractions with up to 15 significant digits
// ("200.5"), and exponent form where the magnitude calls for it ("1E+15").
std::wstring NumberText(double value);

}  // namespace glimra::runtime
