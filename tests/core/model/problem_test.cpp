#include "model/problem.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/messages.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

constexpr Real kPi = std::numbers::pi_v<Real>;

// Adds a closed outline through the given pixel corners as frame k (k = frameCount + 1),
// with a boundary segment per side whose frames are (k, outside).
int AddFrame(Problem& p, std::initializer_list<std::pair<Real, Real>> corners,
             FrameType type = FrameType::Distributed) {
    const int k = ++p.frameCount;
    Frame& f = p.frames[k];
    f.type = type;
    std::vector<int> ids;
    for (auto [x, y] : corners) ids.push_back(p.AddNode(x, y));
    for (std::size_t i = 0; i < ids.size(); ++i) f.vertices.push_back(ids[i]);
    f.vertices.push_back(ids[0]);
    f.outlineStart = ids[0];
    for (std::size_t i = 0; i < ids.size(); ++i) {
        LineSegment* s = p.NewLineSegment(p.lines.Count() + 1);
        s->node1 = std::min(ids[i], ids[(i + 1) % ids.size()]);
        s->node2 = std::max(ids[i], ids[(i + 1) % ids.size()]);
        s->frameA = k;
    }
    p.UpdateFrameMeasures(k);
    return k;
}

TEST(ProblemReset, NodeSlotsAndNewNodesTakeTheirDefaults) {
    Problem p;
    const int a = p.AddNode(10, 20);
    p.nodes[a].initialValue = 5;
    p.nodes[a].currentValue = 7;
    p.nodes[a].valueSpec = 3;
    p.ProblemReset();
    EXPECT_EQ(p.nodes.Count(), 0);
    for (int i = 1; i <= p.nodes.Capacity(); i += 997) {
        EXPECT_EQ(p.nodes.Slot(i).initialValue, kUnspecified);
        EXPECT_EQ(p.nodes.Slot(i).currentValue, 100.0L);
        EXPECT_EQ(p.nodes.Slot(i).valueSpec, 0);
    }
    const int b = p.AddNode(1, 2);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(p.nodes[b].currentValue, 100.0L);
    EXPECT_EQ(p.nodes[b].active, 1);
    EXPECT_EQ(p.nodes[b].x, 1);
    EXPECT_EQ(p.nodes[b].y, 2);
}

TEST(ProblemReset, KeepsSubjectUnitsAndMaterialsButDropsGeometryAndText) {
    Problem p;
    SetSubjectLabels(p, ProbTypeA::Hydrodynamics, true);
    p.settings.unitSystem = Unittype::Eng;
    p.settings.drawingScale = 5;
    p.settings.lengthUnitIndex = 3;
    p.materials[4].name = "Custom";
    AddFrame(p, {{0, 0}, {10, 0}, {10, 10}});
    p.texts.push_back(TextItem{});
    p.groups.push_back(SelectionGroup{});
    p.singularPoints.push_back(SingularPoint{});
    p.settings.transient = true;
    p.SetCylindrical(true);
    p.settings.contourScaleMax = 4;
    p.settings.bandCount = 3;

    p.ProblemReset();
    EXPECT_EQ(p.settings.subject, ProbTypeA::Hydrodynamics);
    EXPECT_EQ(p.settings.unitSystem, Unittype::Eng);
    EXPECT_EQ(p.settings.drawingScale, 5);
    EXPECT_EQ(p.settings.lengthUnitIndex, 3);
    EXPECT_EQ(p.materials[4].name, "Custom");
    EXPECT_EQ(p.frameCount, 0);
    EXPECT_EQ(p.lines.Count(), 0);
    EXPECT_EQ(p.nodes.Count(), 0);
    EXPECT_TRUE(p.texts.empty());
    EXPECT_TRUE(p.groups.empty());
    EXPECT_TRUE(p.singularPoints.empty());
    EXPECT_TRUE(p.frames[1].vertices.empty());
    EXPECT_EQ(p.frames[1].finThickness, 0.01L);
    EXPECT_EQ(p.frames[1].lumpInitialValue, kUnspecified);
    EXPECT_FALSE(p.settings.transient);
    EXPECT_FALSE(p.settings.cylindrical);
    EXPECT_EQ(p.settings.axisLetters[0], 'X');
    EXPECT_EQ(p.settings.contourScaleMax, kUnspecified);
    EXPECT_EQ(p.settings.bandCount, 10);
    EXPECT_EQ(p.settings.palette, 2);
    EXPECT_TRUE(p.settings.displayGrid);
    EXPECT_EQ(p.selection.state, SelectType::None);
    EXPECT_EQ(p.settings.originY, p.view.refHeight);
    EXPECT_FALSE(p.settings.problemSaved);
}

