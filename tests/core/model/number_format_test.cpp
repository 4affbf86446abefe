#include "model/number_format.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace kova {
namespace {

// clang-format off
constexpr DecForm Fixed(int d) { return DecForm{kFixedStyle, static_cast<std::int16_t>(d)}; }
constexpr DecForm Expo(int d) { return DecForm{kExponentialStyle, static_cast<std::int16_t>(d)}; }
constexpr DecForm Auto(int d) { return DecForm{kAutomaticStyle, static_cast<std::int16_t>(d)}; }

TEST(FormatNumber, ExponentialAndFixedTexts) {
    struct Case { Real x; DecForm form; const char* text; };
    const std::vector<Case> cases = {
        {1234.5L, Expo(2), "1.23E+03"}, {1234.5L, Expo(0), "1E+03"}, {1834.5L, Expo(0), "2E+03"},
        {9.9999L, Expo(2), "1.00E+01"}, {-1.5e-5L, Expo(1), "-1.5E-05"}, {2.5L, Expo(0), "2E+00"},
        {3.5L, Expo(0), "4E+00"}, {1e-300L, Expo(2), "1.00E-300"}, {1e4000L, Expo(3), "1.000E+4000"},
        {0, Expo(2), "0.00E+00"}, {0, Expo(0), "0E+00"}, {0.125L, Fixed(2), "0.12"},
        {0.375L, Fixed(2), "0.38"}, {9.995L, Fixed(2), "10.00"}, {-12.3456L, Fixed(3), "-12.346"},
        {2.5L, Fixed(0), "2"}, {0, Fixed(2), "0.00"}, {0, Fixed(0), "0"},
        {-0.001L, Fixed(2), "0.00"}, {1e-30L, Fixed(3), "0.000"},
        {1e20L, Fixed(1), "100000000000000000000.0"},
        // Automatic, unknown styles and digit counts outside 0..18.
        {0.00005L, Auto(4), "5.0000E-05"}, {37, Auto(4), "37.00"}, {1234.5L, DecForm{7, 4}, "1234"},
        {1234.5L, Expo(-3), "1E+03"}, {0.5L, Fixed(500), "0.500000000000000000"},
        // Digits an extended value holds and a double would lose (1.5 and ...567).
        {1.5L - 1e-17L, Fixed(0), "1"}, {1.23456789012345678L, Expo(16), "1.2345678901234568E+00"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.form, c.x), c.text) << c.text;
}
// clang-format on

// The quick way and the digit-by-digit way give the same text: on random values of every
// magnitude, on halfway points (decimals typed by a user, like 0.125 or 9.995, and the
// 80-bit values just beside them) and on values that round up to the next power of ten.
TEST(FormatNumber, TheQuickWayAgreesWithTheDigitByDigitWay) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> power(-40, 40), places(0, 12), sign(0, 1);
    std::vector<Real> values = {0,
                                -0.0L,
                                0.125L,
                                0.375L,
                                9.995L,
                                310.15L,
                                99999.5L,
                                1e6L,
                                0.99995L,
                                9.99995e-7L,
                                123456789012345678.0L,
                                1e17L};
    for (int i = 0; i < 6000; ++i) {
        const Real m = static_cast<Real>(mantissa(gen)) + static_cast<Real>(mantissa(gen)) * 1e-16L;
        values.push_back(m * std::pow(10.0L, power(gen)));
        // A halfway point of `places` decimals, and its neighbours.
        const int p = places(gen);
        const Real half = (std::floor(std::fabs(m) * 1e6L) + 0.5L) / std::pow(10.0L, p);
        for (Real v : {half, std::nextafter(half, 0.0L), std::nextafter(half, 1e30L)})
            values.push_back(sign(gen) != 0 ? -v : v);
    }
    int checked = 0;
    for (const Real x : values)
        for (std::uint8_t style : {kFixedStyle, kExponentialStyle, kAutomaticStyle})
            for (int digits : {0, 1, 2, 4, 7, 12, 16, 18}) {
                const DecForm f{style, static_cast<std::int16_t>(digits)};
                ASSERT_EQ(FormatNumber(f, x), FormatNumberByDigits(f, x))
                    << static_cast<double>(x) << " style " << int{style} << " digits " << digits;
                ++checked;
            }
    EXPECT_GT(checked, 400000);
    // The table's count of decimals, settled without the logarithm away from its steps,
    // is the rule's everywhere, also at the steps and beside them.
    std::vector<Real> magnitudes;
    for (int m = -6; m <= 6; ++m) {
        const Real step = std::exp(2.3025L * m);
        magnitudes.insert(magnitudes.end(),
                          {step, std::nextafter(step, 0.0L), std::nextafter(step, 1e30L),
                           step * (1 + 1e-13L), step * (1 + 1e-9L), step * (1 - 1e-9L)});
    }
    for (const Real x : values) magnitudes.push_back(std::fabs(x));
    for (const Real a : magnitudes) {
        if (a < 1e-6L || a > 1e4L) continue;
        const int rule = static_cast<int>(std::trunc(4 - std::log(a) / 2.3025L));
        EXPECT_EQ(TableAutoFormat(a).digits, rule) << static_cast<double>(a);
    }
}

