// Short strings at the file boundary and the byte images of the records.
#include <gtest/gtest.h>

#include "core/files/file_image.hpp"
#include "files/byte_stream.hpp"
#include "files/record_codec.hpp"
#include "files/text_encoding.hpp"

namespace kova {
namespace {

using namespace test;

// One field of a record image: its offset, its kind (byte, int16, int32 or ext) and value.
struct Field {
    std::size_t at;
    char kind;
    long double value;
};

void ExpectFields(const Bytes& b, std::initializer_list<Field> fields) {
    for (const Field& f : fields) {
        switch (f.kind) {
            case 'b':
                EXPECT_EQ(b.at(f.at), f.value) << "byte at " << f.at;
                break;
            case 'h':
                EXPECT_EQ(I16At(b, f.at), f.value) << "int16 at " << f.at;
                break;
            case 'i':
                EXPECT_EQ(I32At(b, f.at), f.value) << "int32 at " << f.at;
                break;
            default:
                EXPECT_EQ(ExtAt(b, f.at), f.value) << "ext at " << f.at;
                break;
        }
    }
}

std::string StrAt(const Bytes& b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(&b.at(at + 1)), b.at(at));
}

template <typename Write>
Bytes Image(IntegerWidth width, Write write) {
    ByteWriter out(width);
    write(out);
    return out.Data();
}

TEST(Windows1252, MapsTheCodePageBothWays) {
    EXPECT_EQ(Utf8ToWindows1252("Temp\xC3\xA9rature \xE2\x82\xAC \xC2\xB0"),
              "Temp\xE9rature \x80 \xB0");
    EXPECT_EQ(Windows1252ToUtf8("\x80\x99\xE9\xFF"), "\xE2\x82\xAC\xE2\x84\xA2\xC3\xA9\xC3\xBF");
    // Every byte survives a round trip through UTF-8, the undefined ones included.
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
}

TEST(Windows1252, UnmappableAndMalformedTextBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToWindows1252("a\xE6\xBC\xA2z"), "a?z");    // CJK character
    EXPECT_EQ(Utf8ToWindows1252("\xF0\x9F\x98\x80!"), "?!");  // emoji
    EXPECT_EQ(Utf8ToWindows1252("x\xC3"), "x?");              // cut sequence
    EXPECT_EQ(Utf8ToWindows1252("\xC0\xAF"), "??");           // overlong
    EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "???");      // surrogate
}

TEST(Windows1252, StringFieldsArePaddedAndCutAtACharacterBoundary) {
    ByteWriter out;
    out.Str("\xC3\xA9\xC3\xA9\xC3\xA9", 2);  // three two-byte characters into two places
    out.Str("ab", 5);
    EXPECT_EQ(out.Data(), (Bytes{2, 0xE9, 0xE9, 2, 'a', 'b', 0, 0, 0}));
}

TEST(ByteReader, RefusesLengthBytesBeyondTheCapacityAndShortInput) {
    const Bytes tooLong{6, 'a', 'b', 'c', 'd', 'e', 0};
    ByteReader in(tooLong);
    EXPECT_THROW((void)in.Str(5), FileFormatError);
    const Bytes three{1, 2, 3};
    ByteReader shortInput(three);
    (void)shortInput.U8();
    EXPECT_THROW((void)shortInput.I32(), FileFormatError);
    ByteReader counts(three);
    EXPECT_THROW(counts.CheckCount(-1, 4, "items"), FileFormatError);
    EXPECT_THROW(counts.CheckCount(1, 4, "items"), FileFormatError);
    EXPECT_NO_THROW(counts.CheckCount(3, 1, "items"));
}

TEST(RecordLayout, NodeImage) {
    const Node n{12.5L, -3, 100, kUnspecified, 7, 1, -2, 1};
    const Bytes b = Image(IntegerWidth::Wide, [&](ByteWriter& o) { WriteNode(o, n); });
    ASSERT_EQ(b.size(), 46u);
    ExpectFields(b, {{0, 'e', 12.5},
                     {10, 'e', -3},
                     {20, 'e', 100},
                     {30, 'e', -999},
                     {40, 'h', 7},
                     {42, 'b', 1},
                     {43, 'h', -2},
                     {45, 'b', 1}});
}