TEST(ProblemReset, BloodTemperatureFollowsTheTemperatureScale) {
    struct Case {
        Unittype system;
        bool absolute;
        Real temperature;
        Real specificHeat;
    };
    for (const Case& c :
         {Case{Unittype::SI, false, 37.0L, 4200.0L}, Case{Unittype::SI, true, 310.15L, 4200.0L},
          Case{Unittype::Eng, false, 98.6L, 1.0L}, Case{Unittype::Eng, true, 558.6L, 1.0L}}) {
        Problem p;
        p.settings.unitSystem = c.system;
        p.settings.absoluteTemperatures = c.absolute;
        p.ProblemReset();
        ASSERT_EQ(p.blood.arterialSpec, 1);
        EXPECT_EQ(p.specs[1].kind, kSpecValue);
        EXPECT_EQ(p.specs[1].value, c.temperature);
        EXPECT_EQ(p.specs.Count(), 1);
        EXPECT_EQ(p.blood.specificHeat, c.specificHeat);
    }
}

TEST(StartupDefaults, GiveAHeatTransferProblemInCentimetres) {
    Problem p;
    EXPECT_EQ(p.settings.subject, ProbTypeA::HeatTrans);
    EXPECT_EQ(p.frames[0].type, FrameType::fluid);
    EXPECT_EQ(p.nodes.Capacity(), kNodeLimit);
    EXPECT_EQ(p.settings.lengthUnitIndex, 2);
    EXPECT_EQ(p.settings.drawingScale, 2.54L);
    EXPECT_EQ(p.settings.gridSpacingX, 96.0L / 2.54L);
    EXPECT_EQ(p.settings.pixelLength, 2.54L / 96.0L * 0.01L);
    EXPECT_EQ(p.settings.transMethod, TransMethodType::CrankN);
    EXPECT_TRUE(p.settings.displayGrid);  // start-up clears it, the reset sets it
    EXPECT_EQ(p.materials[0].name, "unspecified");
    EXPECT_EQ(p.materials[9].name, "Copper");
    EXPECT_EQ(p.settings.versionString, "X8.035");
}

TEST(NodeTable, GrowsBeyondTheNodeLimitKeepingRecords) {
    Problem p;
    for (int i = 1; i <= kNodeLimit; ++i) ASSERT_EQ(p.AddNode(i, 0), i);
    p.nodes[kNodeLimit].valueSpec = 9;
    EXPECT_EQ(p.nodes.Capacity(), kNodeLimit);
    EXPECT_EQ(p.AddNode(-1, -2), kNodeLimit + 1);
    EXPECT_EQ(p.nodes.Capacity(), kNodeLimit + 100);
    EXPECT_EQ(p.nodes[kNodeLimit].valueSpec, 9);
    EXPECT_EQ(p.nodes[kNodeLimit].x, kNodeLimit);
    EXPECT_EQ(p.nodes[kNodeLimit + 1].currentValue, 100.0L);
    // Slots beyond the count hold fresh records.
    const Node& fresh = p.nodes.Slot(kNodeLimit + 2);
    EXPECT_EQ(fresh.currentValue, kUnspecified);
    EXPECT_EQ(fresh.initialValue, kUnspecified);
    EXPECT_EQ(fresh.active, 1);
}