TEST(InfinityMarker, EveryFormatterKnowsIt) {
    const Real viaDouble = static_cast<Real>(9.99e99);
    for (DecForm f : {Fixed(2), Expo(3), Auto(4)}) {
        EXPECT_EQ(FormatNumber(f, kInfinityMarker), "inf");
        EXPECT_EQ(FormatNumber(f, -kInfinityMarker), "-inf");
        EXPECT_EQ(FormatNumber(f, viaDouble), "inf");
        EXPECT_EQ(FormatCell(f, kInfinityMarker), "infinity");
        EXPECT_EQ(FormatCell(f, -viaDouble), "-infinity");
    }
    EXPECT_EQ(FormatNumber(Fixed(2), std::numeric_limits<Real>::infinity()), "inf");
    EXPECT_EQ(FormatNumber(Fixed(2), std::numeric_limits<Real>::quiet_NaN()), "nan");
    EXPECT_EQ(FormatCell(Auto(3), std::numeric_limits<Real>::quiet_NaN()), "nan");
    // The general format writes the number itself, so that the text reads back.
    EXPECT_EQ(FormatGeneral(kInfinityMarker, 4), "9.99E+99");
    EXPECT_EQ(ParseNumber(FormatGeneral(kInfinityMarker, 4)), kInfinityMarker);
    EXPECT_EQ(ParseNumber("INF"), kInfinityMarker);
    EXPECT_EQ(ParseNumber(" -inf "), -kInfinityMarker);
    EXPECT_FALSE(IsInfinityMarker(1e100L));
}

// clang-format off
TEST(AutoFormat, ChoosesByMagnitude) {
    const std::vector<std::pair<Real, DecForm>> four = {
        {0, Fixed(1)}, {0.00005L, Expo(4)}, {1e-4L, Expo(4)}, {37, Fixed(2)}, {-1, Fixed(4)},
        {0.05L, Expo(4)},  // d = 5 > n
        {123456, Expo(4)}, // d = -1
        {1000, Fixed(0)},  // 4 - 3.0001 with 2.3025; ln 10 would give 1 decimal
        {std::numeric_limits<Real>::quiet_NaN(), Expo(4)},
    };
    for (const auto& [x, form] : four) EXPECT_EQ(AutoFormat(x, 4), form) << x;
    EXPECT_EQ(AutoFormat(1000, 3), Fixed(0));  // trunc(-0.0001) is 0, not negative
}

TEST(TableAutoFormat, EveryBranch) {
    const std::vector<std::pair<Real, DecForm>> cases = {
        {0, Fixed(2)}, {5e-7L, Expo(4)}, {12.5L, Fixed(2)}, {-3.14159L, Fixed(3)},
        {1000, Fixed(0)},     // a = trunc(0.9999) with 2.3025
        {0.05L, Fixed(5)},    // a = 5 and |x| <= 1e3: a decimals
        {99999, Fixed(0)},    // a = -1 and |x| > 1e4
        {1e6L, Fixed(0)},     // a = -2, not above 1e6
        {1000001, Expo(4)},
    };
    for (const auto& [x, form] : cases) EXPECT_EQ(TableAutoFormat(x), form) << x;
}

