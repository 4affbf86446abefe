// The records of one problem. Field order and widths follow the byte images that the
// problem file stores (files/problem_file_*); widths are kept in the member types so
// that a value that does not fit a field cannot be held in memory either.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/types.hpp"

namespace kova {

// One mesh point (46 bytes in a file).
struct Node {
    Real x = 0;                        // input-window pixels, fractional
    Real y = 0;                        // input-window pixels, growing downwards
    Real currentValue = 100.0L;        // guess for property iteration and expressions
    Real initialValue = kUnspecified;  // initial value of a transient run
    std::int16_t valueSpec = 0;        // SpecTable number fixing the value; 0 = free
    std::uint8_t active = 1;           // 1 when the node touches distributed material
    std::int16_t nodeMark = 0;         // scratch mark of the geometry clean-up operations
    std::uint8_t outputMark = 0;       // set when an output window drew the node's label

    // The record a never-used table slot holds.
    static Node FreshSlot() {
        Node n;
        n.currentValue = kUnspecified;
        return n;
    }
};

// One straight edge between two nodes (74 bytes in a file). The list links of the file
// image are the position in the LineList.
struct LineSegment {
    std::int32_t node1 = 0;  // the smaller node number
    std::int32_t node2 = 0;
    std::int32_t frameA = 0;  // frames on the two sides; 0 = exterior
    std::int32_t frameB = 0;
    Real areaFactor = 1.0L;
    Real lineFlow = 0;
    std::int32_t flowDirection = 0;
    std::uint8_t active = 1;  // 0 for a segment with the same lump on both sides
    std::uint8_t bandSide = 0;
    std::int32_t number = 0;        // own number, renumbered in list order before saving
    std::int32_t elementCount = 0;  // elements on this segment; scratch of the outline walk
    std::int32_t valueSpec = 0;     // specified-value marker (kind 1)
    std::int32_t fluxSpec = 0;
    std::int32_t transferSpec = 0;
    std::int32_t ambientSpec = 0;

    bool IsElementLine() const { return frameA == frameB; }
    // Whether node n is one of the segment's ends.
    bool EndsAt(int n) const { return node1 == n || node2 == n; }
};

struct IntRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const IntRect&) const = default;
};

struct PixelPoint {
    std::int32_t x = 0, y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// A region in drawing pixels: a set of closed polygons combined with the winding rule,
// less the interiors of its hole polygons (the outlines of frames nested in it).
// The geometry module (geometry/region) builds and tests regions; the model only keeps them.
struct Region {
    std::vector<std::vector<PixelPoint>> polygons;
    std::vector<std::vector<PixelPoint>> holes;
    bool Empty() const { return polygons.empty(); }
};

// One closed region of the drawing (135 bytes plus its vertex list in a file).
struct Frame {
    std::int32_t outlineStart = 0;  // -999 marks the frame for removal during Delete
    // The outline vertex list: node numbers in drawing order, the first repeated last,
    // so its size is the vertex count V.
    std::vector<std::int32_t> vertices;
    Region region;
    IntRect bounds;
    std::vector<PixelPoint> pixelPolygon;  // vertices rounded to whole pixels
    std::int32_t pixelPolygonSize = 0;     // bytes, 8 per vertex
    std::int32_t material = 0;             // 1..20; 0 = none
    FrameType type = FrameType::Distributed;
    Real volume = 0;
    Real area = 0;
    Real lumpInitialValue = kUnspecified;
    std::int32_t generationSpec = 0;
    std::int32_t lumpValueSpec = 0;
    std::int32_t labelX = 0, labelY = 0;
    std::int32_t lumpLetter = 0;
    Real lumpResult = 0;
    Real reserved = 0;
    Real finThickness = 0.01L;
    std::int16_t finTransferSpec = 0;  // extended surface: h (kind 3)
    std::int16_t finFluidSpec = 0;     // fluid temperature (kind 1)
    std::int16_t finFluxSpec = 0;      // surface heat flux (kind 2)
    std::int16_t reservedInt = 0;
    std::uint8_t subtracted = 0;       // 1 after Subtract made the frame a hole
    std::uint8_t balanceSelected = 0;  // chosen for transient nodal balances

    std::int32_t VertexCount() const { return static_cast<std::int32_t>(vertices.size()); }
    bool IsLump() const { return type != FrameType::Distributed; }
};

// The frame slots by frame number: 0 is the exterior, 1..kMaxFrames the frames. The
// records hold frame numbers as int, and the table takes them as they are.
struct FrameTable : std::array<Frame, kFrameSlots> {
    using std::array<Frame, kFrameSlots>::operator[];
    Frame& operator[](int k) {
        return std::array<Frame, kFrameSlots>::operator[](static_cast<std::size_t>(k));
    }
    const Frame& operator[](int k) const {
        return std::array<Frame, kFrameSlots>::operator[](static_cast<std::size_t>(k));
    }
};

// A compiled expression: entry 0 holds the entry count (0 for a constant).
using CompiledForm = std::array<Real, kCompiledSize>;

// One shared value with its text and compiled form (655 bytes in a file).
struct BoundarySpec {
    std::uint8_t kind = 0;
    std::uint8_t constant = 1;
    std::uint8_t dependsOnPosition = 0;
    std::uint8_t dependsOnPotential = 0;
    std::uint8_t dependsOnTime = 0;
    std::uint8_t reserved = 0;
    Real value = 0;    // the number, or an expression's trial value
    std::string text;  // as entered, spaces removed (at most 128 characters)
    CompiledForm compiled{};

