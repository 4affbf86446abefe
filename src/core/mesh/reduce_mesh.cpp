#include "mesh/reduce_mesh.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "geometry/deletion.hpp"
#include "geometry/frame_rebuild.hpp"
#include "mesh/mesh_segments.hpp"
#include "model/messages.hpp"
#include "solver/element_table.hpp"

namespace kova {
namespace {

// An element as the reduction sees it: its nodes, its frame, and its side segments held
// by identity from before any of them was split. side[0] joins nodes 0 and 1, side[1]
// nodes 1 and 2, side[2] nodes 0 and 2.
struct WorkElement {
    std::array<int, 3> nodes{};
    int frame = 0;
    std::array<LineSegment*, 3> side{};
};

bool Joins(const LineSegment* s, int a, int b) {
    return s != nullptr && s->node1 == std::min(a, b) && s->node2 == std::max(a, b);
}

std::vector<WorkElement> WorkElements(const ElementTable& table) {
    std::vector<WorkElement> out;
    out.reserve(static_cast<std::size_t>(table.Count()));
    for (const Element& e : table) {
        WorkElement w;
        w.nodes = {e.nodes[0], e.nodes[1], e.nodes[2]};
        w.frame = e.frame;
        const std::array<std::pair<int, int>, 3> pairs{
            {{w.nodes[0], w.nodes[1]}, {w.nodes[1], w.nodes[2]}, {w.nodes[0], w.nodes[2]}}};
        for (std::size_t k = 0; k < 3; ++k)
            for (LineSegment* s : e.sides)
                if (Joins(s, pairs[k].first, pairs[k].second)) w.side[k] = s;
        out.push_back(w);
    }
    return out;
}

class Reducer {
public:
    Reducer(Problem& problem, std::vector<WorkElement> elements, std::vector<std::uint8_t>& marks,
            const MeshProgress& progress)
        : m_problem(problem),
          m_elements(std::move(elements)),
          m_marks(marks),
          m_progress(progress) {}

    // Whether a node or segment could not be added; the caller takes the reduction back.
    bool Failed() const { return m_failed; }

    ReduceOutcome ReduceAll() {
        if (kMaxNodes < m_problem.nodes.Count() + m_problem.lines.Count()) {
            m_problem.reporter().ShowError(MaxNodesMessage());
            return ReduceOutcome::NodeLimit;
        }
        if (static_cast<long long>(kMaxElements) < 4LL * static_cast<long long>(m_elements.size()))
            return RefuseElements();
        std::fill(m_marks.begin(), m_marks.end(), 0);
        for (std::size_t j = 0; j < m_elements.size() && !m_failed; ++j) {
            const WorkElement& e = m_elements[j];
            Progress(j);
            const auto [a, b, c] = e.nodes;
            const int p = SplitEdge(e, a, b, e.side[0]);
            const int q = SplitEdge(e, b, c, e.side[1]);
            const int r = SplitEdge(e, a, c, e.side[2]);
            for (const auto& [u, v] : {std::pair{p, q}, std::pair{q, r}, std::pair{r, p}})
                Line(u, v, e.frame);
        }
        Progress(m_elements.size());
        return ReduceOutcome::Reduced;
    }