TEST(FormatCell, AutomaticTrimsZerosAndUsesTheSeparator) {
    const std::vector<std::pair<Real, const char*>> automatic = {
        {12.5L, "12.5"}, {2.00000000001L, "2"}, {100, "100"}, {500000, "500000"}, {0, "0"},
        {-0.001L, "-0.001"}, {1.5e-6L, "0.0000015"}, {1e-7L, "1.0000E-07"}, {1234567, "1.2346E+06"},
    };
    for (const auto& [x, text] : automatic) EXPECT_EQ(FormatCell(Auto(3), x), text);
    EXPECT_EQ(FormatCell(Fixed(3), 2.5L), "2.500");
    EXPECT_EQ(FormatCell(Auto(3), 12.5L, ','), "12,5");
    EXPECT_EQ(FormatCell(Fixed(3), 2.5L, ','), "2,500");
    EXPECT_EQ(FormatCell(Expo(1), 1234, ','), "1,2E+03");
}

TEST(FormatGeneral, SignificantDigitsWithoutTrailingZeros) {
    const std::vector<std::pair<Real, const char*>> four = {
        {37, "37"}, {310.15L, "310.2"}, {2.599e-2L, "0.02599"}, {1.062e-10L, "1.062E-10"},
        {6.17e7L, "6.17E+07"}, {0.001L, "1E-03"}, {0.0012L, "0.0012"}, {9999.4L, "9999"},
        {9999.5L, "1E+04"}, {12345, "1.234E+04"}, {-0.5L, "-0.5"}, {0, "0"}, {1e-300L, "1E-300"},
    };
    for (const auto& [x, text] : four) EXPECT_EQ(FormatGeneral(x, 4), text);
    EXPECT_EQ(FormatGeneral(37, 0), "4E+01");
    EXPECT_EQ(FormatGeneral(static_cast<Real>(0.1), 15), "0.1");
    EXPECT_EQ(FormatGeneral(3.3L - 1.1L, 15), "2.2");
}

TEST(ParseNumber, AcceptsDecimalNumbersOnly) {
    const std::vector<std::pair<const char*, Real>> good = {
        {"1.5", 1.5L}, {"-2", -2}, {".5", 0.5L}, {"5.", 5}, {"+5", 5}, {" 12\t", 12}, {"0.1", 0.1L},
        {"-.5e-3", -0.5e-3L}, {"2E+3", 2000}, {"1e999", 1e999L}, {"1e-5000", 0}, {"-0", 0},
    };
    for (const auto& [text, value] : good) {
        const auto v = ParseNumber(text);
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_EQ(*v, value) << text;
    }
    for (const char* text : {"", " ", "-", ".", "1e", "1e+", "1,5", "1 2", "12abc", "1e5000",
                             "-1e5000", "nan", "NAN", "infinity", "+INF", "0x1p3", "1.2.3", "e5",
                             "--1", "\xC3\xA9"}) {
        EXPECT_FALSE(ParseNumber(text).has_value()) << text;
    }
}
// clang-format on

struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(RealFromChars, ReadsOnlyTheGivenCharacters) {
    // Exact-size heap copies, so that the sanitizer builds catch a read past the end.
    struct Case {
        std::string text;
        std::size_t length;  // characters given to the parser
        std::size_t used;    // characters it consumes
    };
    for (const Case& c : std::vector<Case>{{"inf", 3, 3},
                                           {"-nan", 4, 4},
                                           {"nan(12)", 3, 3},
                                           {"infinity", 5, 3},
                                           {"N8.0", 4, 0},
                                           {"1.5e10", 3, 3},
                                           {"2.5", 3, 3}}) {
        const auto copy = std::make_unique<char[]>(c.length);
        std::copy(c.text.begin(), c.text.begin() + static_cast<std::ptrdiff_t>(c.length),
                  copy.get());
        Real value = -1;
        const auto result = RealFromChars(copy.get(), copy.get() + c.length, value);
        EXPECT_EQ(static_cast<std::size_t>(result.ptr - copy.get()), c.used) << c.text;
        if (c.text == "1.5e10") {
            EXPECT_EQ(value, 1.5L);
        }
    }
}