TEST(NodeTable, ANodeAddedAfterARemovalDoesNotInheritTheOldRecord) {
    Problem p;
    p.AddNode(0, 0);
    const int last = p.AddNode(5, 5);
    p.nodes[last].valueSpec = 4;
    p.nodes[last].initialValue = 20;
    p.nodes[last].nodeMark = 3;
    p.nodes[last].outputMark = 1;
    p.nodes.PopLast();
    const int fresh = p.AddNode(7, 8);
    ASSERT_EQ(fresh, last);
    EXPECT_EQ(p.nodes[fresh].valueSpec, 0);
    EXPECT_EQ(p.nodes[fresh].initialValue, kUnspecified);
    EXPECT_EQ(p.nodes[fresh].nodeMark, 0);
    EXPECT_EQ(p.nodes[fresh].outputMark, 0);
    EXPECT_EQ(p.nodes[fresh].currentValue, 100.0L);
}

TEST(NodeTable, NumbersOutsideTheTableAreRefused) {
    Problem p;
    p.AddNode(0, 0);
    EXPECT_THROW(p.nodes[0], std::out_of_range);
    EXPECT_THROW(p.nodes[2], std::out_of_range);
    EXPECT_THROW(p.nodes[-5], std::out_of_range);
    EXPECT_FALSE(p.nodes.Valid(2));
    EXPECT_THROW(p.nodes.SetCount(kNodeLimit + 1), std::out_of_range);
}

TEST(LineList, NewSegmentsStartEmptyAndRemovalChecksMembership) {
    Problem p;
    LineSegment* a = p.NewLineSegment(7);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->number, 7);
    EXPECT_EQ(a->areaFactor, 1.0L);
    EXPECT_EQ(a->active, 1);
    EXPECT_EQ(a->node1 + a->node2 + a->frameA + a->frameB, 0);
    EXPECT_EQ(a->valueSpec + a->fluxSpec + a->transferSpec + a->ambientSpec, 0);
    LineSegment* b = p.NewLineSegment(8);
    LineSegment stranger;
    EXPECT_FALSE(p.RemoveLineSegment(&stranger));
    EXPECT_FALSE(p.RemoveLineSegment(nullptr));
    EXPECT_EQ(p.lines.Count(), 2);

    // A removed segment disappears from the selection and from groups too.
    p.selection.state = SelectType::Bounds;
    AddToSelection(p, SegmentItem(a));
    AddToSelection(p, SegmentItem(b));
    p.groups.push_back({SelectType::Bounds, {SegmentItem(a)}});
    EXPECT_TRUE(p.RemoveLineSegment(a));
    EXPECT_EQ(p.lines.Count(), 1);
    ASSERT_EQ(p.selection.Count(), 1);
    EXPECT_EQ(p.selection.items[0].segment, b);
    EXPECT_TRUE(p.groups.front().items.empty());
    EXPECT_FALSE(p.RemoveLineSegment(a));

    p.lines.Renumber();
    EXPECT_EQ(p.lines.First()->number, 1);
    EXPECT_EQ(p.lines.PositionOf(b), 1);
}

TEST(ClassifyNodes, LumpLettersFollowFrameOrder) {
    Problem p;
    for (int i = 0; i < 6; ++i) {
        const Real x = 20.0L * i;
        AddFrame(p, {{x, 0}, {x + 10, 0}, {x + 10, 10}},
                 i == 4 || i == 5 ? FrameType::Lumped : FrameType::Distributed);
    }
    p.ClassifyNodes();
    EXPECT_EQ(p.frames[5].lumpLetter, 'A');
    EXPECT_EQ(p.frames[6].lumpLetter, 'B');
    EXPECT_EQ(p.frames[1].lumpLetter, 0);
}

