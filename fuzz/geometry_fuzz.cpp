// Builds a drawing from arbitrary bytes — nodes anywhere (also on top of each other),
// segments between any of them with any side frames — and runs the outline walk, the
// frame rebuilding, point queries, crossing tests and splits on it. Nothing may crash,
// and every rebuilt frame must name existing nodes in a closed list.
#include <cstddef>
#include <cstdint>

#include "geometry/frame_rebuild.hpp"
#include "geometry/primitives.hpp"
#include "model/problem.hpp"

#include "fuzz_input.hpp"

namespace {

using kova::fuzz::Bytes;
using kova::fuzz::Check;

void CheckFrames(const kova::Problem& problem) {
    for (int k = 1; k <= problem.frameCount; ++k) {
        const kova::Frame& f = problem.frames[k];
        Check(f.area >= 0 && f.volume >= 0);
        if (f.vertices.empty()) continue;
        Check(f.vertices.size() >= 4 && f.vertices.front() == f.vertices.back());
        for (const std::int32_t v : f.vertices) Check(problem.nodes.Valid(v));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kova::Problem* problem = new kova::Problem();  // one table, reset per input
    problem->ProblemReset();
    Bytes in(data, size);
    problem->SetCylindrical(in.Next() % 2 == 1);
    const int nodeCount = static_cast<int>(in.Next() % 30) + 3;
    const int frameCount = static_cast<int>(in.Next() % 6) + 1;
    for (int i = 0; i < nodeCount; ++i) {
        const kova::Real x = static_cast<kova::Real>(in.Next16() % 2048) / 2;
        const kova::Real y = static_cast<kova::Real>(in.Next16() % 2048) / 2;
        problem->AddNode(x, y);
    }
    const int segmentCount = static_cast<int>(in.Next() % 60);
    for (int j = 0; j < segmentCount && !in.Done(); ++j) {
        const int a = static_cast<int>(in.Next() % nodeCount) + 1;
        const int b = static_cast<int>(in.Next() % nodeCount) + 1;
        const unsigned sides = in.Next();
        kova::LineSegment* s = kova::FindOrCreateSegment(*problem, a, b, false);
        if (s == nullptr) continue;
        s->frameA = static_cast<std::int32_t>((sides & 15) % (frameCount + 1));
        s->frameB = static_cast<std::int32_t>((sides >> 4) % (frameCount + 1));
    }
    problem->frameCount = frameCount;
    for (int k = 1; k <= frameCount; ++k)
        problem->frames[k].outlineStart = static_cast<std::int32_t>(in.Next() % nodeCount) + 1;

    kova::RebuildAllFrames(*problem);
    CheckFrames(*problem);
    for (int k = 1; k <= frameCount; ++k) kova::RebuildFrameGeometry(*problem, k, true);
    CheckFrames(*problem);

    while (!in.Done()) {
        const kova::Real x = static_cast<kova::Real>(in.Next16() % 2048) / 2;
        const kova::Real y = static_cast<kova::Real>(in.Next16() % 2048) / 2;
        switch (in.Next() % 4) {
            case 0:
                kova::FramesAtPoint(*problem, x, y);
                break;
            case 1:
                kova::CrossingCheck(*problem, nullptr, x, y, y, x);
                break;
            case 2: {
                const int k = problem->AddNode(x, y);
                if (k != 0) kova::SplitSegmentAtNode(*problem, k);
                kova::RebuildAllFrames(*problem);
                CheckFrames(*problem);
                break;
            }
            default: {
                kova::Real fx = x, fy = y;
                kova::FindNodeNear(*problem, fx, fy, 12);
                kova::FindSegmentThrough(*problem, x, y, 0);
                break;
            }
        }
    }
    return 0;
}