TEST(ParseNumber, IgnoresTheProcessLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    EXPECT_EQ(ParseNumber("2.5"), 2.5L);
    EXPECT_EQ(FormatNumber(Fixed(1), 2.5L), "2.5");
    std::locale::global(previous);

    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no comma-decimal C locale installed";
    }
    EXPECT_EQ(ParseNumber("2.5"), 2.5L);
    EXPECT_FALSE(ParseNumber("2,5").has_value());
    EXPECT_EQ(FormatGeneral(2.5L, 4), "2.5");
    std::setlocale(LC_ALL, "C");
}

struct FakeField : NumberField {
    explicit FakeField(std::string t) : text(std::move(t)) {}
    std::string Text() const override { return text; }
    void SelectAllAndFocus() override { ++focusCount; }
    std::string text;
    int focusCount = 0;
};

// clang-format off
TEST(ReadNumberField, RefusalsBeepFocusAndExplain) {
    struct Refusal { const char* text; Real min, max; int mode; const char* message; };
    const std::vector<Refusal> refusals = {
        {"0", 0, 0, 1, "Value must be > 0"}, {"", 0, 0, 1, "Illegal entry."},
        {"INF", 0, 0, 0, "Illegal entry."}, {"abc", 0, 0, 0, "Illegal entry."},
        {"-1", 0, 0, 2, "Value must be greater or equal to 0"},
        {"8", 0, 7.5L, 3, "Value must be >= 0 and <=7.5"},
        {"-0.1", 0, 7.5L, 3, "Value must be >= 0 and <=7.5"},
        {"2e99", 0, 1e99L, 4, "Value must be less than 1E+99"},
        {"1", 1e-6L, 1, 5, "Value must be between 1E-06 and 1"},
    };
    for (const Refusal& r : refusals) {
        FakeField field(r.text);
        RecordingReporter reporter;
        const FieldNumber got = ReadNumberField(field, r.min, r.max, r.mode, reporter);
        EXPECT_FALSE(got.ok) << r.message;
        EXPECT_EQ(got.value, 0);
        EXPECT_EQ(field.focusCount, 1);
        ASSERT_EQ(reporter.events.size(), 3u);  // the panel cleared, the beep, the message
        EXPECT_EQ(reporter.events[0].text, "");
        EXPECT_EQ(reporter.events[1].kind, RecordingReporter::Event::Kind::Beep);
        EXPECT_EQ(reporter.StatusText(StatusPanel::Info), r.message);
    }
}

TEST(ReadNumberField, AcceptedValuesOnlyClearThePanel) {
    struct Accepted { const char* text; Real min, max; int mode; Real value; };
    const std::vector<Accepted> accepted = {
        {"-3.5", 0, 0, 0, -3.5L}, {"0.5", 0, 0, 1, 0.5L}, {"0", 0, 0, 2, 0}, {"7.5", 0, 7.5L, 3, 7.5L},
        {"1e99", 0, 1e99L, 4, 1e99L}, {"0.5", 0, 1, 5, 0.5L}, {" 2 ", 0, 0, 9, 2},
    };
    for (const Accepted& a : accepted) {
        FakeField field(a.text);
        RecordingReporter reporter;
        reporter.ShowStatusText("old hint", StatusPanel::Info);
        const FieldNumber got = ReadNumberField(field, a.min, a.max, a.mode, reporter);
        EXPECT_TRUE(got.ok && got.value == a.value) << a.text;
        EXPECT_EQ(field.focusCount + reporter.BeepCount(), 0);
        EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "");
    }
}
// clang-format on

}  // namespace
}  // namespace kova
