#include "files/record_codec.hpp"

#include <algorithm>
#include <string>

namespace kova {
namespace {

constexpr std::size_t kExt = 10;

void WriteRect(ByteWriter& out, const IntRect& r) {
    out.Int(r.left);
    out.Int(r.top);
    out.Int(r.right);
    out.Int(r.bottom);
}

IntRect ReadRect(ByteReader& in) {
    IntRect r;
    r.left = in.Int();
    r.top = in.Int();
    r.right = in.Int();
    r.bottom = in.Int();
    return r;
}

// Reads a byte that holds an enumeration value 0..maxValue.
template <typename Enum>
Enum ReadEnum(ByteReader& in, int maxValue, const char* what) {
    const std::size_t at = in.Offset();
    const std::uint8_t v = in.U8();
    if (v > maxValue) in.FailAt(at, std::string("invalid ") + what);
    return static_cast<Enum>(v);
}

void WriteDecForm(ByteWriter& out, const DecForm& f) {
    out.U8(f.style);
    out.I16(f.digits);
}

DecForm ReadDecForm(ByteReader& in) {
    DecForm f;
    f.style = in.U8();
    f.digits = in.I16();
    return f;
}

}  // namespace

std::size_t LineRecordSize(IntegerWidth width) {
    // 11 integers, two ext, two bytes, two 4-byte link slots.
    return 11 * IntegerSize(width) + 2 * kExt + 2 + 8;
}

std::size_t FrameRecordSize(IntegerWidth width) {
    // 13 integers (with the region slot), three 4-byte slots, the type byte, six ext,
    // the int16 fields (four in the current layout, two in the legacy one), two flags.
    const std::size_t int16Fields = width == IntegerWidth::Wide ? 4 : 2;
    return 13 * IntegerSize(width) + 12 + 1 + 6 * kExt + 2 * int16Fields + 2;
}

std::size_t TextRecordSize(IntegerWidth width) {
    // 8 integers (with the font handle slot), two strings, colour, four bytes, four
    // int16, two bytes, the link slot.
    return 8 * IntegerSize(width) + (kTextCapacity + 1) + (kFontNameCapacity + 1) + 4 + 3 + 8 + 2 +
           4;
}

std::size_t PlotSettingsSize(IntegerWidth width, bool withLineBytes) {
    // 22 integers, two ext, 10 bytes, two number formats, one int32, int16 fields, the
    // closing 10 bytes, and the two line bytes or the integer in their place.
    return 22 * IntegerSize(width) + 2 * kExt + 8 + 6 + 4 + 2 + 4 + kExt +
           (withLineBytes ? 2 : IntegerSize(width));
}

void WriteNode(ByteWriter& out, const Node& node) {
    out.Ext(node.x);
    out.Ext(node.y);
    out.Ext(node.currentValue);
    out.Ext(node.initialValue);
    out.I16(node.valueSpec);
    out.U8(node.active);
    out.I16(node.nodeMark);
    out.U8(node.outputMark);
}

Node ReadNode(ByteReader& in) {
    Node node;
    node.x = in.Ext();
    node.y = in.Ext();
    node.currentValue = in.Ext();
    node.initialValue = in.Ext();
    node.valueSpec = in.I16();
    node.active = in.U8();
    node.nodeMark = in.I16();
    node.outputMark = in.U8();
    return node;
}

void WriteLineSegment(ByteWriter& out, const LineSegment& s) {
    out.Int(s.node1);
    out.Int(s.node2);
    out.Int(s.frameA);
    out.Int(s.frameB);
    out.Ext(s.areaFactor);
    out.Ext(s.lineFlow);
    out.Int(s.flowDirection);
    out.U8(s.active);
    out.U8(s.bandSide);
    out.Int(s.number);
    out.Int(s.elementCount);
    out.Int(s.valueSpec);
    out.Int(s.fluxSpec);
    out.Int(s.transferSpec);
    out.Int(s.ambientSpec);
    out.I32(0);  // previous
    out.I32(0);  // next
}

void ReadLineSegment(ByteReader& in, LineSegment& s) {
    s.node1 = in.Int();
    s.node2 = in.Int();
    s.frameA = in.Int();
    s.frameB = in.Int();
    s.areaFactor = in.Ext();
    s.lineFlow = in.Ext();
    s.flowDirection = in.Int();
    s.active = in.U8();
    s.bandSide = in.U8();
    s.number = in.Int();
    s.elementCount = in.Int();
    s.valueSpec = in.Int();
    s.fluxSpec = in.Int();
    s.transferSpec = in.Int();
    s.ambientSpec = in.Int();
    in.Skip(8);  // list links
}

void WriteFrameRecord(ByteWriter& out, const Frame& f) {
    out.Int(f.outlineStart);
    out.Int(f.VertexCount());
    out.Int(0);  // region handle
    WriteRect(out, f.bounds);
    out.I32(0);  // vertex list
    out.I32(f.pixelPolygonSize);
    out.I32(0);  // pixel polygon
    out.Int(f.material);
    out.U8(static_cast<std::uint8_t>(f.type));
    out.Ext(f.volume);
    out.Ext(f.area);
    out.Ext(f.lumpInitialValue);
    out.Int(f.generationSpec);
    out.Int(f.lumpValueSpec);
    out.Int(f.labelX);
    out.Int(f.labelY);
    out.Int(f.lumpLetter);
    out.Ext(f.lumpResult);
    out.Ext(f.reserved);
    out.Ext(f.finThickness);
    out.I16(f.finTransferSpec);
    out.I16(f.finFluidSpec);
    if (out.Width() == IntegerWidth::Wide) {
        out.I16(f.finFluxSpec);
        out.I16(f.reservedInt);
    }
    out.U8(f.subtracted);
    out.U8(f.balanceSelected);
}

std::int32_t ReadFrameRecord(ByteReader& in, Frame& f) {
    f.outlineStart = in.Int();
    const std::int32_t vertexCount = in.Int();
    (void)in.Int();  // region handle
    f.bounds = ReadRect(in);
    (void)in.I32();  // vertex list
    f.pixelPolygonSize = in.I32();
    (void)in.I32();  // pixel polygon
    f.material = in.Int();
    f.type = ReadEnum<FrameType>(in, 3, "frame type");
    f.volume = in.Ext();
    f.area = in.Ext();
    f.lumpInitialValue = in.Ext();
    f.generationSpec = in.Int();
    f.lumpValueSpec = in.Int();
    f.labelX = in.Int();
    f.labelY = in.Int();
    f.lumpLetter = in.Int();
    f.lumpResult = in.Ext();
    f.reserved = in.Ext();
    f.finThickness = in.Ext();
    f.finTransferSpec = in.I16();
    f.finFluidSpec = in.I16();
    if (in.Width() == IntegerWidth::Wide) {
        f.finFluxSpec = in.I16();
        f.reservedInt = in.I16();
    } else {
        f.finFluxSpec = 0;
        f.reservedInt = 0;
    }
    f.subtracted = in.U8();
    f.balanceSelected = in.U8();
    return vertexCount;
}

void WriteBoundarySpec(ByteWriter& out, const BoundarySpec& s) {
    out.U8(s.kind);
    out.U8(s.constant);
    out.U8(s.dependsOnPosition);
    out.U8(s.dependsOnPotential);
    out.U8(s.dependsOnTime);
    out.U8(s.reserved);
    out.Ext(s.value);
    out.Str(s.text, kSpecTextCapacity);
    for (Real v : s.compiled) out.Ext(v);
}

BoundarySpec ReadBoundarySpec(ByteReader& in) {
    BoundarySpec s;
    s.kind = in.U8();
    s.constant = in.U8();
    s.dependsOnPosition = in.U8();
    s.dependsOnPotential = in.U8();
    s.dependsOnTime = in.U8();
    s.reserved = in.U8();
    s.value = in.Ext();
    s.text = in.Str(kSpecTextCapacity);
    for (Real& v : s.compiled) v = in.Ext();
    return s;
}

void WriteMaterial(ByteWriter& out, const Material& m) {
    out.Str(m.name, kMaterialNameCapacity);
    out.I16(m.fillPattern);
    out.I16(m.colorGridIndex);
    out.I32(m.color);
    WriteBoundarySpec(out, m.density);
    WriteBoundarySpec(out, m.specificHeat);
    WriteBoundarySpec(out, m.conductivity);
    WriteBoundarySpec(out, m.perfusion);
    out.Zeros(14);
    out.Ext(m.kyOverKx);
    out.U8(m.anisotropic);
    out.U8(m.reserved);
}

void ReadMaterial(ByteReader& in, Material& m) {
    m.name = in.Str(kMaterialNameCapacity);
    m.fillPattern = in.I16();
    m.colorGridIndex = in.I16();
    m.color = in.I32();
    m.density = ReadBoundarySpec(in);
    m.specificHeat = ReadBoundarySpec(in);
    m.conductivity = ReadBoundarySpec(in);
    m.perfusion = ReadBoundarySpec(in);
    in.Skip(14);
    m.kyOverKx = in.Ext();
    m.anisotropic = in.U8();
    m.reserved = in.U8();
}

void WriteTextItem(ByteWriter& out, const TextItem& t) {
    out.Int(t.winNo);
    out.Str(t.theText, kTextCapacity);
    out.Int(t.nt);
    WriteRect(out, t.theRect);
    out.Int(0);  // font handle
    out.Str(t.fontName, kFontNameCapacity);
    out.I32(t.color);
    out.Int(t.fSize);
    out.U8(t.style);
    out.U8(static_cast<std::uint8_t>(t.mode));
    out.U8(static_cast<std::uint8_t>(t.orientation));
    out.I16(t.extra1);
    out.I16(t.extra2);
    out.I16(t.extra3);
    out.I16(t.angle);
    out.U8(t.extraB1);
    out.U8(t.selected);
    out.I32(0);  // next
}

TextItem ReadTextItem(ByteReader& in) {
    TextItem t;
    t.winNo = in.Int();
    t.theText = in.Str(kTextCapacity);
    t.nt = in.Int();
    t.theRect = ReadRect(in);
    (void)in.Int();  // font handle
    t.fontName = in.Str(kFontNameCapacity);
    t.color = in.I32();
    t.fSize = in.Int();
    t.style = in.U8();
    t.mode = ReadEnum<TextMode>(in, 1, "text background mode");
    t.orientation = ReadEnum<OrientationType>(in, 2, "text orientation");
    t.extra1 = in.I16();
    t.extra2 = in.I16();
    t.extra3 = in.I16();
    t.angle = in.I16();
    t.extraB1 = in.U8();
    t.selected = in.U8();
    in.Skip(4);  // next
    return t;
}

void WritePlotSettings(ByteWriter& out, const PlotSettings& p, bool withLineBytes) {
    out.Ext(p.yMin);
    out.Ext(p.yMax);
    out.Int(p.nodeCount);
    for (std::int32_t n : p.nodes) out.Int(n);
    out.U8(p.timeGrid);
    out.U8(p.valueGrid);
    out.Int(p.timeMinorTicks);
    out.Int(p.valueMinorTicks);
    out.Int(p.xTicks);
    out.Int(p.yTicks);
    out.U8(p.integralFlows);
    out.U8(p.autoValueScale);
    WriteDecForm(out, p.timeFormat);
    WriteDecForm(out, p.valueFormat);
    out.I32(p.unused110);
    out.U8(p.drawLines);
    out.U8(p.drawSymbols);
    out.U8(p.drawLegend);
    out.U8(p.unused117);
    if (withLineBytes) {
        out.U8(p.clearedOnOk);
        out.U8(p.drawZeroLine);
    } else {
        out.Int(0);
    }
    out.I16(p.unused120);
    out.Int(p.unused122);
    out.Int(p.unused126);
    out.I16(p.timeFontSize);
    out.I16(p.valueFontSize);
    out.Bytes(p.unused134);
}

PlotSettings ReadPlotSettings(ByteReader& in, bool withLineBytes) {
    PlotSettings p;
    p.yMin = in.Ext();
    p.yMax = in.Ext();
    p.nodeCount = in.Int();
    for (std::int32_t& n : p.nodes) n = in.Int();
    p.timeGrid = in.U8();
    p.valueGrid = in.U8();
    p.timeMinorTicks = in.Int();
    p.valueMinorTicks = in.Int();
    p.xTicks = in.Int();
    p.yTicks = in.Int();
    p.integralFlows = in.U8();
    p.autoValueScale = in.U8();
    p.timeFormat = ReadDecForm(in);
    p.valueFormat = ReadDecForm(in);
    p.unused110 = in.I32();
    p.drawLines = in.U8();
    p.drawSymbols = in.U8();
    p.drawLegend = in.U8();
    p.unused117 = in.U8();
    if (withLineBytes) {
        p.clearedOnOk = in.U8();
        p.drawZeroLine = in.U8();
    } else {
        (void)in.Int();
        p.clearedOnOk = 0;
        p.drawZeroLine = 0;
    }
    p.unused120 = in.I16();
    p.unused122 = in.Int();
    p.unused126 = in.Int();
    p.timeFontSize = in.I16();
    p.valueFontSize = in.I16();
    const auto rest = in.Bytes(p.unused134.size());
    std::copy(rest.begin(), rest.end(), p.unused134.begin());
    return p;
}

}  // namespace kova
