// Reduce Mesh when memory runs short part way: one allocation fails, at every point of
// the command in turn. The command either refines the whole mesh or leaves the problem
// exactly as it was and says why; a half-refined mesh would hold hanging nodes.
//
// This program replaces the global allocation functions so that a chosen allocation can
// fail; they behave as usual while no failure is armed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "editing/mesh_commands.hpp"
#include "files/undo_snapshots.hpp"
#include "mesh/reduce_mesh.hpp"
#include "model/messages.hpp"
#include "support/geometry_builders.hpp"
#include "support/model_invariants.hpp"
#include "support/triangulation_check.hpp"

namespace {

// Allocations to let through before the one that fails; negative: none fails.
long g_allowedAllocations = -1;
// Allocations made while counting.
long g_allocationCount = 0;
bool g_counting = false;

void* Allocate(std::size_t size) {
    if (g_counting) ++g_allocationCount;
    if (g_allowedAllocations == 0) {
        g_allowedAllocations = -1;  // one failure only: what follows may allocate again
        return nullptr;
    }
    if (g_allowedAllocations > 0) --g_allowedAllocations;
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
// The matching release of Allocate; g++ would take free() on an operator delete's
// argument for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace kova {
namespace {

using testing::AddRectangleFrame;
using testing::AddSegment;
using testing::CheckModelInvariants;
using testing::CheckTriangulation;
using testing::JoinViolations;

// Two squares side by side, each cut by a diagonal, with a value boundary.
void BuildMesh(Problem& problem) {
    problem.settings.pixelLength = 0.01L;
    AddRectangleFrame(problem, 100, 100, 300, 300);
    AddRectangleFrame(problem, 300, 100, 500, 300);
    const int a = testing::NodeAt(problem, 100, 100), c = testing::NodeAt(problem, 300, 300);
    const int b = testing::NodeAt(problem, 300, 100), d = testing::NodeAt(problem, 500, 300);
    AddSegment(problem, a, c, 1, 1);
    AddSegment(problem, b, d, 2, 2);
    const int hot = FindOrAddSpecValue(problem, kSpecValue, 80);
    problem.nodes[a].valueSpec = problem.nodes[testing::NodeAt(problem, 100, 300)].valueSpec =
        static_cast<std::int16_t>(hot);
}

class ReduceMeshMemoryTest : public ::testing::Test {
protected:
    void TearDown() override {
        g_allowedAllocations = -1;
        g_counting = false;
    }
};

TEST_F(ReduceMeshMemoryTest, AFailedAllocationAnywhereRefinesAllOrChangesNothing) {
    // How many allocations a reduction makes when nothing fails.
    long total = 0;
    {
        RecordingReporter reporter;
        Problem problem;
        problem.SetReporter(&reporter);
        BuildMesh(problem);
        g_allocationCount = 0;
        g_counting = true;
        ASSERT_EQ(ReduceMesh(problem), ReduceOutcome::Reduced);
        g_counting = false;
        total = g_allocationCount;
    }
    ASSERT_GT(total, 10);

    const std::string partWay = GetMessage(kMsgError, 21);
    int refusedPartWay = 0;
    for (long n = 0; n < total; ++n) {
        RecordingReporter reporter;
        Problem problem;
        problem.SetReporter(&reporter);
        BuildMesh(problem);
        const std::vector<std::uint8_t> before = EncodeUndoSnapshot(problem);
        const int nodes = problem.nodes.Count();

        g_allowedAllocations = n;
        ReduceOutcome outcome = ReduceOutcome::Reduced;
        bool escaped = false;
        try {
            outcome = ReduceMesh(problem);
        } catch (const std::bad_alloc&) {
            escaped = true;
        }
        g_allowedAllocations = -1;

        ASSERT_FALSE(escaped) << "allocation " << n << " escaped the command";
        const auto violations = CheckModelInvariants(problem);
        ASSERT_TRUE(violations.empty()) << "allocation " << n << ": " << JoinViolations(violations);
        if (outcome == ReduceOutcome::Reduced) {
            EXPECT_EQ(problem.nodes.Count(), nodes + 9) << "allocation " << n;
            const auto report = CheckTriangulation(problem);
            EXPECT_TRUE(report.Valid()) << "allocation " << n;
            EXPECT_EQ(report.triangles.size(), 16u) << "allocation " << n;
            continue;
        }
        EXPECT_EQ(EncodeUndoSnapshot(problem), before) << "allocation " << n;
        ASSERT_FALSE(reporter.Errors().empty()) << "allocation " << n << ": refused silently";
        if (reporter.Errors().back() == partWay) ++refusedPartWay;
    }
    // Lines are made as the elements are divided: a failure there is taken back whole
    // with message 21.
    EXPECT_GT(refusedPartWay, 0);
}

}  // namespace
}  // namespace kova