    bool IsExpression() const { return compiled[0] != 0; }
    bool operator==(const BoundarySpec&) const = default;
};

// A material with its four property blocks (2680 bytes in a file).
struct Material {
    std::string name;               // at most 25 characters
    std::int16_t fillPattern = -1;  // -1 solid, otherwise a hatch style
    std::int16_t colorGridIndex = 15;
    std::int32_t color = 0x00FFFFFF;  // 0x00BBGGRR
    BoundarySpec density;
    BoundarySpec specificHeat;
    BoundarySpec conductivity;  // the x-conductivity of an anisotropic material
    BoundarySpec perfusion;
    Real kyOverKx = 1.0L;
    std::uint8_t anisotropic = 0;
    std::uint8_t reserved = 0;
};

// Texts of windows below this number belong to the drawing: they scroll and zoom with it.
inline constexpr std::int32_t kFirstFixedTextWindow = 7;

// A text item on the drawing (`myTextRec`, 166 bytes in a file).
struct TextItem {
    std::int32_t winNo = 1;  // 1 = the input drawing; below 7 the text scrolls with it
    std::string theText;     // at most 80 characters
    std::int32_t nt = 0;
    IntRect theRect;
    std::string fontName;  // at most 31 characters
    std::int32_t color = 0;
    std::int32_t fSize = 10;
    std::uint8_t style = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    TextMode mode = TextMode::trans;
    OrientationType orientation = OrientationType::Horiz;
    std::int16_t extra1 = 0, extra2 = 0, extra3 = 0;
    std::int16_t angle = 0;  // degrees
    std::uint8_t extraB1 = 0;
    std::uint8_t selected = 0;
};

// One selected item: a node number, a frame number (N + frame for a lump), or for the
// kinds Lines, Bounds and Flow a line segment (held by its stable identity).
struct SelectRec {
    std::int32_t selectNo = 0;
    LineSegment* segment = nullptr;
    bool operator==(const SelectRec&) const = default;
};

// A saved selection made by the Group command.
struct SelectionGroup {
    SelectType kind = SelectType::None;
    std::vector<SelectRec> items;
};

// A Potential Flow point singularity.
struct SingularPoint {
    Real strength = 0;
    std::int32_t type = 0;
    std::int32_t node = 0;
};

// An optional picture under the drawing; its bytes are kept exactly as read. The bytes
// never change once set, so undo snapshots and the draw list share them instead of
// copying a picture of many megabytes each time.
struct TemplatePicture {
    using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;
    std::int32_t kind = 0;  // 1 metafile, 2 bitmap
    IntRect rect;
    Bytes bytes;
    bool Present() const { return bytes && !bytes->empty(); }
    const std::vector<std::uint8_t>& Data() const {
        static const std::vector<std::uint8_t> none;
        return bytes ? *bytes : none;
    }
    void SetData(std::vector<std::uint8_t> data) {
        bytes = std::make_shared<const std::vector<std::uint8_t>>(std::move(data));
    }
};

struct BloodSettings {
    std::int32_t arterialSpec = 0;  // SpecTable number of the arterial temperature
    Real specificHeat = 4200.0L;
};

// A number format: style 0 fixed, 1 exponential, 2 automatic, with a digit count.
struct DecForm {
    std::uint8_t style = 2;
    std::int16_t digits = 2;
    bool operator==(const DecForm&) const = default;
};

// The settings of the plots against time (144 bytes in a file).
struct PlotSettings {
    Real yMin = kUnspecified;
    Real yMax = kUnspecified;
    std::int32_t nodeCount = 0;
    std::array<std::int32_t, 15> nodes{};
    std::uint8_t timeGrid = 1;
    std::uint8_t valueGrid = 1;
    std::int32_t timeMinorTicks = 1;
    std::int32_t valueMinorTicks = 1;
    std::int32_t xTicks = 5;
    std::int32_t yTicks = 5;
    std::uint8_t integralFlows = 0;
    std::uint8_t autoValueScale = 1;
    DecForm timeFormat{0, 2};
    DecForm valueFormat{0, 2};
    std::int32_t unused110 = 0;
    std::uint8_t drawLines = 1;
    std::uint8_t drawSymbols = 1;
    std::uint8_t drawLegend = 1;
    std::uint8_t unused117 = 0;
    std::uint8_t clearedOnOk = 0;
    std::uint8_t drawZeroLine = 0;
    std::int16_t unused120 = 0;
    std::int32_t unused122 = 0;
    std::int32_t unused126 = 0;
    std::int16_t timeFontSize = 16;
    std::int16_t valueFontSize = 16;
    std::array<std::uint8_t, 10> unused134{};

    bool operator==(const PlotSettings&) const = default;
};

}  // namespace kova