TEST(ClassifyNodes, NodesInsideALumpMoveBehindTheActiveOnesWithEveryReference) {
    Problem p;
    // Frames 1..4: distributed squares; frame 5: a lump whose outline is shared with
    // nothing, with an interior node joined to its corners by element lines.
    for (int i = 0; i < 4; ++i) {
        const Real x = 20.0L * i;
        AddFrame(p, {{x, 0}, {x + 10, 0}, {x + 10, 10}, {x, 10}});
    }
    const int lump = AddFrame(p, {{100, 0}, {140, 0}, {140, 40}, {100, 40}}, FrameType::Lumped);
    const int centre = p.AddNode(120, 20);
    for (int c : {17, 18, 19, 20}) {
        LineSegment* s = p.NewLineSegment(p.lines.Count() + 1);
        s->node1 = c;
        s->node2 = centre;
        s->frameA = s->frameB = lump;
    }
    // A distributed node added after the lump: must end up active.
    const int late = AddFrame(p, {{200, 0}, {210, 0}, {210, 10}});
    const int lateFirst = p.frames[late].vertices[0];
    p.singularPoints.push_back({1.5L, 1, centre});
    p.singularPoints.push_back({2.5L, 1, lateFirst});
    p.selection.state = SelectType::Points;
    AddToSelection(p, NumberItem(lateFirst));

    // Remember each node's position, which travels with its record.
    auto at = [&](int n) { return std::pair{p.nodes[n].x, p.nodes[n].y}; };
    const auto lateFirstPos = at(lateFirst);
    std::vector<std::pair<Real, Real>> lumpCornerPos;
    for (int v : p.frames[5].vertices) lumpCornerPos.push_back(at(v));

    p.ClassifyNodes();

    const int n = p.nodes.Count();
    const int active = p.settings.activeNodeCount;
    // 16 distributed corners and 3 more of the late frame; the lump's 4 corners and
    // its centre touch no distributed frame.
    EXPECT_EQ(n, 24);
    EXPECT_EQ(active, 19);
    for (int i = 1; i <= active; ++i) EXPECT_EQ(p.nodes[i].active, 1) << i;
    for (int i = active + 1; i <= n; ++i) EXPECT_EQ(p.nodes[i].active, 0) << i;

    // The centre is behind the active nodes, and references followed the records.
    const int newCentre = p.singularPoints.front().node;
    EXPECT_GT(newCentre, active);
    EXPECT_EQ(at(newCentre), (std::pair<Real, Real>{120, 20}));
    const int newLateFirst = p.singularPoints.back().node;
    EXPECT_LE(newLateFirst, active);
    EXPECT_EQ(at(newLateFirst), lateFirstPos);
    EXPECT_EQ(p.selection.items[0].selectNo, newLateFirst);
    for (std::size_t j = 0; j < lumpCornerPos.size(); ++j)
        EXPECT_EQ(at(p.frames[5].vertices[j]), lumpCornerPos[j]);
    EXPECT_EQ(p.frames[5].outlineStart, p.frames[5].vertices[0]);

    for (const LineSegment& s : p.lines) {
        EXPECT_LT(s.node1, s.node2);
        const bool inLump = s.frameA == lump && s.frameB == lump;
        EXPECT_EQ(s.active, inLump ? 0 : 1);
    }
    int toCentre = 0;
    for (const LineSegment& s : p.lines)
        toCentre += s.node1 == newCentre || s.node2 == newCentre ? 1 : 0;
    EXPECT_EQ(toCentre, 4);
}

TEST(ClassifyNodes, ANodeSharedWithDistributedMaterialStaysActive) {
    Problem p;
    AddFrame(p, {{0, 0}, {10, 0}, {10, 10}}, FrameType::Lumped);
    // A distributed frame sharing the lump's edge (0,0)-(10,0) through the same nodes.
    const int k = ++p.frameCount;
    p.frames[2].vertices = {1, 2, 4, 1};
    p.AddNode(5, -10);
    for (LineSegment& s : p.lines)
        if (s.node1 == 1 && s.node2 == 2) s.frameB = k;
    p.ClassifyNodes();
    EXPECT_EQ(p.settings.activeNodeCount, 2);
    EXPECT_EQ(p.nodes[p.frames[1].vertices[0]].active, 1);
}

