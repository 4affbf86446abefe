// The input drawing by its properties: which layers and marks appear, where, and in
// which colours; the draw list's flat buffers keep each primitive's own points.
#include "results/input_drawing.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/problem.hpp"
#include "support/geometry_builders.hpp"

namespace kova {
namespace {

using testing::AddRectangleFrame;

int FluxSpec(Problem& p, Real value) {
    return FindOrAddSpecValue(p, kSpecFlux, value);
}

std::vector<const Primitive*> Regions(const DrawList& list, Rgb colour) {
    std::vector<const Primitive*> out;
    for (const Primitive& item : list.items)
        if (item.kind == PrimitiveKind::Region && item.brush.filled && item.brush.color == colour)
            out.push_back(&item);
    return out;
}

TEST(DrawList, KeepsEachPrimitivesPointsWhateverCameBefore) {
    DrawList list;
    list.AddSegment({0, 0}, {1, 1}, Pen{});
    list.AddSegment({2, 2}, {3, 3}, Pen{});  // joins the batch
    list.AddPolygon({{10, 10}, {20, 10}, {20, 20}}, SolidBrush(kPureRed));
    list.AddMarker({5, 5}, 3, Pen{}, SolidBrush(kWhite));
    list.AddRegion({{{0, 0}, {9, 0}, {9, 9}}, {{1, 1}, {2, 1}, {2, 2}}}, 1, SolidBrush(kBlack));
    ASSERT_EQ(list.items.size(), 4u);
    EXPECT_EQ(list.items[0].count, 4u);
    EXPECT_EQ(list.PointsOf(list.items[1])[0], (DrawPoint{10, 10}));
    const auto rings = list.RingsOf(list.items[3]);
    ASSERT_EQ(rings.size(), 2u);
    EXPECT_EQ(rings[1][0], (DrawPoint{1, 1}));
    DrawList combined;
    combined.AddPixel({7, 7}, kBlack);
    combined.Append(list);
    EXPECT_EQ(combined.RingsOf(combined.items.back())[1][2], (DrawPoint{2, 2}));
    EXPECT_EQ(combined.PointsOf(combined.items[2])[1], (DrawPoint{20, 10}));
}

TEST(TemplateLayer, ABitmapSharesItsBytesAndAMetafileIsDrawnAsItsFrame) {
    Problem p;
    p.settings.displayTemplate = true;
    p.templatePicture.kind = 2;
    p.templatePicture.rect = IntRect{10, 20, 110, 70};
    p.templatePicture.SetData({'B', 'M', 1, 2, 3});
    const auto image = [&] {
        const DrawList list = BuildInputDrawing(p, {});
        EXPECT_EQ(list.images.size(), 1u);
        return list.images.empty() ? ImagePrimitive{} : list.images.front();
    };
    const ImagePrimitive bitmap = image();
    EXPECT_EQ(bitmap.encoded, p.templatePicture.bytes);
    EXPECT_EQ(bitmap.bottomRight, (DrawPoint{110, 70}));
    // A metafile is never handed to the decoder: the painter draws the frame.
    p.templatePicture.kind = 1;
    const ImagePrimitive metafile = image();
    EXPECT_EQ(metafile.encoded, nullptr);
    EXPECT_TRUE(metafile.pixels.empty());
    EXPECT_EQ(metafile.topLeft, (DrawPoint{10, 20}));
}

TEST(BoundaryKind, ValueBeforeFluxBeforeTransfer) {
    LineSegment s;
    EXPECT_EQ(BoundaryKind(s), 0);
    s.transferSpec = 3;
    EXPECT_EQ(BoundaryKind(s), 3);
    s.fluxSpec = 2;
    EXPECT_EQ(BoundaryKind(s), 2);
    s.valueSpec = 1;
    EXPECT_EQ(BoundaryKind(s), 1);
}

struct DrawingFixture : ::testing::Test {
    Problem p;
    InputDrawingOptions options;
    void SetUp() override {
        AddRectangleFrame(p, 100, 100, 200, 200);
        AddRectangleFrame(p, 200, 100, 300, 200);
        p.frames[1].material = 1;
        p.frames[2].material = 2;
        p.ClassifyNodes();
    }
    LineSegment* SegmentBetweenX(Real xa, Real xb) {
        for (LineSegment& s : p.lines) {
            const Real a = p.nodes[s.node1].x, b = p.nodes[s.node2].x;
            if ((a == xa && b == xb) || (a == xb && b == xa)) return &s;
        }
        return nullptr;
    }
};

TEST_F(DrawingFixture, ZeroFluxBandOnlyOnTheOutsideOfAnOpenBoundary) {
    const int zero = FluxSpec(p, 0);
    // The left edge (x = 100, vertical) and the interface (x = 200) both get zero flux.
    int marked = 0;
    for (LineSegment& s : p.lines)
        if (p.nodes[s.node1].x == p.nodes[s.node2].x &&
            (p.nodes[s.node1].x == 100 || p.nodes[s.node1].x == 200)) {
            s.fluxSpec = zero;
            ++marked;
        }
    ASSERT_EQ(marked, 2);
    const DrawList list = BuildInputDrawing(p, options);
    std::vector<const Primitive*> bands;
    for (const Primitive& item : list.items)
        if (item.kind == PrimitiveKind::Region && item.brush.hatch != kHatchSolid &&
            item.brush.color == kPureRed)
            bands.push_back(&item);
    ASSERT_EQ(bands.size(), 1u);
    // Nine pixels (an axis-parallel segment) to the left of x = 100, outside the frame.
    const auto pts = list.PointsOf(*bands[0]);
    const float minX =
        std::min_element(pts.begin(), pts.end(), [](auto a, auto b) { return a.x < b.x; })->x;
    EXPECT_FLOAT_EQ(minX, 91);
    EXPECT_EQ(bands[0]->pen.color, kWhite);
    // Hidden boundary conditions hide it.
    p.settings.displayBoundaryConditions = false;
    const DrawList hidden = BuildInputDrawing(p, options);
    EXPECT_TRUE(std::none_of(hidden.items.begin(), hidden.items.end(), [](const Primitive& i) {
        return i.kind == PrimitiveKind::Region && i.brush.color == kPureRed;
    }));
}

TEST_F(DrawingFixture, FramesFillInTheirMaterialsGridColourOrWhiteWhenHidden) {
    p.materials[1].colorGridIndex = 14;  // aqua
    p.materials[1].color = 14;           // a library material stores the index as colour
    p.materials[1].fillPattern = -1;
    p.materials[2].colorGridIndex = 9;
    p.materials[2].fillPattern = kHatchCross;
    const DrawList list = BuildInputDrawing(p, options);
    EXPECT_EQ(Regions(list, Rgb{0, 255, 255}).size(), 1u);
    const auto red = Regions(list, Rgb{255, 0, 0});
    ASSERT_EQ(red.size(), 1u);
    EXPECT_EQ(red[0]->brush.hatch, kHatchCross);
    // Patterns hidden: the lump is white, the distributed frame not filled.
    p.frames[2].type = FrameType::Lumped;
    p.settings.displayPatterns = false;
    const DrawList plain = BuildInputDrawing(p, options);
    EXPECT_TRUE(Regions(plain, Rgb{0, 255, 255}).empty());
    EXPECT_EQ(Regions(plain, kWhite).size(), 1u);
}

TEST_F(DrawingFixture, NodesAndBoundaryWidths) {
    const DrawList list = BuildInputDrawing(p, options);
    std::size_t markers = 0;
    for (const Primitive& item : list.items)
        if (item.kind == PrimitiveKind::Markers) markers += item.count;
    EXPECT_EQ(markers, 6u);  // the shared corners once
    LineSegment* interface = SegmentBetweenX(200, 200);
    ASSERT_NE(interface, nullptr);
    interface->transferSpec = FindOrAddSpecValue(p, kSpecTransfer, 5);
    const DrawList marked = BuildInputDrawing(p, options);
    float widest = 0;
    for (const Primitive& item : marked.items)
        if (item.kind == PrimitiveKind::Lines) widest = std::max(widest, item.pen.width);
    EXPECT_EQ(widest, 2);
    p.settings.displayNodes = false;
    EXPECT_EQ(BuildInputDrawing(p, options).CountOf(PrimitiveKind::Markers), 0u);
}

TEST_F(DrawingFixture, CheckMarksSitAtSegmentMidpoints) {
    LineSegment* interface = SegmentBetweenX(200, 200);
    p.selection.state = SelectType::LineErrors;
    p.selection.items = {SegmentItem(interface)};
    const DrawList list = BuildInputDrawing(p, options);
    std::vector<DrawPoint> squares;
    for (const Primitive& item : list.items)
        if (item.kind == PrimitiveKind::Rectangle && item.brush.color == kBlack) {
            const auto pts = list.PointsOf(item);
            squares.push_back({(pts[0].x + pts[1].x) / 2, (pts[0].y + pts[1].y) / 2});
            EXPECT_EQ(pts[1].x - pts[0].x, 8);
        }
    ASSERT_EQ(squares.size(), 1u);
    EXPECT_EQ(squares[0], (DrawPoint{200, 150}));
}

TEST_F(DrawingFixture, CylindricalGridStopsAtTheAxis) {
    p.settings.displayGrid = true;
    p.settings.originX = 150;
    p.SetCylindrical(true);
    DrawList grid;
    AddGridLayer(p, options, grid);
    ASSERT_FALSE(grid.Empty());
    for (const Primitive& item : grid.items)
        for (const DrawPoint& pt : grid.PointsOf(item)) EXPECT_GE(pt.x, 150 - 1e-3);
    p.SetCylindrical(false);
    DrawList cartesian;
    AddGridLayer(p, options, cartesian);
    bool leftOfAxis = false;
    for (const Primitive& item : cartesian.items)
        for (const DrawPoint& pt : cartesian.PointsOf(item)) leftOfAxis |= pt.x < 140;
    EXPECT_TRUE(leftOfAxis);
}

TEST_F(DrawingFixture, BlinkOverlayAlternatesTheSelectedFrame) {
    p.selection.state = SelectType::Frames;
    p.selection.items = {NumberItem(1)};
    const DrawList a = BuildBlinkOverlay(p, 0);
    const DrawList b = BuildBlinkOverlay(p, 1);
    ASSERT_EQ(a.items.size(), 1u);
    EXPECT_EQ(a.items[0].pen.width, 2);
    ASSERT_EQ(b.items.size(), 2u);
    EXPECT_EQ(b.items[0].pen.color, kWhite);
    EXPECT_EQ(a.PointsOf(a.items[0]).size(), 5u);  // the closed outline
}

// A text's font grows with the zoom, two points above its size; a selected text is
// framed by a dotted rectangle round its measured rectangle, but not without a measure.
TEST(TextLayer, ZoomedSizeAndTheSelectedTextsFrame) {
    Problem p;
    TextItem& t = p.texts.emplace_back();
    t.winNo = 3;
    t.theText = "hot";
    t.fSize = 10;
    t.theRect = IntRect{40, 30, 40, 30};
    t.selected = 1;
    p.view.zoom = 2;
    const FixedTextMetrics metrics;
    DrawList window;
    AddTextItems(p, 3, &metrics, window);
    ASSERT_EQ(window.texts.size(), 1u);
    EXPECT_EQ(window.texts[0].size, 24);
    ASSERT_EQ(window.CountOf(PrimitiveKind::Rectangle), 1u);
    EXPECT_EQ(window.items.back().pen.style, PenStyle::Dotted);
    const IntRect r = TextRectangle(t, metrics, 2);
    EXPECT_EQ(window.PointsOf(window.items.back())[1],
              (DrawPoint{static_cast<float>(r.right), static_cast<float>(r.bottom)}));
    DrawList printed;
    AddTextItems(p, 3, nullptr, printed);
    EXPECT_EQ(printed.CountOf(PrimitiveKind::Rectangle), 0u);
}

}  // namespace
}  // namespace kova
