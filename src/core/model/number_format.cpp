#include "model/number_format.hpp"

#include "model/messages.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>

namespace kova {
namespace {

// Significant digits of the first rounding stage; every decimal with this many digits
// survives the conversion to an 80-bit real and back.
constexpr int kStageDigits = 18;

// The divisor of the automatic format rules (slightly below ln 10 on purpose; the
// choice of decimals at the powers of ten depends on it).
constexpr Real kLnTenApprox = 2.3025L;

// The infinity marker after a trip through a double.
const Real kDoubleInfinityMarker = static_cast<Real>(9.99e99);

// A non-negative decimal: digits[0] digits[1] ... times 10^(exponent - i) for digit i,
// so `exponent` is the power of ten of the first digit. An empty digit string is zero.
struct Decimal {
    std::string digits;
    int exponent = 0;
    bool IsZero() const { return digits.empty(); }
};

// |x| with kStageDigits significant digits, correctly rounded from the binary value.
Decimal ToDecimal(Real x) {
    Decimal d;
    if (x == 0) return d;
    std::array<char, 64> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(x),
                                std::chars_format::scientific, kStageDigits - 1);
    // "d.ddd...e+XX": the exponent has at most four digits for an 80-bit real.
    std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    std::size_t ePos = text.find('e');
    for (std::size_t i = 0; i < ePos; ++i) {
        if (text[i] != '.') d.digits.push_back(text[i]);
    }
    int exponent = 0;
    std::string_view expText = text.substr(ePos + 1);
    if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    d.exponent = exponent;
    return d;
}

// Rounds to the decimal place 10^lastPlace with halves to the even neighbour. The
// result has exactly exponent - lastPlace + 1 digits, or is zero.
Decimal RoundAt(const Decimal& d, int lastPlace) {
    Decimal r;
    if (d.IsZero()) return r;
    const long keep = static_cast<long>(d.exponent) - lastPlace + 1;
    if (keep < 0) return r;
    const auto size = static_cast<long>(d.digits.size());
    if (keep >= size) {
        r.digits = d.digits;
        r.digits.append(static_cast<std::size_t>(keep - size), '0');
        r.exponent = d.exponent;
        return r;
    }
    // Decide on the dropped part: above, below or exactly at the halfway point.
    const auto k = static_cast<std::size_t>(keep);
    const char first = d.digits[k];
    const bool restNonZero = std::any_of(d.digits.begin() + static_cast<long>(k) + 1,
                                         d.digits.end(), [](char c) { return c != '0'; });
    const bool lastOdd = k > 0 && ((d.digits[k - 1] - '0') % 2 == 1);
    const bool up = first > '5' || (first == '5' && (restNonZero || lastOdd));
    if (k == 0) {
        if (!up) return r;
        r.digits = "1";
        r.exponent = lastPlace;
        return r;
    }
    r.digits = d.digits.substr(0, k);
    r.exponent = d.exponent;
    if (up) {
        std::size_t i = k;
        while (i > 0 && r.digits[i - 1] == '9') {
            r.digits[i - 1] = '0';
            --i;
        }
        if (i == 0) {
            // 99.9 became 100: one more digit in front, keep the same last place.
            r.digits.insert(r.digits.begin(), '1');
            r.exponent += 1;
        } else {
            r.digits[i - 1] = static_cast<char>(r.digits[i - 1] + 1);
        }
    }
    if (r.digits.find_first_not_of('0') == std::string::npos) return Decimal{};
    return r;
}

int ClampDigits(int digits) {
    return std::clamp(digits, 0, kMaxFormatDigits);
}

// "E", the sign and at least two digits: the four-digit exponent with up to two of its
// leading zeros removed.
std::string ExponentText(int exponent) {
    std::string text = exponent < 0 ? "E-" : "E+";
    std::string number = std::to_string(exponent < 0 ? -exponent : exponent);
    if (number.size() < 2) number.insert(number.begin(), '0');
    return text + number;
}

std::string NonFiniteText(Real x) {
    if (std::isnan(x)) return "nan";
    return x < 0 ? "-inf" : "inf";
}

std::string FormatExponentialByDigits(Real x, int decimals);
std::string FormatFixedByDigits(Real x, int decimals);

// 10^k for k = 0..27, each exact in an 80-bit real (5^27 < 2^64).
constexpr int kExactPowers = 28;
constexpr std::array<Real, kExactPowers> kPowersOfTen = [] {
    std::array<Real, kExactPowers> p{};
    Real v = 1;
    for (Real& e : p) {
        e = v;
        v *= 10;
    }
    return p;
}();

// The quick way to both rounding stages: y = |x| 10^k, with one rounding of relative
// size at most 2^-64, is rounded to the nearest integer directly. The first stage moves
// |x| by at most 5e-18 of itself, so when y lies farther than 2^-55 y from a halfway
// point, x and its 18-digit decimal round alike and the result is exact. Nothing when y
// is too close to call (or too large for the integer); the digit-by-digit way decides.
std::optional<std::uint64_t> RoundedScaled(Real y) {
    constexpr Real kMargin = 1.0L / static_cast<Real>(std::uint64_t{1} << 55);
    if (!(y >= 0 && y < 1e18L)) return std::nullopt;
    const auto whole = static_cast<std::uint64_t>(y);    // truncated, y < 2^63
    const Real fraction = y - static_cast<Real>(whole);  // exact
    if (std::fabs(fraction - 0.5L) <= y * kMargin) return std::nullopt;
    return whole + (fraction > 0.5L ? 1 : 0);
}

// The decimal digits of v, at least `count` of them (zeros in front).
void AppendDigits(std::string& text, std::uint64_t v, int count) {
    std::array<char, 24> buffer{};
    int n = 0;
    while (v != 0 || n < count) {
        buffer[static_cast<std::size_t>(n++)] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    while (n > 0) text += buffer[static_cast<std::size_t>(--n)];
}

std::optional<std::string> QuickExponential(Real x, int decimals) {
    if (x == 0 || decimals >= 17) return std::nullopt;
    const Real a = std::fabs(x);
    int exponent = static_cast<int>(std::floor(std::log10(a)));
    for (int attempt = 0; attempt < 2; ++attempt) {
        // y = a 10^(decimals - exponent) lies in [10^decimals, 10^(decimals + 1)).
        const int shift = decimals - exponent;
        if (shift >= kExactPowers || -shift >= kExactPowers) return std::nullopt;
        const Real y = shift >= 0 ? a * kPowersOfTen[static_cast<std::size_t>(shift)]
                                  : a / kPowersOfTen[static_cast<std::size_t>(-shift)];
        if (y < kPowersOfTen[static_cast<std::size_t>(decimals)]) {
            --exponent;
            continue;
        }
        if (y >= kPowersOfTen[static_cast<std::size_t>(decimals) + 1]) {
            ++exponent;
            continue;
        }
        std::optional<std::uint64_t> r = RoundedScaled(y);
        if (!r) return std::nullopt;
        if (static_cast<Real>(*r) == kPowersOfTen[static_cast<std::size_t>(decimals) + 1]) {
            *r /= 10;  // 9.99995 became 10.0000: one more place in front
            ++exponent;
        }
        std::string digits;
        AppendDigits(digits, *r, decimals + 1);
        std::string text = x < 0 ? "-" : "";
        text += digits.front();
        if (decimals > 0) {
            text += '.';
            text.append(digits, 1, std::string::npos);
        }
        return text + ExponentText(exponent);
    }
    return std::nullopt;
}

std::optional<std::string> QuickFixed(Real x, int decimals) {
    if (decimals >= kExactPowers) return std::nullopt;
    const std::optional<std::uint64_t> r =
        RoundedScaled(std::fabs(x) * kPowersOfTen[static_cast<std::size_t>(decimals)]);
    if (!r) return std::nullopt;
    std::string text = (x < 0 && *r != 0) ? "-" : "";
    std::string digits;
    AppendDigits(digits, *r, decimals + 1);
    text.append(digits, 0, digits.size() - static_cast<std::size_t>(decimals));
    if (decimals > 0) {
        text += '.';
        text.append(digits, digits.size() - static_cast<std::size_t>(decimals), std::string::npos);
    }
    return text;
}

// Scientific notation with `decimals` mantissa decimals.
std::string FormatExponential(Real x, int decimals) {
    if (std::optional<std::string> quick = QuickExponential(x, decimals)) return *std::move(quick);
    return FormatExponentialByDigits(x, decimals);
}

std::string FormatExponentialByDigits(Real x, int decimals) {
    Decimal d = ToDecimal(x);
    if (!d.IsZero()) d = RoundAt(d, d.exponent - decimals);
    std::string digits = d.IsZero() ? std::string(static_cast<std::size_t>(decimals) + 1, '0')
                                    : d.digits.substr(0, static_cast<std::size_t>(decimals) + 1);
    std::string text = (x < 0 && !d.IsZero()) ? "-" : "";
    text += digits.front();
    if (decimals > 0) {
        text += '.';
        text.append(digits, 1, std::string::npos);
    }
    return text + ExponentText(d.exponent);
}

// Places the digits of a rounded decimal around the point, with `decimals` digits after
// it (the decimal holds no digit below that place).
std::string PlaceDigits(const Decimal& d, int decimals) {
    std::string text;
    if (d.IsZero() || d.exponent < 0) {
        text = "0";
    } else {
        text = d.digits.substr(0, static_cast<std::size_t>(d.exponent) + 1);
        text.append(static_cast<std::size_t>(d.exponent) + 1 - text.size(), '0');
    }
    if (decimals > 0) {
        text += '.';
        for (int place = -1; place >= -decimals; --place) {
            const long index = static_cast<long>(d.exponent) - place;
            const bool present =
                !d.IsZero() && index >= 0 && index < static_cast<long>(d.digits.size());
            text += present ? d.digits[static_cast<std::size_t>(index)] : '0';
        }
    }
    return text;
}

std::string FormatFixed(Real x, int decimals) {
    if (std::optional<std::string> quick = QuickFixed(x, decimals)) return *std::move(quick);
    return FormatFixedByDigits(x, decimals);
}

std::string FormatFixedByDigits(Real x, int decimals) {
    const Decimal d = RoundAt(ToDecimal(x), -decimals);
    std::string text = (x < 0 && !d.IsZero()) ? "-" : "";
    return text + PlaceDigits(d, decimals);
}

void StripTrailingZeros(std::string& text) {
    if (text.find('.') == std::string::npos) return;
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// trunc(4 - ln a / 2.3025) for a in [1e-6, 1e6], the table's count of decimals. The
// logarithm is taken only for a within 1e-12 of a point where ln a / 2.3025 is an
// integer m (a = e^(2.3025 m), m = -7..7); elsewhere it lies strictly between two such
// integers, which settles the count.
int TableDecimals(Real a) {
    constexpr int kFirst = -7, kCount = 15;
    static const std::array<Real, kCount> kSteps = [] {
        std::array<Real, kCount> steps{};
        for (int i = 0; i < kCount; ++i)
            steps[static_cast<std::size_t>(i)] =
                std::exp(kLnTenApprox * static_cast<Real>(kFirst + i));
        return steps;
    }();
    // The steps ascend about tenfold, so only the two around a can lie within 1e-12 of it.
    const int below = static_cast<int>(std::lower_bound(kSteps.begin(), kSteps.end(), a) -
                                       kSteps.begin());  // steps below a
    for (int i = std::max(below - 1, 0); i <= below && i < kCount; ++i) {
        const Real step = kSteps[static_cast<std::size_t>(i)];
        if (std::fabs(a - step) <= step * 1e-12L)
            return static_cast<int>(std::trunc(4 - std::log(a) / kLnTenApprox));
    }
    if (below == 0 || below == kCount)
        return static_cast<int>(std::trunc(4 - std::log(a) / kLnTenApprox));
    // ln a / 2.3025 lies in (m, m + 1), so 4 - it lies in (3 - m, 4 - m).
    const int m = kFirst + below - 1;
    return 3 - m >= 0 ? 3 - m : 4 - m;
}

}  // namespace

bool IsInfinityMarker(Real x) {
    const Real a = std::fabs(x);
    return a == kInfinityMarker || a == kDoubleInfinityMarker || std::isinf(x);
}

std::string FormatNumber(const DecForm& format, Real x) {
    if (IsInfinityMarker(x) || std::isnan(x)) return NonFiniteText(x);
    const int digits = ClampDigits(format.digits);
    switch (format.style) {
        case kFixedStyle:
            return FormatFixed(x, digits);
        case kExponentialStyle:
            return FormatExponential(x, digits);
        default:
            return FormatNumber(AutoFormat(x, digits), x);
    }
}

std::string FormatNumberByDigits(const DecForm& format, Real x) {
    if (IsInfinityMarker(x) || std::isnan(x)) return NonFiniteText(x);
    const int digits = ClampDigits(format.digits);
    switch (format.style) {
        case kFixedStyle:
            return FormatFixedByDigits(x, digits);
        case kExponentialStyle:
            return FormatExponentialByDigits(x, digits);
        default:
            return FormatNumberByDigits(AutoFormat(x, digits), x);
    }
}

DecForm AutoFormat(Real x, int n) {
    n = ClampDigits(n);
    const auto digits = static_cast<std::int16_t>(n);
    if (x == 0) return DecForm{kFixedStyle, 1};
    const Real a = std::fabs(x);
    if (!std::isfinite(a) || a <= 1e-4L) return DecForm{kExponentialStyle, digits};
    const Real d = std::trunc(static_cast<Real>(n) - std::log(a) / kLnTenApprox);
    if (d > n || d < 0) return DecForm{kExponentialStyle, digits};
    return DecForm{kFixedStyle, static_cast<std::int16_t>(d)};
}

DecForm TableAutoFormat(Real x) {
    if (x == 0) return DecForm{kFixedStyle, 2};
    const Real a = std::fabs(x);
    if (!std::isfinite(a) || a < 1e-6L || a > 1e6L) return DecForm{kExponentialStyle, 4};
    // |x| lies in [1e-6, 1e6] here, so the count stays within -2..10.
    const int decimals = TableDecimals(a);
    DecForm form{kFixedStyle, static_cast<std::int16_t>(decimals)};
    // With the divisor 2.3025, a exceeds 4 only below about 0.1 and is negative only
    // above about 99980, so the middle case below is never reached; it stays to keep
    // the rule whole should the divisor change.
    if (decimals < 0 || decimals > 4) {
        if (a > 1e4L) {
            form.digits = 0;
        } else if (a > 1e3L) {
            form.digits = 4;
        }
    }
    return form;
}

std::string FormatCell(const DecForm& format, Real x, char systemDecimalSeparator) {
    std::string text;
    if (IsInfinityMarker(x)) {
        text = x < 0 ? "-infinity" : "infinity";
    } else if (std::isnan(x) || format.style == kFixedStyle || format.style == kExponentialStyle) {
        text = FormatNumber(format, x);
    } else {
        const DecForm form = TableAutoFormat(x);
        text = FormatNumber(form, x);
        // Fixed results lose their zeros at the end and then a bare decimal point. A value
        // within 1e-10 of a non-zero integer gets at most four decimals here, all zeros,
        // so it appears as that integer.
        if (form.style == kFixedStyle) StripTrailingZeros(text);
    }
    if (systemDecimalSeparator != '.') std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string FormatGeneral(Real value, int precision) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    precision = std::clamp(precision, 1, kMaxFormatDigits);
    Decimal d = ToDecimal(value);
    if (d.IsZero()) return "0";
    d = RoundAt(d, d.exponent - precision + 1);
    // A carry (9999.7 -> 10000) adds a digit that is always zero; drop it.
    d.digits.resize(static_cast<std::size_t>(precision));
    const std::string sign = value < 0 ? "-" : "";
    const bool firstOnly = d.digits.find_first_not_of('0', 1) == std::string::npos;
    const bool aboveThousandth = d.exponent > -3 || (d.exponent == -3 && !firstOnly);
    if (aboveThousandth && d.exponent < precision) {
        const int decimals = std::max(0, precision - 1 - d.exponent);
        std::string text = PlaceDigits(d, decimals);
        StripTrailingZeros(text);
        return sign + text;
    }
    std::string mantissa = d.digits.substr(0, 1) + "." + d.digits.substr(1);
    StripTrailingZeros(mantissa);
    return sign + mantissa + ExponentText(d.exponent);
}

std::from_chars_result RealFromChars(const char* first, const char* last, Real& value,
                                     std::chars_format format) {
    const std::string terminated(first, last);
    const char* begin = terminated.c_str();
    const auto result = std::from_chars(begin, begin + terminated.size(), value, format);
    return {first + (result.ptr - begin), result.ec};
}

std::optional<Real> ParseDecimal(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Check the form: digits, an optional point and digits, an optional exponent.
    std::size_t i = 0;
    std::size_t integerDigits = 0;
    std::size_t fractionDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++integerDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++fractionDigits;
    }
    if (integerDigits + fractionDigits == 0) return std::nullopt;
    const std::size_t mantissaEnd = i;
    long explicitExponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (i == text.size()) return std::nullopt;
        while (i < text.size() && IsDigit(text[i])) {
            // Saturates: any exponent beyond a million is out of range anyway.
            explicitExponent = std::min(explicitExponent * 10 + (text[i] - '0'), 1'000'000L);
            ++i;
        }
        if (!IsDigit(text[i - 1])) return std::nullopt;
        if (negativeExponent) explicitExponent = -explicitExponent;
    }
    if (i != text.size()) return std::nullopt;

