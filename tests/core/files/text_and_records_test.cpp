// Short strings at the file boundary and the byte images of the records.
#include <gtest/gtest.h>

#include <cstring>

#include "files/byte_stream.hpp"
#include "files/extended_codec.hpp"
#include "files/record_codec.hpp"
#include "files/text_encoding.hpp"

namespace kova {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::int32_t I32At(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
                                     (static_cast<std::uint32_t>(b.at(at + 3)) << 24));
}
std::int16_t I16At(const Bytes& b, std::size_t at) {
    return static_cast<std::int16_t>(b.at(at) | (b.at(at + 1) << 8));
}
Real ExtAt(const Bytes& b, std::size_t at) {
    ExtendedImage image{};
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = b.at(at + i);
    return DecodeExtended(image);
}
std::string StrAt(const Bytes& b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(&b.at(at + 1)), b.at(at));
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
    EXPECT_EQ(Utf8ToWindows1252("a\xE6\xBC\xA2z"), "a?z");                // CJK character
    EXPECT_EQ(Utf8ToWindows1252("\xF0\x9F\x98\x80!"), "?!");              // emoji
    EXPECT_EQ(Utf8ToWindows1252("x\xC3"), "x?");                          // cut sequence
    EXPECT_EQ(Utf8ToWindows1252("\xC0\xAF"), "??");                       // overlong
    EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "???");                  // surrogate
}

TEST(Windows1252, LongTextsAreCutAtACharacterBoundary) {
    ByteWriter out;
    out.Str("\xC3\xA9\xC3\xA9\xC3\xA9", 2);  // three two-byte characters into two places
    EXPECT_EQ(out.Data(), (Bytes{2, 0xE9, 0xE9}));
    ByteWriter padded;
    padded.Str("ab", 5);
    EXPECT_EQ(padded.Data(), (Bytes{2, 'a', 'b', 0, 0, 0}));
}

TEST(ByteReader, RefusesLengthBytesBeyondTheCapacityAndShortInput) {
    const Bytes tooLong{6, 'a', 'b', 'c', 'd', 'e', 0};
    ByteReader in(tooLong);
    try {
        (void)in.Str(5);
        FAIL() << "accepted a length byte above the capacity";
    } catch (const FileFormatError& e) {
        EXPECT_EQ(e.Offset(), 0u);
    }
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
    Node n;
    n.x = 12.5L;
    n.y = -3;
    n.currentValue = 100;
    n.initialValue = kUnspecified;
    n.valueSpec = 7;
    n.active = 1;
    n.nodeMark = -2;
    n.outputMark = 1;
    ByteWriter out;
    WriteNode(out, n);
    const Bytes& b = out.Data();
    ASSERT_EQ(b.size(), 46u);
    EXPECT_EQ(ExtAt(b, 0), 12.5L);
    EXPECT_EQ(ExtAt(b, 10), -3.0L);
    EXPECT_EQ(ExtAt(b, 20), 100.0L);
    EXPECT_EQ(ExtAt(b, 30), -999.0L);
    EXPECT_EQ(I16At(b, 40), 7);
    EXPECT_EQ(b[42], 1);
    EXPECT_EQ(I16At(b, 43), -2);
    EXPECT_EQ(b[45], 1);
}

LineSegment SampleSegment() {
    LineSegment s;
    s.node1 = 3;
    s.node2 = 9;
    s.frameA = 1;
    s.frameB = 2;
    s.areaFactor = 2.5L;
    s.lineFlow = -1.25L;
    s.flowDirection = 2;
    s.active = 1;
    s.bandSide = 1;
    s.number = 17;
    s.elementCount = 2;
    s.valueSpec = 4;
    s.fluxSpec = 5;
    s.transferSpec = 6;
    s.ambientSpec = 8;
    return s;
}

