// Writing and reading whole problem files: layout of the fixed part and the sections,
// round trips, the legacy layout and the version rules.
#include "files/problem_file.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "core/files/file_image.hpp"
#include "files/extended_codec.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/region.hpp"
#include "model/subjects.hpp"
#include "support/geometry_builders.hpp"
#include "support/problem_builders.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

using test::BuildRichProblem;
using test::Bytes;
using test::ExtAt;
using test::FirstDifference;
using test::I16At;
using test::I32At;
using test::kNodesAt;
using test::PutExtAt;
using test::Sections;
using test::StandInCompile;
using test::Walk;

#define EXPECT_SAME_IMAGE(a, b)                                                                    \
    do {                                                                                           \
        const Bytes imageA = (a), imageB = (b);                                                    \
        EXPECT_TRUE(imageA == imageB) << "sizes " << imageA.size() << " and " << imageB.size()     \
                                      << ", first difference " << FirstDifference(imageA, imageB); \
    } while (0)

bool Load(Problem& p, const Bytes& bytes) {
    return ReadProblemImage(p, bytes, "test.KVX", StandInCompile);
}

TEST(ProblemFileLayout, FixedPartOfACurrentFile) {
    Problem p;
    BuildRichProblem(p);
    const Bytes b = EncodeProblemFile(p);
    EXPECT_EQ((Bytes(b.begin(), b.begin() + 11)),
              (Bytes{6, 'N', '8', '.', '0', '3', '5', 0, 0, 0, 0}));
    EXPECT_EQ(I32At(b, 11), 0);
    EXPECT_EQ(b[15], 1);  // axes
    EXPECT_EQ(b[16], 1);  // grid
    EXPECT_EQ(b[20], 0);  // patterns
    EXPECT_EQ(b[21], 1);  // template
    EXPECT_EQ(ExtAt(b, 23), 40.0L);
    EXPECT_EQ(b[43], 5);  // Bio-Heat Transfer
    EXPECT_EQ(b[44], 0);
    EXPECT_EQ(b[45], 1);
    EXPECT_EQ(b[47], 1);  // transient
    EXPECT_EQ(b[48], 1);  // cylindrical
    EXPECT_EQ(ExtAt(b, 49), 20.0L);
    EXPECT_EQ(ExtAt(b, 59), 400.25L);
    EXPECT_EQ(b[69], 0);  // Euler
    EXPECT_EQ(I32At(b, 70), 3);
    EXPECT_EQ(ExtAt(b, 74), 0.0L);
    EXPECT_EQ(ExtAt(b, 94), 5.08L);
    EXPECT_EQ(ExtAt(b, 104), 5.08L);
    EXPECT_EQ(ExtAt(b, 114), 10.5L);
    EXPECT_EQ(ExtAt(b, 134), -999.0L);
    EXPECT_EQ(ExtAt(b, 144), 1.0e-3L);
    EXPECT_EQ(ExtAt(b, 174), -5.0L);  // PlotSettings starts here
    EXPECT_EQ(b[174 + 119], 1);       // its zero-line byte
    EXPECT_EQ(ExtAt(b, 328), 3600.0L);
    EXPECT_EQ(ExtAt(b, 338), 0.1L);
    EXPECT_EQ(I32At(b, 348), p.nodes.Count());
    EXPECT_EQ(I32At(b, 352), p.settings.activeNodeCount);
    EXPECT_EQ(ExtAt(b, kNodesAt), p.nodes[1].x);
    EXPECT_EQ(I32At(b, Walk(b).lines), p.lines.Count());
}