    Real value = 0;
    const auto result = RealFromChars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Overflow or underflow: find the power of ten of the first non-zero digit.
        const std::string_view mantissa = text.substr(0, mantissaEnd);
        const std::size_t first = mantissa.find_first_of("123456789");
        if (first == std::string_view::npos) return Real{0};
        long power = first < integerDigits ? static_cast<long>(integerDigits - first) - 1
                                           : -static_cast<long>(first - integerDigits);
        power += explicitExponent;
        if (power > 0) return std::nullopt;
        return Real{0};
    }
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value)) return std::nullopt;
    if (value == 0) return Real{0};
    return negative ? -value : value;
}

std::optional<Real> ParseNumber(std::string_view text) {
    std::string upper(TrimBlanks(text));
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (upper == "INF") return kInfinityMarker;
    if (upper == "-INF") return -kInfinityMarker;
    return ParseDecimal(upper);
}

FieldNumber ReadNumberField(NumberField& field, Real minimum, Real maximum, int mode,
                            Reporter& reporter) {
    reporter.ShowStatusText("", StatusPanel::Info);
    std::string text = field.Text();
    if (text.empty()) text = " ";
    const std::optional<Real> parsed = ParseDecimal(text);

    auto bound = [](Real b) { return FormatGeneral(b, 15); };
    std::string message;
    if (!parsed) {
        message = GetMessage(MessageId::IllegalEntry);
    } else {
        const Real v = *parsed;
        switch (mode) {
            case kAboveMinimum:
                if (!(v > minimum))
                    message = GetMessage(MessageId::ValueMustBeAbove) + bound(minimum);
                break;
            case kAtLeastMinimum:
                if (!(v >= minimum)) {
                    message = GetMessage(MessageId::ValueMustBeGreaterOrEqual) + bound(minimum);
                }
                break;
            case kWithinBounds:
                if (!(v >= minimum && v <= maximum)) {
                    message = GetMessage(MessageId::ValueMustBeAtLeast) + bound(minimum) +
                              " and <=" + bound(maximum);
                }
                break;
            case kAtMostMaximum:
                if (!(v <= maximum))
                    message = GetMessage(MessageId::ValueMustBeBelow) + bound(maximum);
                break;
            case kStrictlyBetween:
                if (!(v > minimum && v < maximum)) {
                    message = GetMessage(MessageId::ValueMustBeBetween) + bound(minimum) + " and " +
                              bound(maximum);
                }
                break;
            default:
                break;
        }
    }
    if (message.empty()) return FieldNumber{*parsed, true};
    reporter.Beep();
    field.SelectAllAndFocus();
    reporter.ShowStatusText(message, StatusPanel::Info);
    return FieldNumber{0, false};
}

}  // namespace kova