TEST(FrameMeasures, SquareAreaDoesNotDependOnDirection) {
    for (bool clockwise : {false, true}) {
        Problem p;
        p.settings.pixelLength = 0.01L;
        const int k = clockwise ? AddFrame(p, {{50, 50}, {50, 60}, {60, 60}, {60, 50}})
                                : AddFrame(p, {{50, 50}, {60, 50}, {60, 60}, {50, 60}});
        EXPECT_NEAR(static_cast<double>(p.frames[k].area), 0.01, 1e-15);
        EXPECT_EQ(p.frames[1].bounds, (IntRect{50, 50, 60, 60}));
        EXPECT_EQ(p.frames[1].pixelPolygonSize, 40);
    }
}

TEST(FrameMeasures, VolumeOfASquareOnTheAxisIsACylinder) {
    for (bool cylindrical : {false, true}) {
        Problem p;
        p.SetCylindrical(cylindrical);
        p.settings.pixelLength = 0.01L;
        p.settings.originX = 30;
        AddFrame(p, {{30, 50}, {40, 50}, {40, 60}, {30, 60}});
        const Real expected = kPi * 0.1L * 0.1L * 0.1L;
        EXPECT_NEAR(static_cast<double>(p.frames[1].volume), static_cast<double>(expected), 1e-15);
    }
}

TEST(FrameMeasures, VolumeFollowsScrollAndZoom) {
    Problem p;
    p.settings.pixelLength = 0.01L;
    p.settings.originX = 10;
    p.view.zoom = 2;
    p.view.scrollX = 5;
    // Radius of x is x + 5 - 20: the square from x = 15 to 25 spans radii 0..10.
    AddFrame(p, {{15, 0}, {25, 0}, {25, 10}, {15, 10}});
    EXPECT_NEAR(static_cast<double>(p.frames[1].volume), static_cast<double>(kPi * 1e-3L), 1e-15);
}

TEST(FrameMeasures, DrawOrderPutsLargerFramesFirstAndKeepsTiesInNumberOrder) {
    Problem p;
    AddFrame(p, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});    // 100
    AddFrame(p, {{0, 0}, {50, 0}, {50, 50}, {0, 50}});    // 2500
    AddFrame(p, {{20, 0}, {30, 0}, {30, 10}, {20, 10}});  // 100
    AddFrame(p, {{0, 0}, {20, 0}, {20, 20}, {0, 20}});    // 400
    p.UpdateFrameDrawOrder();
    EXPECT_EQ(p.settings.frameDrawOrder[0], 2);
    EXPECT_EQ(p.settings.frameDrawOrder[1], 4);
    EXPECT_EQ(p.settings.frameDrawOrder[2], 1);
    EXPECT_EQ(p.settings.frameDrawOrder[3], 3);
    EXPECT_EQ(p.settings.frameDrawOrder[4], 0);
}

TEST(FrameMeasures, AVertexNamingAMissingNodeGivesEmptyMeasuresNotACrash) {
    Problem p;
    AddFrame(p, {{0, 0}, {10, 0}, {10, 10}});
    p.frames[1].vertices[1] = 99;
    p.UpdateFrameMeasures(1);
    EXPECT_EQ(p.frames[1].area, 0);
    EXPECT_TRUE(p.frames[1].pixelPolygon.empty());
    p.UpdateFrameMeasures(7);  // not a frame: nothing happens
}

TEST(AreaFactor, IsOneInCartesianAndTheSweptAreaInCylindricalGeometry) {
    Problem p;
    p.settings.pixelLength = 0.01L;
    const int a = p.AddNode(10, 0);
    const int b = p.AddNode(20, 30);
    LineSegment* s = p.NewLineSegment(1);
    s->node1 = a;
    s->node2 = b;
    EXPECT_EQ(p.AreaFactor(*s), 1.0L);
    p.SetCylindrical(true);
    // The segment's physical length times the factor is the area of the cone frustum it
    // sweeps: pi (r1 + r2) times the slant height.
    const Real slant = std::hypot(10.0L, 30.0L) * 0.01L;
    const Real area = kPi * (0.1L + 0.2L) * slant;
    EXPECT_NEAR(static_cast<double>(p.AreaFactor(*s) * slant), static_cast<double>(area), 1e-15);
    s->node2 = a;
    EXPECT_EQ(p.AreaFactor(*s), 0);  // zero length
    s->node2 = 55;
    EXPECT_EQ(p.AreaFactor(*s), 0);  // missing node
    p.UpdateAreaFactors();
    EXPECT_EQ(s->areaFactor, 0);
}