TEST(RecordLayout, LineSegmentImagesInBothLayouts) {
    ByteWriter wide;
    WriteLineSegment(wide, SampleSegment());
    const Bytes& b = wide.Data();
    ASSERT_EQ(b.size(), 74u);
    EXPECT_EQ(I32At(b, 0), 3);
    EXPECT_EQ(I32At(b, 4), 9);
    EXPECT_EQ(I32At(b, 8), 1);
    EXPECT_EQ(I32At(b, 12), 2);
    EXPECT_EQ(ExtAt(b, 16), 2.5L);
    EXPECT_EQ(ExtAt(b, 26), -1.25L);
    EXPECT_EQ(I32At(b, 36), 2);
    EXPECT_EQ(b[40], 1);
    EXPECT_EQ(b[41], 1);
    EXPECT_EQ(I32At(b, 42), 17);
    EXPECT_EQ(I32At(b, 46), 2);
    EXPECT_EQ(I32At(b, 50), 4);
    EXPECT_EQ(I32At(b, 54), 5);
    EXPECT_EQ(I32At(b, 58), 6);
    EXPECT_EQ(I32At(b, 62), 8);
    EXPECT_EQ(I32At(b, 66), 0);
    EXPECT_EQ(I32At(b, 70), 0);

    ByteWriter legacy(IntegerWidth::Legacy);
    WriteLineSegment(legacy, SampleSegment());
    const Bytes& l = legacy.Data();
    ASSERT_EQ(l.size(), 52u);
    EXPECT_EQ(I16At(l, 0), 3);
    EXPECT_EQ(I16At(l, 6), 2);
    EXPECT_EQ(ExtAt(l, 8), 2.5L);
    EXPECT_EQ(I16At(l, 28), 2);
    EXPECT_EQ(l[30], 1);
    EXPECT_EQ(I16At(l, 32), 17);
    EXPECT_EQ(I16At(l, 42), 8);

    ByteReader in(l, IntegerWidth::Legacy);
    LineSegment back;
    ReadLineSegment(in, back);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.ambientSpec, 8);
    EXPECT_EQ(back.number, 17);
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
    f.finThickness = 0.01L;
    f.finTransferSpec = 5;
    f.finFluidSpec = 6;
    f.finFluxSpec = 7;
    f.subtracted = 1;
    f.balanceSelected = 1;
    return f;
}