    ReduceOutcome ReduceSelected(const std::vector<int>& chosenFrames) {
        m_chosen = chosenFrames;
        std::fill(m_marks.begin(), m_marks.end(), 0);
        // The exact number of nodes the reduction adds: one per chosen element and one
        // per distinct side that will be split.
        std::set<std::pair<int, int>> splitSides;
        int centroids = 0;
        for (const WorkElement& e : m_elements) {
            if (!Chosen(e.frame)) continue;
            ++centroids;
            for (const LineSegment* s : e.side)
                if (s != nullptr && SideIsSplit(*s)) splitSides.insert({s->node1, s->node2});
        }
        const long long added = centroids + static_cast<long long>(splitSides.size());
        if (kMaxNodes < m_problem.nodes.Count() + added) {
            m_problem.reporter().ShowError(MaxNodesMessage());
            return ReduceOutcome::NodeLimit;
        }
        // A chosen element becomes three triangles around its centroid and one more per
        // split side.
        long long elementsAfter = static_cast<long long>(m_elements.size());
        for (const WorkElement& e : m_elements) {
            if (!Chosen(e.frame)) continue;
            elementsAfter += 2;
            for (const LineSegment* s : e.side)
                if (s != nullptr && SideIsSplit(*s)) ++elementsAfter;
        }
        if (kMaxElements < elementsAfter) return RefuseElements();

        for (std::size_t j = 0; j < m_elements.size() && !m_failed; ++j) {
            const WorkElement& e = m_elements[j];
            if (!Chosen(e.frame)) continue;
            Progress(j);
            const auto [a, b, c] = e.nodes;
            Real cx = 0, cy = 0;
            for (const int n : e.nodes) {
                cx += m_problem.nodes[n].x;
                cy += m_problem.nodes[n].y;
            }
            const int g = AddMeshNode(m_problem, cx / 3, cy / 3, m_problem.nodes[a].initialValue);
            if (g == 0) {
                m_failed = true;
                break;
            }
            for (const int n : e.nodes) Line(n, g, e.frame);
            const std::array<std::pair<int, int>, 3> pairs{{{a, b}, {b, c}, {a, c}}};
            for (std::size_t k = 0; k < 3; ++k) {
                const LineSegment* s = e.side[k];
                if (s == nullptr || !SideIsSplit(*s)) continue;
                const int m = SplitEdge(e, pairs[k].first, pairs[k].second, e.side[k]);
                Line(m, g, e.frame);
            }
        }
        Progress(m_elements.size());
        return ReduceOutcome::Reduced;
    }

private:
    ReduceOutcome RefuseElements() {
        m_problem.reporter().ShowError(GetMessage(MessageId::ReductionExceedsElementLimit));
        return ReduceOutcome::ElementLimit;
    }

    void Progress(std::size_t j) const {
        if (!m_progress || m_elements.empty()) return;
        m_progress(static_cast<int>(j * 100 / m_elements.size()));
    }

    // The element line u-v of a new triangle; both ends must exist.
    void Line(int u, int v, int frame) {
        if (u == 0 || v == 0 || CreateInteriorSegment(m_problem, u, v, frame) == nullptr)
            m_failed = true;
    }

    bool Chosen(int frame) const {
        return std::find(m_chosen.begin(), m_chosen.end(), frame) != m_chosen.end();
    }

    // Sides to the exterior and element lines are always split; a side between two frames
    // only when both are chosen, so that the meshes of other frames stay conforming.
    bool SideIsSplit(const LineSegment& s) const {
        if (s.frameA == s.frameB || s.frameA == 0 || s.frameB == 0) return true;
        return Chosen(s.frameA) && Chosen(s.frameB);
    }

    bool Marked(int n) const {
        return n >= 0 && static_cast<std::size_t>(n) < m_marks.size() &&
               m_marks[static_cast<std::size_t>(n)] != 0;
    }
    void Mark(int n) {
        if (n >= 0 && static_cast<std::size_t>(n) < m_marks.size())
            m_marks[static_cast<std::size_t>(n)] = 1;
    }