TEST(ProblemFileLayout, EmptyProblemHasEveryFixedSection) {
    Problem p;
    test::CompileWithStandIn(p);
    const Bytes b = EncodeProblemFile(p);
    // ProblemReset leaves one specification: the blood temperature.
    ASSERT_EQ(p.specs.Count(), 1);
    const std::size_t expected = kNodesAt + 4 /*L*/ + 4 /*F*/ + 4 + 655 /*S*/ + 4 + 20 * 2680 +
                                 4 /*T*/ + 4 /*P*/ + 4 /*G*/ + 4 + 10 /*Q, Bernoulli*/ + 4 +
                                 60 * 4 /*order*/ + 20 + 4 + 10 /*blood*/ + 4 + 4 + 1;
    ASSERT_EQ(b.size(), expected);
    const Sections s = Walk(b);
    EXPECT_EQ(I32At(b, s.materials), 20);
    EXPECT_EQ(I32At(b, s.texts + 4), 0);    // template size
    EXPECT_EQ(I32At(b, s.texts + 26), 60);  // drawing order count after P, G, Q, Bernoulli
    EXPECT_EQ(ExtAt(b, b.size() - 9 - 14 - 20), 1.0L);
    EXPECT_EQ(I32At(b, b.size() - 9 - 14), 1);  // blood specification
    EXPECT_EQ(I32At(b, b.size() - 9), 10);
    EXPECT_EQ(I32At(b, b.size() - 5), 10);
    EXPECT_EQ(b.back(), 2);

    Problem q;
    ASSERT_TRUE(Load(q, b));
    EXPECT_EQ(q.nodes.Count(), 0);
    EXPECT_EQ(q.frameCount, 0);
    EXPECT_FALSE(q.templatePicture.Present());
    EXPECT_TRUE(q.settings.problemSaved);
    EXPECT_SAME_IMAGE(EncodeProblemFile(q), b);
}

