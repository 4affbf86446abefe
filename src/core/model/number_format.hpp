// Number formats: turning reals into the texts the program shows, choosing a format
// automatically, and reading typed numbers back.
//
// Every formatter rounds in two stages: the value is first written with 18 significant
// digits (every decimal of up to 18 digits survives the trip through an 80-bit real, so
// this recovers what the user typed or what a file stored), and that decimal is then
// rounded to the requested digits with halves going to the even neighbour, the
// program's rounding rule. So 0.125 with two decimals gives "0.12", 0.375 gives "0.38",
// 9.995 gives "10.00" and 310.15 with four significant digits gives "310.2", although
// the nearest 80-bit values of 9.995 and 310.15 lie just below the halfway points.
//
// Exponents are written "E", a sign and at least two digits ("E+03", "E-300",
// "E+4932"). A result that rounds to zero carries no minus sign.
//
// Nothing here depends on the C or C++ locale of the process: "." is always the decimal
// point, and FormatCell takes the system's decimal separator as a parameter.
#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "model/records.hpp"
#include "model/types.hpp"
#include "platform/reporter.hpp"

namespace kova {

// DecForm styles.
inline constexpr std::uint8_t kFixedStyle = 0;
inline constexpr std::uint8_t kExponentialStyle = 1;
inline constexpr std::uint8_t kAutomaticStyle = 2;

// Digit counts are clamped to 0..kMaxFormatDigits; a stored format may come from a
// damaged file, and an 80-bit real holds no more than 18 significant digits.
inline constexpr int kMaxFormatDigits = 18;

// True for the infinity marker 9.99e99 and its negative (also in the slightly different
// form it takes when it passed through a double) and for a real infinity.
bool IsInfinityMarker(Real x);

// The text of x under a format: style 0 fixed with `digits` decimals, style 1 scientific
// with `digits` mantissa decimals ("1.23E+03"; with 0 digits "1E+03"). Any other style
// is resolved with AutoFormat (x, digits) first. The infinity marker gives "inf" or
// "-inf", a NaN "nan".
std::string FormatNumber(const DecForm& format, Real x);

// FormatNumber worked out digit by digit in both stages. FormatNumber takes a quicker
// way for values not within a rounding error of a halfway point, and the two always
// give the same text; this one is kept for tests that hold them to it.
std::string FormatNumberByDigits(const DecForm& format, Real x);

// The automatic choice of a format with n significant digits: 0 gives fixed with 1
// decimal; |x| <= 1e-4 exponential with n digits; otherwise d = trunc(n - ln|x|/2.3025)
// decimals in fixed style when 0 <= d <= n, else exponential with n digits.
DecForm AutoFormat(Real x, int n);

// The table's automatic rule: 0 gives fixed with 2 decimals; |x| < 1e-6 exponential
// with 4 digits; otherwise a = trunc(4 - ln|x|/2.3025) decimals when 0 <= a <= 4, else
// 0 decimals when |x| > 1e4, 4 when |x| > 1e3, a otherwise; finally exponential with 4
// digits whenever |x| > 1e6.
DecForm TableAutoFormat(Real x);

// The text of a table cell. A fixed or exponential format is written by FormatNumber;
// an automatic one by TableAutoFormat, with the trailing zeros of a fixed result (and
// then a trailing decimal point) removed. The infinity marker gives "infinity" or
// "-infinity" in every format. When systemDecimalSeparator is not '.', the decimal
// point of the text becomes ','.
std::string FormatCell(const DecForm& format, Real x, char systemDecimalSeparator = '.');

// The general format, the program's shared way of showing a value with `precision`
// significant digits (clamped to 1..18): after rounding to that many digits, fixed
// notation when 1e-3 < |value| < 10^precision, exponential otherwise, with trailing
// zeros (and a trailing point) removed from the digits. With precision 4: 37 -> "37",
// 310.15 -> "310.2", 0.02599 -> "0.02599", 1.062e-10 -> "1.062E-10", 6.17e7 ->
// "6.17E+07", 0.001 -> "1E-03", 0 -> "0". The infinity marker is written as the number
// it is ("9.99E+99"), so the text reads back to the same value; a real infinity gives
// "inf" or "-inf", a NaN "nan".
std::string FormatGeneral(Real value, int precision);

// The standard decimal conversion of a whole text: an optional sign, digits with an
// optional decimal point ("5", "5.", ".5", "-2.5"), and an optional exponent ("e" or
// "E", optional sign, digits). Blanks (spaces, tabs, line breaks) before and after the
// number are ignored; a text of blanks only is not a number. "." is the only decimal
// point whatever the locale. Refused: anything else in the text, hexadecimal forms,
// "inf" and "nan" texts, and values beyond the range of an 80-bit real (about 1.19e4932);
// a value below the smallest normal 80-bit real (about 3.4e-4932) reads as 0.
std::optional<Real> ParseDecimal(std::string_view text);

// std::from_chars for an 80-bit real that reads nothing outside [first, last). The
// standard library parses long doubles with strtold, which for an "inf" or "nan"
// spelling reads the text as NUL-terminated and so past the end of the range; the
// characters are parsed from a terminated copy instead. The result's pointer lies in
// [first, last].
std::from_chars_result RealFromChars(const char* first, const char* last, Real& value,
                                     std::chars_format format = std::chars_format::general);

// A typed number: after upper-casing, "INF" and "-INF" read as the infinity marker and
// its negative; anything else as ParseDecimal reads it.
std::optional<Real> ParseNumber(std::string_view text);

// A dialog's edit field as ReadNumberField sees it; the desktop's edit boxes implement it.
class NumberField {
public:
    virtual ~NumberField() = default;
    virtual std::string Text() const = 0;
    // Gives the field the keyboard focus with its whole text selected.
    virtual void SelectAllAndFocus() = 0;
};

// What ReadNumberField checks after the conversion.
enum NumberFieldMode : int {
    kAnyNumber = 0,        // any number
    kAboveMinimum = 1,     // value > minimum
    kAtLeastMinimum = 2,   // value >= minimum
    kWithinBounds = 3,     // minimum <= value <= maximum
    kAtMostMaximum = 4,    // value <= maximum
    kStrictlyBetween = 5,  // minimum < value < maximum
};

struct FieldNumber {
    Real value = 0;
    bool ok = false;
};

// Reads a plain number from an edit field (ParseDecimal; "INF" is not accepted here) and
// checks it against the bounds the mode names. The information panel is cleared first.
// On a failure the warning beep sounds, the field gets the focus with its text selected,
// the message ("Illegal entry.", "Value must be > 0", ...) goes to the information panel
// and the value is 0. The bounds are written with FormatGeneral (bound, 15), which gives
// "0", "2.5", "1E+99" or "1E-06". An unknown mode accepts any number.
FieldNumber ReadNumberField(NumberField& field, Real minimum, Real maximum, int mode,
                            Reporter& reporter);

}  // namespace kova