TEST(RecordLayout, LineSegmentImagesInBothLayouts) {
    LineSegment s{3, 9, 1, 2, 2.5L, -1.25L, 2, 1, 1, 17, 2, 4, 5, 6, 8};
    const Bytes b = Image(IntegerWidth::Wide, [&](ByteWriter& o) { WriteLineSegment(o, s); });
    ASSERT_EQ(b.size(), 74u);
    ExpectFields(b, {{0, 'i', 3},
                     {4, 'i', 9},
                     {8, 'i', 1},
                     {12, 'i', 2},
                     {16, 'e', 2.5},
                     {26, 'e', -1.25},
                     {36, 'i', 2},
                     {40, 'b', 1},
                     {41, 'b', 1},
                     {42, 'i', 17},
                     {46, 'i', 2},
                     {50, 'i', 4},
                     {54, 'i', 5},
                     {58, 'i', 6},
                     {62, 'i', 8},
                     {66, 'i', 0},
                     {70, 'i', 0}});
    const Bytes l = Image(IntegerWidth::Legacy, [&](ByteWriter& o) { WriteLineSegment(o, s); });
    ASSERT_EQ(l.size(), 52u);
    ExpectFields(l, {{0, 'h', 3},
                     {6, 'h', 2},
                     {8, 'e', 2.5},
                     {28, 'h', 2},
                     {30, 'b', 1},
                     {32, 'h', 17},
                     {42, 'h', 8},
                     {44, 'i', 0}});
    ByteReader in(l, IntegerWidth::Legacy);
    LineSegment back;
    ReadLineSegment(in, back);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.ambientSpec, 8);
    EXPECT_EQ(back.lineFlow, -1.25L);
}

Frame SampleFrame() {
    Frame f;
    f.outlineStart = 4;
    f.vertices = {4, 5, 6, 4};
    f.bounds = IntRect{10, 20, 110, 220};
    f.pixelPolygonSize = 32;
    f.material = 3;
    f.type = FrameType::Lumped;
    f.volume = 1.5L;
    f.area = 0.25L;
    f.lumpInitialValue = 20;
    f.generationSpec = 2;
    f.lumpValueSpec = 3;
    f.labelX = 60;
    f.labelY = 70;
    f.lumpLetter = 65;
    f.lumpResult = 33;
    f.finTransferSpec = 5;
    f.finFluidSpec = 6;
    f.finFluxSpec = 7;
    f.subtracted = 1;
    f.balanceSelected = 1;
    return f;
}

TEST(RecordLayout, FrameImagesInBothLayouts) {
    const Frame f = SampleFrame();
    const Bytes b = Image(IntegerWidth::Wide, [&](ByteWriter& o) { WriteFrameRecord(o, f); });
    ASSERT_EQ(b.size(), 135u);
    ExpectFields(b,
                 {{0, 'i', 4},   {4, 'i', 4},       {12, 'i', 10},  {24, 'i', 220},  {32, 'i', 32},
                  {40, 'i', 3},  {44, 'b', 1},      {45, 'e', 1.5}, {55, 'e', 0.25}, {65, 'e', 20},
                  {75, 'i', 2},  {79, 'i', 3},      {83, 'i', 60},  {87, 'i', 70},   {91, 'i', 65},
                  {95, 'e', 33}, {115, 'e', 0.01L}, {125, 'h', 5},  {127, 'h', 6},   {129, 'h', 7},
                  {133, 'b', 1}, {134, 'b', 1}});
    // Legacy: 2-byte integers and region slot, 4-byte slots at 28..39, no int16 at 129/131.
    const Bytes l = Image(IntegerWidth::Legacy, [&](ByteWriter& o) { WriteFrameRecord(o, f); });
    ASSERT_EQ(l.size(), 105u);
    ExpectFields(l, {{2, 'h', 4},
                     {6, 'h', 10},
                     {18, 'i', 32},
                     {26, 'h', 3},
                     {28, 'b', 1},
                     {59, 'h', 2},
                     {67, 'h', 65},
                     {99, 'h', 5},
                     {101, 'h', 6},
                     {103, 'b', 1}});
    ByteReader in(l, IntegerWidth::Legacy);
    Frame back;
    EXPECT_EQ(ReadFrameRecord(in, back), 4);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.finFluxSpec, 0);
    EXPECT_EQ(back.finFluidSpec, 6);
}

TEST(RecordLayout, SpecificationAndMaterialImages) {
    BoundarySpec s;
    s.kind = 3;
    s.constant = 0;
    s.dependsOnPotential = 1;
    s.value = 12;
    s.text = "10+T";
    s.compiled[0] = 3;
    s.compiled[50] = -1.5L;
    const Bytes b = Image(IntegerWidth::Wide, [&](ByteWriter& o) { WriteBoundarySpec(o, s); });
    ASSERT_EQ(b.size(), 655u);
    ExpectFields(b, {{0, 'b', 3},
                     {1, 'b', 0},
                     {3, 'b', 1},
                     {6, 'e', 12},
                     {21, 'b', 0},
                     {145, 'e', 3},
                     {645, 'e', -1.5}});
    EXPECT_EQ(StrAt(b, 16), "10+T");

    Material m;
    m.name = "Copper";
    m.colorGridIndex = 9;
    m.color = 0x00123456;
    m.density.value = 8900;
    m.specificHeat.value = 385;
    m.conductivity.value = 401;
    m.perfusion.value = 0.5L;
    m.kyOverKx = 2;
    m.anisotropic = 1;
    const Bytes mb = Image(IntegerWidth::Wide, [&](ByteWriter& o) { WriteMaterial(o, m); });
    ASSERT_EQ(mb.size(), 2680u);
    EXPECT_EQ(StrAt(mb, 0), "Copper");
    ExpectFields(mb, {{26, 'h', -1},
                      {28, 'h', 9},
                      {30, 'i', 0x00123456},
                      {40, 'e', 8900},
                      {695, 'e', 385},
                      {1350, 'e', 401},
                      {2005, 'e', 0.5},
                      {2654, 'i', 0},
                      {2664, 'i', 0},
                      {2668, 'e', 2},
                      {2678, 'b', 1}});
}