TEST(RecordLayout, FrameImagesInBothLayouts) {
    ByteWriter wide;
    WriteFrameRecord(wide, SampleFrame());
    const Bytes& b = wide.Data();
    ASSERT_EQ(b.size(), 135u);
    EXPECT_EQ(I32At(b, 0), 4);
    EXPECT_EQ(I32At(b, 4), 4);
    EXPECT_EQ(I32At(b, 12), 10);
    EXPECT_EQ(I32At(b, 24), 220);
    EXPECT_EQ(I32At(b, 32), 32);
    EXPECT_EQ(I32At(b, 40), 3);
    EXPECT_EQ(b[44], 1);
    EXPECT_EQ(ExtAt(b, 45), 1.5L);
    EXPECT_EQ(ExtAt(b, 55), 0.25L);
    EXPECT_EQ(ExtAt(b, 65), 20.0L);
    EXPECT_EQ(I32At(b, 75), 2);
    EXPECT_EQ(I32At(b, 79), 3);
    EXPECT_EQ(I32At(b, 83), 60);
    EXPECT_EQ(I32At(b, 87), 70);
    EXPECT_EQ(I32At(b, 91), 65);
    EXPECT_EQ(ExtAt(b, 95), 33.0L);
    EXPECT_EQ(ExtAt(b, 115), 0.01L);
    EXPECT_EQ(I16At(b, 125), 5);
    EXPECT_EQ(I16At(b, 127), 6);
    EXPECT_EQ(I16At(b, 129), 7);
    EXPECT_EQ(b[133], 1);
    EXPECT_EQ(b[134], 1);

    ByteWriter legacy(IntegerWidth::Legacy);
    WriteFrameRecord(legacy, SampleFrame());
    const Bytes& l = legacy.Data();
    ASSERT_EQ(l.size(), 105u);
    EXPECT_EQ(I16At(l, 2), 4);      // vertex count
    EXPECT_EQ(I16At(l, 6), 10);     // rectangle after the 2-byte region slot
    EXPECT_EQ(I32At(l, 18), 32);    // pixel polygon size keeps 4 bytes
    EXPECT_EQ(I16At(l, 26), 3);     // material
    EXPECT_EQ(l[28], 1);            // type
    EXPECT_EQ(I16At(l, 59), 2);     // generation specification
    EXPECT_EQ(I16At(l, 67), 65);    // lump letter
    EXPECT_EQ(I16At(l, 99), 5);     // extended-surface coefficient
    EXPECT_EQ(I16At(l, 101), 6);
    EXPECT_EQ(l[103], 1);

    ByteReader in(l, IntegerWidth::Legacy);
    Frame back;
    EXPECT_EQ(ReadFrameRecord(in, back), 4);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.finFluxSpec, 0);  // absent in the legacy layout
    EXPECT_EQ(back.finFluidSpec, 6);
    EXPECT_EQ(back.lumpResult, 33.0L);
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
    ByteWriter out;
    WriteBoundarySpec(out, s);
    const Bytes& b = out.Data();
    ASSERT_EQ(b.size(), 655u);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(ExtAt(b, 6), 12.0L);
    EXPECT_EQ(StrAt(b, 16), "10+T");
    EXPECT_EQ(b[16 + 5], 0);  // unused text bytes are zero
    EXPECT_EQ(ExtAt(b, 145), 3.0L);
    EXPECT_EQ(ExtAt(b, 645), -1.5L);

    Material m;
    m.name = "Copper";
    m.fillPattern = -1;
    m.colorGridIndex = 9;
    m.color = 0x00123456;
    m.density.value = 8900;
    m.specificHeat.value = 385;
    m.conductivity.value = 401;
    m.perfusion.value = 0.5L;
    m.kyOverKx = 2;
    m.anisotropic = 1;
    ByteWriter mat;
    WriteMaterial(mat, m);
    const Bytes& mb = mat.Data();
    ASSERT_EQ(mb.size(), 2680u);
    EXPECT_EQ(StrAt(mb, 0), "Copper");
    EXPECT_EQ(I16At(mb, 26), -1);
    EXPECT_EQ(I16At(mb, 28), 9);
    EXPECT_EQ(I32At(mb, 30), 0x00123456);
    EXPECT_EQ(ExtAt(mb, 34 + 6), 8900.0L);
    EXPECT_EQ(ExtAt(mb, 689 + 6), 385.0L);
    EXPECT_EQ(ExtAt(mb, 1344 + 6), 401.0L);
    EXPECT_EQ(ExtAt(mb, 1999 + 6), 0.5L);
    for (std::size_t i = 2654; i < 2668; ++i) EXPECT_EQ(mb[i], 0) << i;
    EXPECT_EQ(ExtAt(mb, 2668), 2.0L);
    EXPECT_EQ(mb[2678], 1);
}

TextItem SampleText() {
    TextItem t;
    t.winNo = 1;
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
    t.extra2 = 2;
    t.extra3 = 3;
    t.angle = -45;
    t.extraB1 = 1;
    t.selected = 1;
    return t;
}