    // The node at the midpoint of edge a-b: the one a neighbouring element made already,
    // or a new one that splits the side segment. 0 when no node could be added.
    int SplitEdge(const WorkElement&, int a, int b, LineSegment* side) {
        const Real mx = (m_problem.nodes[a].x + m_problem.nodes[b].x) / 2;
        const Real my = (m_problem.nodes[a].y + m_problem.nodes[b].y) / 2;
        // A neighbouring element may have split this edge already. Its midpoint is the
        // node made for the pair (a, b) in this run; looked up by the pair rather than
        // by searching every node's position, which made large reductions quadratic.
        const std::uint64_t key = (static_cast<std::uint64_t>(std::min(a, b)) << 32) |
                                  static_cast<std::uint32_t>(std::max(a, b));
        if (Marked(a) && Marked(b)) {
            const auto found = m_midpoints.find(key);
            if (found != m_midpoints.end()) return found->second;
        }
        Mark(a);
        Mark(b);
        if (side == nullptr || !Joins(side, a, b)) {
            m_failed = true;
            return 0;
        }
        const bool keep = side->fluxSpec != 0 || side->transferSpec != 0 || side->IsElementLine();
        const int specA = m_problem.nodes[a].valueSpec;
        const int specB = m_problem.nodes[b].valueSpec;
        const int m = AddMeshNode(m_problem, mx, my, m_problem.nodes[a].initialValue);
        if (m == 0) {
            m_failed = true;
            return 0;
        }
        if (specA != 0 && specB != 0 && !keep)
            m_problem.nodes[m].valueSpec =
                static_cast<std::int16_t>(MergeSpecs(m_problem, specA, specB));
        if (SplitSegment(m_problem, *side, m) == nullptr) {
            m_problem.nodes.PopLast();
            m_failed = true;
            return 0;
        }
        m_midpoints.emplace(key, m);
        return m;
    }