TEST(Specifications, ConstantsAreSharedAndUnspecifiedGivesNone) {
    Problem p;
    const int base = p.specs.Count();
    const int a = FindOrAddSpecValue(p, kSpecFlux, 250);
    const int b = FindOrAddSpecValue(p, kSpecFlux, 250);
    const int c = FindOrAddSpecValue(p, kSpecTransfer, 250);
    EXPECT_EQ(a, base + 1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(c, base + 2);
    EXPECT_EQ(p.specs[a].text, "250");
    EXPECT_EQ(p.specs[a].constant, 1);
    EXPECT_EQ(p.specs[a].compiled[0], 0);
    EXPECT_EQ(FindOrAddSpecValue(p, kSpecFlux, kUnspecified), 0);
    EXPECT_EQ(p.specs.Count(), base + 2);
    EXPECT_EQ(p.specs.Find(0), nullptr);
    EXPECT_EQ(p.specs.Find(p.specs.Count() + 1), nullptr);
}

TEST(Specifications, TheThousandAndFirstEntryIsRefused) {
    Problem p;
    RecordingReporter r;
    p.SetReporter(&r);
    while (p.specs.Count() < kMaxSpecs)
        ASSERT_NE(FindOrAddSpecValue(p, kSpecFlux, p.specs.Count()), 0);
    EXPECT_EQ(p.errorCode, 0);
    EXPECT_EQ(FindOrAddSpecValue(p, kSpecFlux, -1.5L), 0);
    EXPECT_EQ(p.errorCode, 41);
    EXPECT_EQ(p.specs.Count(), kMaxSpecs);
    EXPECT_EQ(r.Errors(), std::vector<std::string>{"Error 41"});
    EXPECT_EQ(r.BeepCount(), 1);
    // An existing value is still found.
    EXPECT_EQ(FindOrAddSpecValue(p, kSpecFlux, 5), p.specs.FindConstant(kSpecFlux, 5));
    EXPECT_EQ(p.errorCode, 0);
}

TEST(CheckedAccess, OutOfRangeFramesAndMaterialsGiveNull) {
    Problem p;
    AddFrame(p, {{0, 0}, {10, 0}, {10, 10}});
    EXPECT_NE(p.FrameAt(0), nullptr);
    EXPECT_NE(p.FrameAt(1), nullptr);
    EXPECT_EQ(p.FrameAt(2), nullptr);
    EXPECT_EQ(p.FrameAt(-1), nullptr);
    EXPECT_EQ(p.FrameAt(61), nullptr);
    EXPECT_NE(p.MaterialAt(20), nullptr);
    EXPECT_EQ(p.MaterialAt(21), nullptr);
    EXPECT_EQ(p.MaterialAt(-1), nullptr);
    EXPECT_FALSE(p.FrameIsDistributed(0));
    EXPECT_TRUE(p.FrameIsDistributed(1));
    EXPECT_FALSE(p.FrameIsDistributed(2));
}

TEST(MarkProblemChanged, ClearsSavedAndResultsCurrent) {
    Problem p;
    p.settings.problemSaved = true;
    p.resultsCurrent = true;
    p.MarkProblemChanged();
    EXPECT_FALSE(p.settings.problemSaved);
    EXPECT_FALSE(p.resultsCurrent);
}

TEST(PixelLength, FollowsScaleUnitSystemAndZoom) {
    Problem p;
    p.settings.unitSystem = Unittype::Eng;
    p.settings.lengthUnitIndex = 1;  // inches
    p.settings.drawingScale = 2;
    p.view.zoom = 4;
    p.RecomputePixelLength();
    EXPECT_EQ(p.settings.pixelLength, 2.0L / 96.0L * (1.0L / 12.0L) / 4.0L);
}

}  // namespace
}  // namespace kova