TEST(RecordLayout, TextItemImagesInBothLayouts) {
    ByteWriter wide;
    WriteTextItem(wide, SampleText());
    const Bytes& b = wide.Data();
    ASSERT_EQ(b.size(), 166u);
    EXPECT_EQ(I32At(b, 0), 1);
    EXPECT_EQ(b[4], 3);
    EXPECT_EQ(b[7], 0x80);  // the euro sign in the code page
    EXPECT_EQ(I32At(b, 85), 3);
    EXPECT_EQ(I32At(b, 89), 5);
    EXPECT_EQ(I32At(b, 101), 8);
    EXPECT_EQ(StrAt(b, 109), "Arial");
    EXPECT_EQ(I32At(b, 141), 0x00FF00);
    EXPECT_EQ(I32At(b, 145), 14);
    EXPECT_EQ(b[149], 0b1010);
    EXPECT_EQ(b[150], 0);
    EXPECT_EQ(b[151], 1);
    EXPECT_EQ(I16At(b, 152), 1);
    EXPECT_EQ(I16At(b, 156), 3);
    EXPECT_EQ(I16At(b, 158), -45);
    EXPECT_EQ(b[160], 1);
    EXPECT_EQ(b[161], 1);

    ByteWriter legacy(IntegerWidth::Legacy);
    WriteTextItem(legacy, SampleText());
    const Bytes& l = legacy.Data();
    ASSERT_EQ(l.size(), 150u);
    EXPECT_EQ(I16At(l, 83), 3);       // Nt
    EXPECT_EQ(StrAt(l, 95), "Arial");  // after the 2-byte font handle slot
    EXPECT_EQ(I32At(l, 127), 0x00FF00);
    EXPECT_EQ(I16At(l, 131), 14);
    EXPECT_EQ(I16At(l, 142), -45);
    ByteReader in(l, IntegerWidth::Legacy);
    const TextItem back = ReadTextItem(in);
    EXPECT_EQ(back.theText, "Q \xE2\x82\xAC");
    EXPECT_EQ(back.angle, -45);
    EXPECT_TRUE(in.AtEnd());
}

TEST(RecordLayout, RecordsWithImpossibleEnumerationsAreRefused) {
    ByteWriter out;
    WriteTextItem(out, SampleText());
    Bytes b = out.Data();
    b[151] = 3;  // no such orientation
    ByteReader in(b);
    try {
        (void)ReadTextItem(in);
        FAIL();
    } catch (const FileFormatError& e) {
        EXPECT_EQ(e.Offset(), 151u);
    }
    ByteWriter frame;
    WriteFrameRecord(frame, SampleFrame());
    Bytes fb = frame.Data();
    fb[44] = 4;
    ByteReader fin(fb);
    Frame f;
    EXPECT_THROW((void)ReadFrameRecord(fin, f), FileFormatError);
}

TEST(RecordLayout, PlotSettingsDefaultsImage) {
    ByteWriter out;
    WritePlotSettings(out, PlotSettings{}, true);
    const Bytes& b = out.Data();
    ASSERT_EQ(b.size(), 144u);
    EXPECT_EQ(ExtAt(b, 0), -999.0L);
    EXPECT_EQ(ExtAt(b, 10), -999.0L);
    for (std::size_t at = 20; at < 84; at += 4) EXPECT_EQ(I32At(b, at), 0);
    EXPECT_EQ(b[84], 1);
    EXPECT_EQ(b[85], 1);
    EXPECT_EQ(I32At(b, 86), 1);
    EXPECT_EQ(I32At(b, 90), 1);
    EXPECT_EQ(I32At(b, 94), 5);
    EXPECT_EQ(I32At(b, 98), 5);
    EXPECT_EQ(b[102], 0);
    EXPECT_EQ(b[103], 1);
    EXPECT_EQ(b[104], 0);
    EXPECT_EQ(I16At(b, 105), 2);
    EXPECT_EQ(b[107], 0);
    EXPECT_EQ(I16At(b, 108), 2);
    EXPECT_EQ(I32At(b, 110), 0);
    EXPECT_EQ((Bytes{b[114], b[115], b[116], b[117]}), (Bytes{1, 1, 1, 0}));
    EXPECT_EQ(I16At(b, 120), 0);
    EXPECT_EQ(I32At(b, 122), 0);
    EXPECT_EQ(I32At(b, 126), 0);
    EXPECT_EQ(I16At(b, 130), 16);
    EXPECT_EQ(I16At(b, 132), 16);
    EXPECT_EQ(ExtAt(b, 134), 0.0L);

    // The legacy layout narrows the 22 integers; older files have an integer in place
    // of the two bytes at 118.
    ByteWriter legacy(IntegerWidth::Legacy);
    WritePlotSettings(legacy, PlotSettings{}, true);
    EXPECT_EQ(legacy.Size(), 100u);
    ByteWriter old(IntegerWidth::Wide);
    WritePlotSettings(old, PlotSettings{}, false);
    EXPECT_EQ(old.Size(), 146u);
}

}  // namespace
}  // namespace kova
