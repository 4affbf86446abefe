// The byte images of the problem's records, shared by the problem file and the undo
// snapshots. Each writer emits the record field by field; each reader takes exactly the
// record's bytes and refuses values that the record's enumerations cannot hold. Link and
// handle slots are written as zero and ignored when read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/byte_stream.hpp"
#include "model/records.hpp"

namespace kova {

inline constexpr std::size_t kNodeRecordSize = 46;
inline constexpr std::size_t kSpecRecordSize = 655;
inline constexpr std::size_t kMaterialRecordSize = 2680;
inline constexpr int kMaterialNameCapacity = 25;
inline constexpr int kTextCapacity = 80;
inline constexpr int kFontNameCapacity = 31;

// Sizes that depend on the integer width of the layout.
std::size_t LineRecordSize(IntegerWidth width);                        // 74 or 52
std::size_t FrameRecordSize(IntegerWidth width);                       // 135 or 105
std::size_t TextRecordSize(IntegerWidth width);                        // 166 or 150
std::size_t PlotSettingsSize(IntegerWidth width, bool withLineBytes);  // 144 or 100 (146/100)

void WriteNode(ByteWriter& out, const Node& node);
Node ReadNode(ByteReader& in);

void WriteLineSegment(ByteWriter& out, const LineSegment& segment);
void ReadLineSegment(ByteReader& in, LineSegment& segment);

// The frame record without its vertex list; the vertex count comes from the frame's list.
void WriteFrameRecord(ByteWriter& out, const Frame& frame);
// Reads the record into `frame` (the vertex list is left alone) and returns the stored
// vertex count.
std::int32_t ReadFrameRecord(ByteReader& in, Frame& frame);

void WriteBoundarySpec(ByteWriter& out, const BoundarySpec& spec);
BoundarySpec ReadBoundarySpec(ByteReader& in);

void WriteMaterial(ByteWriter& out, const Material& material);
void ReadMaterial(ByteReader& in, Material& material);

void WriteTextItem(ByteWriter& out, const TextItem& text);
TextItem ReadTextItem(ByteReader& in);

// withLineBytes: the two bytes at 118 are present (files from version 7.009 on); without
// them an integer stands in their place, written as 0 and discarded when read.
void WritePlotSettings(ByteWriter& out, const PlotSettings& plot, bool withLineBytes);
PlotSettings ReadPlotSettings(ByteReader& in, bool withLineBytes);

}  // namespace kova