    Problem& m_problem;
    std::vector<WorkElement> m_elements;
    std::vector<std::uint8_t>& m_marks;
    const MeshProgress& m_progress;
    std::vector<int> m_chosen;
    std::unordered_map<std::uint64_t, int> m_midpoints;  // split edge (a, b) -> midpoint
    bool m_failed = false;
};

int Turn(const Node& a, const Node& b, const Node& c) {
    const Real cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

// Whether every element is a proper triangle of the mesh: not flat, and no other node in
// it or on its sides. Three segments around a node are not an element; refining one
// would lay new lines across the mesh.
bool ElementsAreTriangles(const Problem& problem, const std::vector<WorkElement>& elements) {
    const int n = problem.nodes.Count();
    std::vector<int> byX(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) byX[static_cast<std::size_t>(i)] = i + 1;
    std::sort(byX.begin(), byX.end(),
              [&](int l, int r) { return problem.nodes[l].x < problem.nodes[r].x; });
    for (const WorkElement& e : elements) {
        const Node& a = problem.nodes[e.nodes[0]];
        const Node& b = problem.nodes[e.nodes[1]];
        const Node& c = problem.nodes[e.nodes[2]];
        if (Turn(a, b, c) == 0) return false;
        const Real left = std::min({a.x, b.x, c.x}), right = std::max({a.x, b.x, c.x});
        const Real top = std::min({a.y, b.y, c.y}), bottom = std::max({a.y, b.y, c.y});
        auto it = std::lower_bound(byX.begin(), byX.end(), left,
                                   [&](int i, Real x) { return problem.nodes[i].x < x; });
        for (; it != byX.end() && problem.nodes[*it].x <= right; ++it) {
            const int m = *it;
            if (m == e.nodes[0] || m == e.nodes[1] || m == e.nodes[2]) continue;
            const Node& p = problem.nodes[m];
            if (p.y < top || p.y > bottom) continue;
            const int s1 = Turn(a, b, p), s2 = Turn(b, c, p), s3 = Turn(c, a, p);
            if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) return false;
        }
    }
    return true;
}

std::vector<int> SelectedFrames(const Problem& problem) {
    std::vector<int> frames;
    for (const SelectRec& r : problem.selection.items) {
        int k = r.selectNo;
        if (k > problem.nodes.Count()) k -= problem.nodes.Count();
        if (problem.ValidFrame(k)) frames.push_back(k);
    }
    return frames;
}

}  // namespace

std::string MaxNodesMessage() {
    return "The maximum number of allowable nodes in this implementation is " +
           std::to_string(kMaxNodes) + ".  This action attempts to exceed the limit.";
}

int MergeSpecs(Problem& problem, int s, int t) {
    if (s == t) return s;
    const BoundarySpec* a = problem.specs.Find(s);
    const BoundarySpec* b = problem.specs.Find(t);
    if (a == nullptr || b == nullptr || a->IsExpression() || b->IsExpression()) return 0;
    return FindOrAddSpecValue(problem, kSpecValue, (a->value + b->value) / 2);
}

ReduceOutcome ReduceMeshSteps(Problem& problem, const MeshProgress& progress,
                              ReduceProgress& done) {
    Reporter& reporter = problem.reporter();
    std::vector<std::uint8_t> marks;
    try {
        marks.assign(static_cast<std::size_t>(problem.nodes.Count()) + 1, 0);
    } catch (const std::bad_alloc&) {
        problem.errorCode = MessageNumber(MessageId::NotEnoughMemory);
        reporter.ShowError(GetMessage(MessageId::NotEnoughMemory));
        return ReduceOutcome::NoMemory;
    }
    reporter.ShowStatusText(std::string(kCheckingConfigurationText), StatusPanel::Info);

    // The element builder marks offending segments in the selection, so the frame
    // selection is taken aside while it runs.
    const bool framesChosen = problem.selection.state == SelectType::Frames;
    const std::vector<int> chosen = framesChosen ? SelectedFrames(problem) : std::vector<int>{};
    const Selection before = problem.selection;
    problem.selection.items.clear();
    problem.selection.state = SelectType::None;
    // The element counts are kept in the segment records; a refusal puts them back, so
    // that it leaves the problem exactly as it was.
    std::vector<std::int32_t> counts;
    counts.reserve(static_cast<std::size_t>(problem.lines.Count()));
    for (LineSegment& s : problem.lines) {
        counts.push_back(s.elementCount);
        s.elementCount = 0;
    }
    auto putCountsBack = [&] {
        std::size_t i = 0;
        for (LineSegment& s : problem.lines)
            if (i < counts.size()) s.elementCount = counts[i++];
    };
    ElementTable table;
    CheckMarks checkMarks;
    if (!BuildElements(problem, table, checkMarks)) {
        putCountsBack();
        return ReduceOutcome::NoMemory;
    }
    if (checkMarks.errorFound) {
        putCountsBack();
        reporter.Beep();
        reporter.ShowStatusText(GetMessage(MessageId::NonTriangularElements), StatusPanel::Info);
        return ReduceOutcome::NotTriangular;
    }
    problem.selection = before;
    std::vector<WorkElement> elements = WorkElements(table);
    if (!ElementsAreTriangles(problem, elements)) {
        putCountsBack();
        reporter.ShowStatusText("", StatusPanel::Info);
        reporter.ShowError(GetMessage(MessageId::ReductionNeedsElements));
        return ReduceOutcome::NotTriangular;
    }

    reporter.ShowStatusText(std::string(kReducingMeshText), StatusPanel::Info);
    done.reducing = true;
    Reducer reducer(problem, std::move(elements), marks, progress);
    const ReduceOutcome outcome =
        framesChosen ? reducer.ReduceSelected(chosen) : reducer.ReduceAll();
    if (outcome != ReduceOutcome::Reduced) {
        putCountsBack();
        return outcome;
    }
    if (reducer.Failed()) {
        // A half-refined mesh would hold hanging nodes and open triangles: the caller
        // takes the whole reduction back.
        done.takeBack = true;
        return ReduceOutcome::NoMemory;
    }

    problem.MarkProblemChanged();
    problem.ClassifyNodes();
    RebuildAllFrames(problem);
    // A walk that could not get its working lists leaves a frame's old outline, which no
    // longer follows the split segments.
    for (int k = 1; k <= problem.frameCount; ++k)
        if (!OutlineClosedBySegments(problem, k)) throw std::bad_alloc();
    reporter.ShowStatusText("", StatusPanel::Info);
    return outcome;
}

}  // namespace kova
