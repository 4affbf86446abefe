// Runs the editing commands on a drawing built by those commands from arbitrary bytes:
// free-form outlines from clicked corners (closed or not, crossing or not), circular
// outlines of every shape, element lines, deletion of frames, nodes and segments,
// subtraction and mesh removal, in planar and cylindrical problems. Nothing may crash,
// and after every command the model must hold together: segments name existing nodes
// (smaller first) and frames, vertex lists are closed lists of existing nodes, areas
// and volumes are not negative, no two nodes lie on each other and, in a cylindrical
// problem, no node lies left of the axis.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "editing/drawing_commands.hpp"
#include "editing/removal_commands.hpp"
#include "geometry/deletion.hpp"
#include "geometry/element_lines.hpp"
#include "geometry/mesh_removal.hpp"
#include "geometry/outline_drawing.hpp"
#include "geometry/primitives.hpp"
#include "geometry/region.hpp"
#include "model/problem.hpp"
#include "platform/reporter.hpp"

#include "fuzz_input.hpp"

namespace {

using kova::fuzz::Bytes;
using kova::fuzz::Check;

void CheckModel(const kova::Problem& p) {
    Check(p.frameCount >= 0 && p.frameCount <= kova::kMaxFrames);
    for (const kova::LineSegment& s : p.lines) {
        Check(p.nodes.Valid(s.node1) && p.nodes.Valid(s.node2) && s.node1 < s.node2);
        Check(s.frameA >= 0 && s.frameA <= p.frameCount);
        Check(s.frameB >= 0 && s.frameB <= p.frameCount);
    }
    for (int k = 1; k <= p.frameCount; ++k) {
        const kova::Frame& f = p.frames[k];
        Check(f.area >= 0 && f.volume >= 0);
        Check(f.vertices.size() >= 4 && f.vertices.front() == f.vertices.back());
        for (const std::int32_t v : f.vertices) Check(p.nodes.Valid(v));
    }
    std::vector<int> order;
    for (int i = 1; i <= p.nodes.Count(); ++i) order.push_back(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return p.nodes[a].x < p.nodes[b].x; });
    for (std::size_t j = 0; j < order.size(); ++j)
        for (std::size_t i = j + 1; i < order.size(); ++i) {
            if (p.nodes[order[i]].x - p.nodes[order[j]].x >= 1e-4L) break;
            Check(std::fabs(p.nodes[order[i]].y - p.nodes[order[j]].y) >= 1e-4L);
        }
    if (p.settings.cylindrical) {
        const std::int32_t axis = kova::RoundPixel(kova::AxisX(p));
        for (int i = 1; i <= p.nodes.Count(); ++i) Check(kova::RoundPixel(p.nodes[i].x) >= axis);
    }
}

kova::ClickPoint Click(Bytes& in) {
    return {static_cast<kova::Real>(in.Next16() % 1600) / 2,
            static_cast<kova::Real>(in.Next16() % 1200) / 2};
}

// An item of the drawing chosen by a byte: 1..count, or 0 when there is none.
int Pick(Bytes& in, int count) {
    return count > 0 ? static_cast<int>(in.Next() % static_cast<unsigned>(count)) + 1 : 0;
}

void Select(kova::Problem& p, kova::SelectType state, std::vector<kova::SelectRec> items) {
    p.selection.items = std::move(items);
    p.selection.state = state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kova::SilentReporter* reporter = new kova::SilentReporter(kova::Answer::Yes);
    static kova::Problem* problem = new kova::Problem();  // one table, reset per input
    kova::Problem& p = *problem;
    p.ProblemReset();
    p.SetReporter(reporter);
    p.settings.pixelLength = 0.01L;
    Bytes in(data, size);
    if (in.Next() % 2 == 1) {
        p.SetCylindrical(true);
        p.settings.originX = static_cast<kova::Real>(in.Next() % 200);
    }
    p.settings.displayElementLines = in.Next() % 2 == 1;

    for (int command = 0; command < 24 && !in.Done(); ++command) {
        switch (in.Next() % 8) {
            case 0: {  // free-form outline; a last click on the first corner closes it
                std::vector<kova::ClickPoint> clicks;
                const int count = static_cast<int>(in.Next() % 7) + 2;
                for (int j = 0; j < count; ++j) clicks.push_back(Click(in));
                if (in.Next() % 4 != 0) clicks.push_back(clicks.front());
                kova::DrawFreeFormOutline(p, clicks);
                break;
            }
            case 1: {
                const int cType = static_cast<int>(in.Next() % 9);
                const int points = 6 + 2 * static_cast<int>(in.Next() % 16);
                const kova::Real diameter = static_cast<kova::Real>(in.Next16() % 600 + 1);
                const kova::ClickPoint centre = Click(in);
                kova::DrawCircularOutline(p, cType, points, diameter, centre.x, centre.y);
                break;
            }
            case 2: {
                std::vector<kova::ClickPoint> clicks;
                const int count = static_cast<int>(in.Next() % 6) + 2;
                for (int j = 0; j < count; ++j) {
                    const int n = Pick(in, p.nodes.Count());
                    clicks.push_back(n > 0 && in.Next() % 2 == 0
                                         ? kova::ClickPoint{p.nodes[n].x, p.nodes[n].y}
                                         : Click(in));
                }
                kova::ElementLines(p, clicks);
                break;
            }
            case 3:
                if (const int k = Pick(in, p.frameCount)) {
                    const bool lump = in.Next() % 2 == 1;
                    Select(p, lump ? kova::SelectType::Lumps : kova::SelectType::Frames,
                           {kova::NumberItem(lump ? k + p.nodes.Count() : k)});
                    kova::DeleteSelection(p);
                }
                break;
            case 4:
                if (p.nodes.Count() > 0) {
                    Select(p, kova::SelectType::Points,
                           {kova::NumberItem(Pick(in, p.nodes.Count())),
                            kova::NumberItem(Pick(in, p.nodes.Count()))});
                    kova::DeleteSelection(p);
                }
                break;
            case 5:
                if (const int j = Pick(in, p.lines.Count())) {
                    Select(p, kova::SelectType::Lines, {kova::SegmentItem(p.lines.AtPosition(j))});
                    kova::DeleteSelection(p);
                }
                break;
            case 6:
                if (const int k = Pick(in, p.frameCount)) {
                    Select(p, kova::SelectType::Frames, {kova::NumberItem(k)});
                    kova::SubtractFrame(p);
                }
                break;
            default:
                kova::RemoveMeshCommand(p);
                break;
        }
        CheckModel(p);
    }
    return 0;
}
