#include "files/undo_snapshots.hpp"

#include <gtest/gtest.h>

#include "core/files/file_image.hpp"
#include "editing/mesh_commands.hpp"
#include "files/problem_file.hpp"
#include "mesh/auto_mesh.hpp"
#include "mesh/reduce_mesh.hpp"
#include "support/geometry_builders.hpp"
#include "support/problem_builders.hpp"

namespace kova {
namespace {

using namespace test;

TEST(UndoList, KeepsTheNewest37AndNamesTheLast) {
    Problem p;
    EXPECT_EQ(UndoCaption(p), "Undo");
    EXPECT_FALSE(RestoreUndoSnapshot(p, true));
    for (int i = 1; i <= 40; ++i) {
        AddTestNode(p, i, i);
        SaveUndoSnapshot(p, "Edit " + std::to_string(i));
    }
    ASSERT_EQ(p.undoList.size(), 37u);
    EXPECT_EQ(p.undoList.front().name, "Edit 4");
    EXPECT_EQ(UndoCaption(p), "Undo Edit 40");
    int steps = 0;
    while (RestoreUndoSnapshot(p, true)) ++steps;
    EXPECT_EQ(steps, 37);
    EXPECT_EQ(p.nodes.Count(), 4);  // the state before "Edit 4" was taken, plus that node
    EXPECT_EQ(UndoCaption(p), "Undo");
}

TEST(UndoList, ProblemResetEmptiesTheList) {
    Problem p;
    SaveUndoSnapshot(p, "Outline");
    p.ProblemReset();
    EXPECT_TRUE(p.undoList.empty());
}

TEST(UndoSnapshot, ImageStartsWithTheCountsAndTheNodeRecords) {
    Problem p;
    BuildRichProblem(p);
    const Bytes image = EncodeUndoSnapshot(p);
    EXPECT_EQ(I32At(image, 0), p.nodes.Count());
    EXPECT_EQ(I32At(image, 4), p.settings.activeNodeCount);
    EXPECT_EQ(I32At(image, 8), 1);  // one lumped frame
    EXPECT_EQ(ExtAt(image, 12), p.nodes[1].x);
    const std::size_t lines = 12 + 46 * static_cast<std::size_t>(p.nodes.Count());
    EXPECT_EQ(I32At(image, lines), p.lines.Count());
    EXPECT_EQ(I32At(image, lines + 4 + 42), 1);  // own number of the first segment
    // The same segment image as in the problem file.
    const Bytes file = EncodeProblemFile(p);
    const std::size_t fileLines = Walk(file).lines;
    EXPECT_TRUE(std::equal(image.begin() + static_cast<std::ptrdiff_t>(lines),
                           image.begin() + static_cast<std::ptrdiff_t>(lines + 4 + 74),
                           file.begin() + static_cast<std::ptrdiff_t>(fileLines)));
}

TEST(UndoSnapshot, RestoreBringsBackTheEditableProblem) {
    Problem p;
    BuildRichProblem(p);
    const Bytes before = EncodeProblemFile(p);
    const int specsBefore = p.specs.Count();
    SaveUndoSnapshot(p, "Reduce Mesh");

    // An edit that touches every table.
    const int n = AddTestNode(p, 300, 300);
    AddTestSegment(p, 1, n, 0, 0);
    p.lines.First()->fluxSpec = 0;
    p.frames[1].material = 5;
    p.frameCount = 2;
    const int added = FindOrAddSpecValue(p, kSpecFlux, 999.5L);
    p.specs[1].value = -1;
    p.materials[1].name = "Changed";
    p.texts.clear();
    p.groups.clear();
    p.templatePicture = TemplatePicture{};
    p.selection.items.push_back(SegmentItem(p.lines.Last()));
    p.settings.problemSaved = true;

    ASSERT_TRUE(RestoreUndoSnapshot(p, false));
    EXPECT_EQ(p.undoList.size(), 1u);
    EXPECT_FALSE(p.settings.problemSaved);
    EXPECT_TRUE(p.selection.items.empty());
    // Entries added since stay in the table; the others are as they were.
    EXPECT_EQ(p.specs.Count(), specsBefore + 1);
    EXPECT_EQ(p.specs[added].value, 999.5L);
    EXPECT_EQ(p.frames[3].pixelPolygon.size(), 6u);
    // Apart from that entry, the problem writes the same file as before the edit.
    Bytes after = EncodeProblemFile(p);
    const std::size_t specs = Walk(after).specs;
    ASSERT_EQ(I32At(after, specs), specsBefore + 1);
    Problem q;
    ASSERT_TRUE(ReadProblemImage(q, before, "x", StandInCompile));
    q.specs.Append(p.specs[added]);
    EXPECT_EQ(EncodeProblemFile(q), after);

    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    EXPECT_TRUE(p.undoList.empty());
}

TEST(UndoSnapshot, AnImageWithoutItsViewRecordStillReads) {
    Problem p;
    BuildRichProblem(p);
    Bytes image = EncodeUndoSnapshot(p);
    // The view record after the template: a tag, eight extended numbers, the unit system,
    // the length unit, the temperature scale and three extended values.
    const std::size_t record = 4 + 8 * 10 + 1 + 4 + 1 + 3 * 10;
    EXPECT_EQ(I32At(image, image.size() - record), 0x5755564B);
    image.resize(image.size() - record);
    const Real x = p.nodes[1].x;
    const Real scale = p.settings.drawingScale;
    p.nodes[1].x += 7;
    p.settings.drawingScale = 2 * scale;
    DecodeUndoSnapshot(p, image);
    EXPECT_EQ(p.nodes[1].x, x);
    EXPECT_EQ(p.settings.drawingScale, 2 * scale);  // settings stay as they are
    // A record that is not a view record is refused, not guessed at.
    image.push_back(1);
    EXPECT_THROW(DecodeUndoSnapshot(p, image), FileFormatError);
}

TEST(UndoSnapshot, SnapshotsShareThePictureBytesAndRestoreTheSameImage) {
    Problem p;
    BuildRichProblem(p);
    const Bytes image = EncodeUndoSnapshot(p);
    const auto* bytes = p.templatePicture.bytes.get();
    SaveUndoSnapshot(p, "Move Template");
    SaveUndoSnapshot(p, "Text");
    // Neither snapshot copies the picture.
    for (const UndoSnapshot& s : p.undoList) {
        EXPECT_EQ(s.picture.get(), bytes);
        EXPECT_EQ(s.image.size() + 333, image.size());
    }
    // Another picture, then Undo twice: the first picture with its kind and place again.
    p.templatePicture.kind = 1;
    p.templatePicture.rect = IntRect{1, 2, 3, 4};
    p.templatePicture.SetData(TestPictureBytes(50));
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    EXPECT_EQ(EncodeUndoSnapshot(p), image);
    EXPECT_EQ(p.templatePicture.bytes.get(), bytes);
    // Without a picture the kept image is the whole image.
    p.templatePicture = TemplatePicture{};
    SaveUndoSnapshot(p, "Delete");
    EXPECT_EQ(p.undoList.back().image, EncodeUndoSnapshot(p));
    EXPECT_EQ(p.undoList.back().picture, nullptr);
}

TEST(UndoSnapshot, GroupsFollowTheRestoredSegments) {
    Problem p;
    BuildRichProblem(p);
    SaveUndoSnapshot(p, "Group");
    const LineSegment* eighth = p.lines.AtPosition(8);
    const int node1 = eighth->node1;
    const int node2 = eighth->node2;
    p.RemoveLineSegment(p.lines.AtPosition(1));
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    const SelectionGroup& bounds = *std::next(p.groups.begin());
    ASSERT_EQ(bounds.items.size(), 2u);
    ASSERT_NE(bounds.items[1].segment, nullptr);
    EXPECT_TRUE(p.lines.Contains(bounds.items[1].segment));
    EXPECT_EQ(bounds.items[1].segment->node1, node1);
    EXPECT_EQ(bounds.items[1].segment->node2, node2);
}

TEST(UndoSnapshot, SingularPointsOnNodesThatNoLongerExistAreDropped) {
    Problem p;
    AddRectangleFrame(p, 0, 0, 10, 10, 1);
    SaveUndoSnapshot(p, "AutoMesh");
    const int centre = AddTestNode(p, 5, 5);
    p.singularPoints.push_back({1.0L, 1, centre});
    p.singularPoints.push_back({2.0L, 1, 2});
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    EXPECT_EQ(p.nodes.Count(), 4);
    ASSERT_EQ(p.singularPoints.size(), 1u);
    EXPECT_EQ(p.singularPoints.front().node, 2);
}

TEST(UndoSnapshot, UndoAfterReduceMeshBringsBackTheCoarseMeshWithItsConditions) {
    Problem p;
    const int f = testing::AddRectangleFrame(p, 100, 100, 300, 200);
    p.frames[f].material = 1;
    ASSERT_EQ(AutoMesh(p).meshed, std::vector<int>{f});
    // A fixed value along the left side and a flux on the others.
    const int fixed = FindOrAddSpecValue(p, kSpecValue, 20.0L);
    const int flux = FindOrAddSpecValue(p, kSpecFlux, 150.0L);
    for (LineSegment& s : p.lines) {
        if (s.frameA == s.frameB) continue;  // an element line
        const bool left = p.nodes[s.node1].x == 100 && p.nodes[s.node2].x == 100;
        (left ? s.valueSpec : s.fluxSpec) = left ? fixed : flux;
        if (left)
            p.nodes[s.node1].valueSpec = p.nodes[s.node2].valueSpec =
                static_cast<std::int16_t>(fixed);
    }
    CompileWithStandIn(p);
    const Bytes coarse = EncodeProblemFile(p);
    const int coarseNodes = p.nodes.Count();
    const int coarseLines = p.lines.Count();

    ASSERT_EQ(ReduceMesh(p), ReduceOutcome::Reduced);
    ASSERT_GT(p.nodes.Count(), coarseNodes);
    EXPECT_EQ(UndoCaption(p), "Undo Reduce Mesh");
    ASSERT_TRUE(RestoreUndoSnapshot(p, true));
    EXPECT_EQ(UndoCaption(p), "Undo AutoMesh");
    EXPECT_EQ(p.nodes.Count(), coarseNodes);
    EXPECT_EQ(p.lines.Count(), coarseLines);
    // Settings, nodes, segments with their conditions and frames as before the command;
    // specifications the reduction added stay in the table after the old ones.
    const Bytes restored = EncodeProblemFile(p);
    const std::size_t specs = Walk(coarse).specs;
    ASSERT_EQ(Walk(restored).specs, specs);
    EXPECT_TRUE(std::equal(coarse.begin(), coarse.begin() + static_cast<std::ptrdiff_t>(specs),
                           restored.begin()))
        << FirstDifference(coarse, restored);
    const auto records = static_cast<std::ptrdiff_t>(655 * I32At(coarse, specs));
    ASSERT_GE(I32At(restored, specs), I32At(coarse, specs));
    EXPECT_TRUE(std::equal(coarse.begin() + static_cast<std::ptrdiff_t>(specs) + 4,
                           coarse.begin() + static_cast<std::ptrdiff_t>(specs) + 4 + records,
                           restored.begin() + static_cast<std::ptrdiff_t>(specs) + 4));
}

}  // namespace
}  // namespace kova