TEST(ProblemFileRoundTrip, RichProblemGivesBackTheSameBytes) {
    Problem p;
    BuildRichProblem(p);
    const Bytes first = EncodeProblemFile(p);
    Problem q;
    RecordingReporter reporter;
    q.SetReporter(&reporter);
    ASSERT_TRUE(Load(q, first));
    EXPECT_TRUE(reporter.Errors().empty());
    EXPECT_SAME_IMAGE(EncodeProblemFile(q), first);

    // And the things the bytes stand for.
    EXPECT_EQ(q.settings.subject, ProbTypeA::Bio);
    EXPECT_TRUE(q.settings.cylindrical);
    EXPECT_EQ(q.settings.axisLetters[0], 'R');
    EXPECT_EQ(q.settings.pixelLength, p.settings.pixelLength);
    EXPECT_EQ(q.texts.front().theText,
              "Temp\xC3\xA9rature 25 \xC2\xB0"
              "C \xE2\x82\xAC");
    EXPECT_EQ(q.materials[1].name, "Tissue \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(q.templatePicture.Data(), test::TestPictureBytes(333));
    EXPECT_EQ(q.templatePicture.rect, (IntRect{-5, 0, 300, 260}));
    EXPECT_EQ(q.singularPoints.size(), 2u);
    EXPECT_EQ(q.bernoulliConstant, 101325.0L);
    ASSERT_EQ(q.groups.size(), 4u);
    const SelectionGroup& bounds = *std::next(q.groups.begin());
    ASSERT_EQ(bounds.items.size(), 2u);
    ASSERT_NE(bounds.items[1].segment, nullptr);
    EXPECT_EQ(q.lines.PositionOf(bounds.items[1].segment), 8);
    EXPECT_EQ(q.settings.bandCount, 12);
    EXPECT_EQ(q.settings.lineCount, 7);
    EXPECT_EQ(q.settings.palette, 1);
    EXPECT_EQ(q.frames[3].pixelPolygon.size(), 6u);
    EXPECT_GT(q.frames[1].area, 0);
    EXPECT_EQ(q.frames[1].area, p.frames[1].area);
    EXPECT_EQ(q.frames[1].volume, p.frames[1].volume);
    EXPECT_EQ(q.specs[3].text, "10+T/100");
    EXPECT_EQ(q.specs[3].compiled, p.specs[3].compiled);
}

TEST(ProblemFileRoundTrip, CharacterOneNAndXReadTheSame) {
    Problem p;
    BuildRichProblem(p);
    Bytes n = EncodeProblemFile(p);
    Bytes x = n;
    x[1] = 'X';
    Problem a, b;
    ASSERT_TRUE(Load(a, n));
    ASSERT_TRUE(Load(b, x));
    EXPECT_EQ(EncodeProblemFile(a), EncodeProblemFile(b));
}

TEST(ProblemFileRoundTrip, LegacyFileReadsToTheSameProblem) {
    Problem p;
    BuildRichProblem(p);
    const Bytes legacy = EncodeProblemFile(p, "W8.035");
    // The legacy frame record has no place for the surface heat flux specification.
    ASSERT_NE(p.frames[3].finFluxSpec, 0);
    p.frames[3].finFluxSpec = 0;
    const Bytes current = EncodeProblemFile(p);
    // The narrow fields: 2 bytes less for the reserved integer, LengthUnitIndex, N and
    // ActiveNodeCount; 22 per segment, 30 per frame plus 2 per vertex, and so on.
    int vertices = 0;
    for (int k = 1; k <= p.frameCount; ++k) vertices += p.frames[k].VertexCount();
    std::size_t groupItems = 0;
    for (const auto& g : p.groups) groupItems += g.items.size();
    const std::size_t saved = 2 * 4 /*fixed*/ + 44 /*plot*/ + 2 + 22 * p.lines.Count() + 2 +
                              30 * p.frameCount + 2 * vertices + 2 /*S*/ + 2 /*materials*/ + 2 +
                              16 * p.texts.size() + 2 /*template kind*/ + 2 +
                              2 * (p.groups.size() + groupItems) + 2 + 4 * p.singularPoints.size() +
                              2 + 2 * 60 + 2 /*blood*/ + 4 /*contour counts*/;
    ASSERT_EQ(current.size() - legacy.size(), saved);
    EXPECT_EQ(legacy[1], 'W');
    EXPECT_EQ(I16At(legacy, 15 - 2 + 70 - 15), p.settings.lengthUnitIndex);

    Problem q;
    ASSERT_TRUE(Load(q, legacy));
    EXPECT_SAME_IMAGE(EncodeProblemFile(q), current);
}

TEST(ProblemFileRoundTrip, HandMadeLegacyFileWithTwoByteIntegers) {
    // A legacy file written out by hand: two nodes, one segment, one text, nothing else.
    Bytes b{4, 'W', '7', '.', '1', 0, 0, 0, 0, 0, 0};
    auto i16 = [&](int v) {
        b.push_back(static_cast<std::uint8_t>(v & 0xFF));
        b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    };
    auto i32 = [&](std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    };
    auto ext = [&](Real v) {
        const ExtendedImage image = EncodeExtended(v);
        b.insert(b.end(), image.begin(), image.end());
    };
    auto u8 = [&](int v) { b.push_back(static_cast<std::uint8_t>(v)); };
    auto str = [&](const std::string& s, int capacity) {
        u8(static_cast<int>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        b.insert(b.end(), static_cast<std::size_t>(capacity) - s.size(), 0);
    };
    i16(0);
    for (int flag : {0, 1, 0, 1, 1, 1, 0, 1}) u8(flag);
    ext(30);
    ext(30);
    for (int v : {1, 0, 0, 0, 0, 0}) u8(v);  // heat transfer, SI, sec, C, steady, Cartesian
    ext(0);
    ext(480);
    u8(1);
    i16(2);  // length unit
    ext(0);
    ext(0);
    ext(2.54L);
    ext(2.54L);
    for (int i = 0; i < 6; ++i) ext(-999);
    // PlotSettings, 100 bytes in this layout.
    ext(-999);
    ext(-999);
    for (int i = 0; i < 16; ++i) i16(i == 0 ? 1 : (i == 1 ? 2 : 0));
    u8(1), u8(1);
    i16(1), i16(1), i16(5), i16(5);
    u8(0), u8(1);
    u8(0), i16(2), u8(0), i16(2);
    i32(0);
    u8(1), u8(1), u8(1), u8(0);
    u8(0), u8(1);  // version 7.1 has the two bytes
    i16(0);
    i16(0), i16(0);
    i16(16), i16(16);
    ext(0);
    ext(0), ext(0), ext(0);
    i16(2);  // N
    i16(2);  // active
    for (Real x : {10.0L, 90.0L}) {
        ext(x), ext(20), ext(100), ext(-999);
        i16(0), u8(1), i16(0), u8(0);
    }
    i16(1);  // one segment, 52 bytes
    i16(1), i16(2), i16(0), i16(0);
    ext(1), ext(0);
    i16(0);
    u8(1), u8(0);
    i16(1), i16(0), i16(0), i16(0), i16(0), i16(0);
    i32(0), i32(0);
    i16(0);  // frames
    i16(0);  // specifications
    i16(20);
    {
        Problem defaults;
        for (int m = 1; m <= 20; ++m) {
            str("M" + std::to_string(m), 25);
            i16(-1), i16(15), i32(0xFFFFFF);
            for (int block = 0; block < 4; ++block) {
                u8(5), u8(1), u8(0), u8(0), u8(0), u8(0);
                ext(m + block);
                str("", 128);
                for (int e = 0; e < 51; ++e) ext(0);
            }
            b.insert(b.end(), 14, 0);
            ext(2.0L);
            u8(1), u8(0);
        }
    }
    i16(1);  // one text item, 150 bytes
    i16(1);
    str("Hello", 80);
    i16(5);
    i16(1), i16(2), i16(3), i16(4);
    i16(0);
    str("Arial", 31);
    i32(0xFF);
    i16(10);
    u8(1), u8(1), u8(0);
    i16(0), i16(0), i16(0);
    i16(90);
    u8(0), u8(1);
    i32(0);
    i32(0);  // no template: its size keeps 4 bytes
    i16(1);  // one group of two points
    u8(2);
    i16(2), i16(1), i16(2);
    i16(1);  // one singular point
    ext(3), i16(2), i16(1);
    ext(7);
    i16(60);
    for (int i = 0; i < 60; ++i) i16(0);
    ext(1), ext(1);
    i16(0), ext(4200);

    Problem p;
    ASSERT_TRUE(Load(p, b));
    EXPECT_EQ(p.nodes.Count(), 2);
    EXPECT_EQ(p.nodes[2].x, 90.0L);
    EXPECT_EQ(p.lines.Count(), 1);
    EXPECT_EQ(p.lines.First()->node2, 2);
    EXPECT_EQ(p.settings.plot.nodeCount, 1);
    EXPECT_EQ(p.settings.plot.nodes[0], 2);
    EXPECT_EQ(p.materials[20].name, "M20");
    EXPECT_EQ(p.materials[3].perfusion.value, 6.0L);
    EXPECT_EQ(p.materials[3].kyOverKx, 1.0L);  // older than 7.143
    ASSERT_EQ(p.texts.size(), 1u);
    EXPECT_EQ(p.texts.front().theText, "Hello");
    EXPECT_EQ(p.texts.front().fSize, 10);
    EXPECT_EQ(p.texts.front().angle, 0);  // older than 7.14
    EXPECT_EQ(p.texts.front().selected, 0);
    EXPECT_EQ(p.texts.front().theRect, (IntRect{1, 2, 3, 4}));
    ASSERT_EQ(p.groups.size(), 1u);
    EXPECT_EQ(p.groups.front().items.size(), 2u);
    ASSERT_EQ(p.singularPoints.size(), 1u);
    EXPECT_EQ(p.singularPoints.front().type, 2);
    EXPECT_EQ(p.bernoulliConstant, 7.0L);
    EXPECT_EQ(p.settings.bandCount, 10);  // older than 7.144: defaults
}

// Rewrites the version string of a current file (same length, the layout unchanged).
Bytes WithVersion(Bytes b, const std::string& version) {
    EXPECT_EQ(version.size(), 6u);
    std::copy(version.begin(), version.end(), b.begin() + 1);
    return b;
}

TEST(ProblemFileVersions, ParsingTheVersionString) {
    EXPECT_EQ(ParseVersionString("N8.035").width, IntegerWidth::Wide);
    EXPECT_EQ(ParseVersionString("N8.035").version, 8.035L);
    EXPECT_EQ(ParseVersionString("X7.14").version, 7.14L);
    EXPECT_EQ(ParseVersionString("W7.2").width, IntegerWidth::Legacy);
    EXPECT_EQ(ParseVersionString("x8.0").width, IntegerWidth::Legacy);
    EXPECT_EQ(ParseVersionString("Xabc").version, 0);
    EXPECT_EQ(ParseVersionString("X7.1x").version, 0);
    EXPECT_EQ(ParseVersionString("X").version, 0);
    EXPECT_EQ(ParseVersionString("").width, IntegerWidth::Legacy);
}

TEST(ProblemFileVersions, AVersionStringIsReadWithinItsLength) {
    // A 16-byte file once made the reader look past its end: the number after the first
    // character starts with 'N', which the library's long double parser took for the
    // start of "NAN" and read as a NUL-terminated string. The exact-size heap copy lets
    // the sanitizer builds see any read beyond the input.
    const Bytes input = {0x06, 0x06, 0x4e, 0x38, 0x2e, 0x30, 0x33, 0x35,
                         0x4e, 0x38, 0x2e, 0x30, 0x4e, 0x38, 0x2e, 0x30};
    const std::size_t length = input[0];
    const auto exact = std::make_unique<char[]>(length);
    std::copy(input.begin() + 1, input.begin() + 1 + length, exact.get());
    const FileFormat format = ParseVersionString(std::string_view(exact.get(), length));
    EXPECT_EQ(format.width, IntegerWidth::Legacy);
    EXPECT_EQ(format.version, 0);
    for (const char* text : {"Xnan", "XINF", "Xinfinity", "X-nan", "Xnan(1)"}) {
        const std::string_view view(text);
        const auto copy = std::make_unique<char[]>(view.size());
        std::copy(view.begin(), view.end(), copy.get());
        EXPECT_EQ(ParseVersionString(std::string_view(copy.get(), view.size())).version, 0) << text;
    }

    Problem p;
    RecordingReporter reporter;
    p.SetReporter(&reporter);
    EXPECT_FALSE(ReadProblemImage(p, input, "short.KVX"));
    EXPECT_EQ(reporter.Errors().size(), 1u);
}

TEST(ProblemFileVersions, ContourSettingsOnlyFrom7144) {
    Problem p;
    BuildRichProblem(p);
    const Bytes current = EncodeProblemFile(p);
    const Bytes v7143 = EncodeProblemFile(p, "X7.143");
    EXPECT_EQ(current.size() - v7143.size(), 9u);
    Problem q;
    ASSERT_TRUE(Load(q, v7143));
    EXPECT_EQ(q.settings.bandCount, 10);
    EXPECT_EQ(q.settings.lineCount, 10);
    EXPECT_EQ(q.settings.palette, 2);
    EXPECT_EQ(q.materials[2].kyOverKx, 2.5L);  // 7.143 keeps ky/kx
    EXPECT_EQ(q.texts.front().angle, 30);

    // A 7.143 file that happens to carry the trailing bytes still ignores them.
    Problem r;
    ASSERT_TRUE(Load(r, WithVersion(current, "X7.143")));
    EXPECT_EQ(r.settings.bandCount, 10);
    Problem s;
    ASSERT_TRUE(Load(s, WithVersion(current, "X7.144")));
    EXPECT_EQ(s.settings.bandCount, 12);
    // A 7.144 file without them keeps the defaults.
    Problem t;
    ASSERT_TRUE(Load(t, WithVersion(v7143, "X7.144")));
    EXPECT_EQ(t.settings.lineCount, 10);
}

TEST(ProblemFileVersions, MaterialRatioAndTextAngleEdges) {
    Problem p;
    BuildRichProblem(p);
    const Bytes current = EncodeProblemFile(p);
    Problem a;
    ASSERT_TRUE(Load(a, WithVersion(current, "X7.142")));
    EXPECT_EQ(a.materials[2].kyOverKx, 1.0L);
    EXPECT_EQ(a.texts.front().angle, 30);
    Problem b;
    ASSERT_TRUE(Load(b, WithVersion(current, "X7.139")));
    EXPECT_EQ(b.texts.front().angle, 0);
    Problem c;
    ASSERT_TRUE(Load(c, WithVersion(current, "X7.140")));
    EXPECT_EQ(c.texts.front().angle, 30);
}

TEST(ProblemFileVersions, PlotSettingsBeforeVersion7009) {
    Problem p;
    BuildRichProblem(p);
    const Bytes v7009 = EncodeProblemFile(p, "X7.009");
    const Bytes v7008 = EncodeProblemFile(p, "X7.008");
    ASSERT_EQ(v7008.size(), v7009.size() + 2);  // an integer instead of two bytes
    EXPECT_EQ(I32At(v7008, 174 + 118), 0);
    EXPECT_EQ(I16At(v7008, 174 + 122), 0);
    EXPECT_EQ(I16At(v7008, 174 + 132), 12);  // time font size, shifted by two
    Problem q;
    ASSERT_TRUE(Load(q, v7008));
    EXPECT_EQ(q.settings.plot.drawZeroLine, 0);
    EXPECT_EQ(q.settings.plot.clearedOnOk, 0);
    EXPECT_EQ(q.settings.plot.timeFontSize, 12);
    EXPECT_EQ(q.settings.plot.valueFormat, (DecForm{1, 4}));
    EXPECT_EQ(q.nodes.Count(), p.nodes.Count());
    EXPECT_EQ(q.settings.transientStop, 3600.0L);
    // In the legacy layout the stand-in integer is two bytes wide.
    EXPECT_EQ(EncodeProblemFile(p, "W7.008").size(), EncodeProblemFile(p, "W7.009").size());
    Problem r;
    ASSERT_TRUE(Load(r, EncodeProblemFile(p, "W7.008")));
    EXPECT_EQ(r.settings.plot.drawZeroLine, 0);
    EXPECT_EQ(r.settings.plot.timeFontSize, 12);
}

TEST(ProblemFileRules, PorousMediaFlowDensityIsAlwaysOne) {
    Problem p;
    BuildRichProblem(p);
    SetSubjectLabels(p, ProbTypeA::Hydrodynamics, false);
    p.materials[1].density = test::StandInExpression(kSpecProperty, "1000+H");
    p.materials[2].density.value = 2500;
    Problem q;
    ASSERT_TRUE(Load(q, EncodeProblemFile(p)));
    for (int m = 1; m <= kMaterialCount; ++m) {
        const BoundarySpec& d = q.materials[static_cast<std::size_t>(m)].density;
        EXPECT_EQ(d.value, 1.0L) << m;
        EXPECT_FALSE(d.IsExpression()) << m;
        EXPECT_EQ(d.compiled, CompiledForm{}) << m;
    }
    // Other properties keep their expressions.
    EXPECT_TRUE(q.materials[1].conductivity.IsExpression());
}

TEST(ProblemFileRules, CylindricalAreaFactorsAreRecomputed) {
    Problem p;
    BuildRichProblem(p);
    const Bytes b = EncodeProblemFile(p);
    Bytes tampered = b;
    const std::size_t lines = Walk(b).lines;
    for (int i = 0; i < p.lines.Count(); ++i)
        PutExtAt(tampered, lines + 4 + 74 * static_cast<std::size_t>(i) + 16, 123.0L);
    Problem q;
    ASSERT_TRUE(Load(q, tampered));
    int i = 0;
    for (const LineSegment& s : q.lines) {
        EXPECT_EQ(s.areaFactor, q.AreaFactor(s)) << i;
        EXPECT_NE(s.areaFactor, 123.0L) << i++;
    }
    EXPECT_SAME_IMAGE(EncodeProblemFile(q), b);

    // A Cartesian problem keeps the stored factors.
    p.SetCylindrical(false);
    Bytes cartesian = EncodeProblemFile(p);
    PutExtAt(cartesian, Walk(cartesian).lines + 4 + 16, 3.5L);
    Problem r;
    ASSERT_TRUE(Load(r, cartesian));
    EXPECT_EQ(r.lines.First()->areaFactor, 3.5L);
}

TEST(ProblemFileRules, SubjectsWithoutACylindricalFormOpenInCartesianGeometry) {
    for (ProbTypeA subject : {ProbTypeA::Potential, ProbTypeA::ThinFins}) {
        EXPECT_FALSE(CylindricalGeometryAvailable(subject));
        Problem p;
        BuildRichProblem(p);  // cylindrical
        SetSubjectLabels(p, subject, false);
        const Bytes stored = EncodeProblemFile(p);
        RecordingReporter reporter;
        Problem q;
        q.SetReporter(&reporter);
        ASSERT_TRUE(Load(q, stored));
        EXPECT_FALSE(q.settings.cylindrical);
        EXPECT_EQ(q.settings.axisLetters, (std::array<char, 2>{'X', 'Y'}));
        EXPECT_EQ(reporter.Errors(), std::vector<std::string>{CartesianOnlyMessage(subject)});
        EXPECT_NE(CartesianOnlyMessage(subject).find("solved in Cartesian geometry"),
                  std::string::npos);
        // Only the geometry switch differs when the problem is saved again.
        q.SetCylindrical(true);
        EXPECT_SAME_IMAGE(EncodeProblemFile(q), stored);
        q.SetReporter(nullptr);
    }
    EXPECT_TRUE(CylindricalGeometryAvailable(ProbTypeA::HeatTrans));
    EXPECT_TRUE(CylindricalGeometryAvailable(ProbTypeA::Hydrodynamics));
}

TEST(ProblemFileRules, CompiledFormsAreNeverTakenFromTheFile) {
    Problem p;
    BuildRichProblem(p);
    const Bytes b = EncodeProblemFile(p);
    const Sections s = Walk(b);
    Bytes tampered = b;
    // Specification 3 is an expression; spoil every entry of its compiled form, and the
    // compiled form of material 1's conductivity (a block at 34 + 2 * 655).
    for (int e = 1; e < 51; ++e) {
        PutExtAt(tampered, s.specs + 4 + 2 * 655 + 145 + 10 * static_cast<std::size_t>(e), 1e30L);
        PutExtAt(tampered, s.materials + 4 + 34 + 2 * 655 + 145 + 10 * static_cast<std::size_t>(e),
                 -7.0L);
    }
    Problem q;
    ASSERT_TRUE(Load(q, tampered));
    EXPECT_EQ(q.specs[3].compiled, p.specs[3].compiled);
    EXPECT_EQ(q.materials[1].conductivity.compiled, p.materials[1].conductivity.compiled);
    EXPECT_SAME_IMAGE(EncodeProblemFile(q), b);

    // A constant whose stored form is not empty loses it.
    Bytes junk = b;
    PutExtAt(junk, s.specs + 4 + 145 + 10 * 7, 42.0L);  // specification 1, a constant
    Problem r;
    ASSERT_TRUE(Load(r, junk));
    EXPECT_EQ(r.specs[1].compiled, CompiledForm{});
    EXPECT_EQ(r.specs[1].value, p.specs[1].value);
}

TEST(ProblemFileRules, WithoutACompilerExpressionsWaitAsText) {
    Problem p;
    BuildRichProblem(p);
    Problem q;
    RecordingReporter reporter;
    q.SetReporter(&reporter);
    ASSERT_TRUE(ReadProblemImage(q, EncodeProblemFile(p), "a.KVX", ExpressionCompiler{}));
    EXPECT_TRUE(reporter.Errors().empty());
    EXPECT_EQ(q.specs[3].text, "10+T/100");
    EXPECT_EQ(q.specs[3].compiled, CompiledForm{});

    // The step on its own says which blocks wait for the compiler.
    Problem r;
    BuildRichProblem(r);
    r.specs[3].constant = 0;
    std::size_t holding = 0;  // blocks with a compiled form: the library's numbers too
    for (const BoundarySpec& spec : r.specs.Entries()) holding += spec.compiled[0] > 0;
    for (const Material& m : r.materials) {
        for (const BoundarySpec* block :
             {&m.density, &m.specificHeat, &m.conductivity, &m.perfusion}) {
            holding += block->compiled[0] > 0;
        }
    }
    const RecompileResult result = RecompileLoadedExpressions(r);
    ASSERT_EQ(result.pending.size(), holding);
    EXPECT_EQ(result.pending[0].where, "specification 3");
    EXPECT_EQ(result.pending[1].where, "specification 5");
    EXPECT_EQ(result.pending[2].where, "material 1 conductivity");
    EXPECT_EQ(result.pending[2].text, "0.5+0.001*T");
    EXPECT_EQ(result.pending[3].where, "material 1 perfusion");
    EXPECT_TRUE(result.failed.empty());
    EXPECT_EQ(r.specs[3].constant, 0);  // flags are kept for the compiler to renew
    EXPECT_EQ(r.specs[3].compiled, CompiledForm{});
    EXPECT_EQ(r.materials[1].conductivity.compiled, CompiledForm{});
}

TEST(ProblemFileRules, ATextThatNoLongerCompilesIsReportedNotTrusted) {
    Problem p;
    BuildRichProblem(p);
    p.specs[5].text = "SIN(!)";  // the stored compiled form still says it is an expression
    Problem q;
    RecordingReporter reporter;
    q.SetReporter(&reporter);
    ASSERT_TRUE(Load(q, EncodeProblemFile(p)));
    ASSERT_EQ(reporter.Errors().size(), 1u);
    EXPECT_NE(reporter.Errors()[0].find("specification 5: SIN(!)"), std::string::npos);
    EXPECT_EQ(q.specs[5].compiled, CompiledForm{});
    EXPECT_EQ(q.specs[5].text, "SIN(!)");
    EXPECT_FALSE(q.suppressMissingDataFileMessage);
}

TEST(ProblemFileRules, ANodeCountBeyondTheTableEnlargesItToTheCountPlus50) {
    Problem p;
    for (int i = 0; i < 12; ++i) test::AddTestNode(p, i, 2 * i);
    const Bytes b = EncodeProblemFile(p);
    Problem q;
    ASSERT_TRUE(q.nodes.Reallocate(10));
    ASSERT_TRUE(Load(q, b));
    EXPECT_EQ(q.nodes.Capacity(), 62);
    EXPECT_EQ(q.nodes.Count(), 12);
    EXPECT_EQ(q.nodes[12].y, 22.0L);
    EXPECT_EQ(q.nodes.Slot(13).currentValue, kUnspecified);  // a fresh slot
}

TEST(ProblemFileRules, NestedFramesComeBackWithRegionsAndNetMeasures) {
    // A square with a square island: the outer frame's region has a hole and its area
    // and volume are net of the island's. None of that is taken from the file.
    Problem p;
    p.SetCylindrical(true);
    const int outer = testing::AddRectangleFrame(p, 100, 100, 300, 300);
    const int island = testing::AddRectangleFrame(p, 150, 150, 200, 220, outer);
    ASSERT_EQ(island, 2);
    const Real grossOuter = 200.0L * 200.0L * p.settings.pixelLength * p.settings.pixelLength;
    ASSERT_LT(p.frames[1].area, grossOuter);
    test::CompileWithStandIn(p);
    const Bytes b = EncodeProblemFile(p);

    Bytes tampered = b;
    const std::size_t frames = Walk(b).frames;
    PutExtAt(tampered, frames + 4 + 45, 1.0L);  // the outer frame's volume
    PutExtAt(tampered, frames + 4 + 55, 2.0L);  // and area
    Problem q;
    ASSERT_TRUE(Load(q, tampered));
    EXPECT_EQ(q.frames[1].area, p.frames[1].area);
    EXPECT_EQ(q.frames[1].volume, p.frames[1].volume);
    EXPECT_EQ(q.frames[2].area, p.frames[2].area);
    EXPECT_TRUE(RegionsEqual(q.frames[1].region, p.frames[1].region));
    EXPECT_FALSE(PointInRegion(q.frames[1].region, PixelPoint{175, 180}));
    EXPECT_TRUE(PointInRegion(q.frames[1].region, PixelPoint{120, 120}));
    EXPECT_TRUE(PointInRegion(q.frames[2].region, PixelPoint{175, 180}));
    EXPECT_SAME_IMAGE(EncodeProblemFile(q), b);

    // Undo rebuilds the same way.
    SaveUndoSnapshot(q, "Outline");
    q.frames[1].region = Region{};
    q.frames[1].area = 0;
    ASSERT_TRUE(RestoreUndoSnapshot(q, true));
    EXPECT_EQ(q.frames[1].area, p.frames[1].area);
    EXPECT_FALSE(PointInRegion(q.frames[1].region, PixelPoint{175, 180}));
}

TEST(ProblemFileRules, StoredDrawingOrderIsKeptWhenItNamesTheFrames) {
    Problem p;
    BuildRichProblem(p);
    p.settings.frameDrawOrder[0] = 2;
    p.settings.frameDrawOrder[1] = 1;
    p.settings.frameDrawOrder[2] = 3;
    Problem q;
    ASSERT_TRUE(Load(q, EncodeProblemFile(p)));
    EXPECT_EQ(q.settings.frameDrawOrder[0], 2);
    EXPECT_EQ(q.settings.frameDrawOrder[1], 1);

    // An order naming a frame that does not exist is replaced by the computed one.
    p.settings.frameDrawOrder[1] = 9;
    Problem r;
    ASSERT_TRUE(Load(r, EncodeProblemFile(p)));
    Problem computed;
    BuildRichProblem(computed);
    EXPECT_EQ(r.settings.frameDrawOrder, computed.settings.frameDrawOrder);
}

}  // namespace
}  // namespace kova