TextItem SampleText() {
    TextItem t;
    t.theText = "Q \xE2\x82\xAC";
    t.nt = 3;
    t.theRect = IntRect{5, 6, 7, 8};
    t.fontName = "Arial";
    t.color = 0x00FF00;
    t.fSize = 14;
    t.style = 0b1010;
    t.mode = TextMode::opaq;
    t.orientation = OrientationType::Vert;
    t.extra1 = 1;
    t.extra3 = 3;
    t.angle = -45;
    t.extraB1 = 1;
    t.selected = 1;
    return t;
}

TEST(RecordLayout, TextItemImagesInBothLayouts) {
    const TextItem t = SampleText();
    const Bytes b = Image(IntegerWidth::Wide, [&](ByteWriter& o) { WriteTextItem(o, t); });
    ASSERT_EQ(b.size(), 166u);
    ExpectFields(b, {{0, 'i', 1},
                     {4, 'b', 3},
                     {7, 'b', 0x80},
                     {85, 'i', 3},
                     {89, 'i', 5},
                     {101, 'i', 8},
                     {141, 'i', 0xFF00},
                     {145, 'i', 14},
                     {149, 'b', 10},
                     {150, 'b', 0},
                     {151, 'b', 1},
                     {152, 'h', 1},
                     {156, 'h', 3},
                     {158, 'h', -45},
                     {160, 'b', 1},
                     {161, 'b', 1}});
    EXPECT_EQ(StrAt(b, 109), "Arial");
    const Bytes l = Image(IntegerWidth::Legacy, [&](ByteWriter& o) { WriteTextItem(o, t); });
    ASSERT_EQ(l.size(), 150u);
    ExpectFields(l, {{83, 'h', 3}, {127, 'i', 0xFF00}, {131, 'h', 14}, {142, 'h', -45}});
    EXPECT_EQ(StrAt(l, 95), "Arial");
    ByteReader in(l, IntegerWidth::Legacy);
    EXPECT_EQ(ReadTextItem(in).theText, "Q \xE2\x82\xAC");
    EXPECT_TRUE(in.AtEnd());
}

TEST(RecordLayout, RecordsWithImpossibleEnumerationsAreRefused) {
    Bytes text = Image(IntegerWidth::Wide, [](ByteWriter& o) { WriteTextItem(o, SampleText()); });
    text[151] = 3;  // no such orientation
    ByteReader in(text);
    try {
        (void)ReadTextItem(in);
        FAIL();
    } catch (const FileFormatError& e) {
        EXPECT_EQ(e.Offset(), 151u);
    }
    Bytes frame =
        Image(IntegerWidth::Wide, [](ByteWriter& o) { WriteFrameRecord(o, SampleFrame()); });
    frame[44] = 4;
    ByteReader fin(frame);
    Frame f;
    EXPECT_THROW((void)ReadFrameRecord(fin, f), FileFormatError);
}

TEST(RecordLayout, PlotSettingsDefaultsImage) {
    const Bytes b = Image(IntegerWidth::Wide,
                          [](ByteWriter& o) { WritePlotSettings(o, PlotSettings{}, true); });
    ASSERT_EQ(b.size(), 144u);
    ExpectFields(b, {{0, 'e', -999}, {10, 'e', -999}, {20, 'i', 0},  {80, 'i', 0},  {84, 'b', 1},
                     {85, 'b', 1},   {86, 'i', 1},    {90, 'i', 1},  {94, 'i', 5},  {98, 'i', 5},
                     {102, 'b', 0},  {103, 'b', 1},   {104, 'b', 0}, {105, 'h', 2}, {107, 'b', 0},
                     {108, 'h', 2},  {110, 'i', 0},   {114, 'b', 1}, {115, 'b', 1}, {116, 'b', 1},
                     {117, 'b', 0},  {120, 'h', 0},   {122, 'i', 0}, {126, 'i', 0}, {130, 'h', 16},
                     {132, 'h', 16}, {134, 'e', 0}});
    // The legacy layout narrows the 22 integers; older files have an integer in place of
    // the two bytes at 118.
    EXPECT_EQ(Image(IntegerWidth::Legacy,
                    [](ByteWriter& o) { WritePlotSettings(o, PlotSettings{}, true); })
                  .size(),
              100u);
    EXPECT_EQ(Image(IntegerWidth::Wide,
                    [](ByteWriter& o) { WritePlotSettings(o, PlotSettings{}, false); })
                  .size(),
              146u);
}

}  // namespace
}  // namespace kova
