#include "solver/run_setup.hpp"

#include <algorithm>
#include <new>
#include <numbers>

#include "model/problem.hpp"
#include "solver/assembly.hpp"
#include "solver/equation_numbering.hpp"
#include "solver/property_evaluation.hpp"

namespace kova {

bool SpecMakesRunDependent(const SolverRun& run, const BoundarySpec& spec) {
    return spec.dependsOnPotential != 0 || (run.IsTransient() && spec.dependsOnTime != 0);
}

namespace {

bool IsActiveNode(const SolverRun& run, int node) {
    return node >= 1 && node <= run.activeNodeCount;
}

bool IsFreeLump(const Problem& problem, int frame) {
    const Frame* f = problem.FrameAt(frame);
    return frame >= 1 && f != nullptr && f->IsLump() && f->subtracted == 0 && f->lumpValueSpec <= 0;
}

void NoteSpec(SolverRun& run, int spec) {
    if (const BoundarySpec* s = run.problem.specs.Find(spec))
        if (SpecMakesRunDependent(run, *s)) run.potentialDependent = true;
}

void NoteBlock(SolverRun& run, const BoundarySpec& block) {
    if (SpecMakesRunDependent(run, block)) run.potentialDependent = true;
}

// The side code of a frame number: -1 distributed, 0 exterior or hole, k a lump.
int SideOf(const Problem& problem, int frame) {
    const Frame* f = problem.FrameAt(frame);
    if (frame <= 0 || f == nullptr) return kSideExterior;
    if (!f->IsLump()) return kSideDistributed;
    return f->subtracted != 0 ? kSideExterior : frame;
}

// Which of a frame's material properties and fin values depend on the potential (or
// time), and whether it has a capacity.
void ExamineFrame(SolverRun& run, int k) {
    const Problem& problem = run.problem;
    const Frame& f = problem.frames[k];
    const Material* m = problem.MaterialAt(f.material);
    const ProbTypeA subject = problem.settings.subject;
    if (m != nullptr) {
        NoteBlock(run, m->conductivity);
        if (subject == ProbTypeA::Bio) NoteBlock(run, m->perfusion);
        if (run.IsTransient()) {
            NoteBlock(run, m->density);
            NoteBlock(run, m->specificHeat);
            if (m->specificHeat.compiled[0] > 0 || m->specificHeat.value != 0)
                run.noCapacity = false;
        }
    }
    if (subject == ProbTypeA::ThinFins) {
        NoteSpec(run, f.finTransferSpec);
        NoteSpec(run, f.finFluidSpec);
        NoteSpec(run, f.finFluxSpec);
    }
}

}  // namespace

SolverError ComputeLumpData(SolverRun& run, int k, int level) {
    const Problem& problem = run.problem;
    const Frame& f = problem.frames[k];
    const bool cylindrical = problem.settings.cylindrical;
    // The frame's area and volume are kept in physical units (the pixel length already
    // carries the zoom), so they are used as they stand at any zoom.
    const Real measure = cylindrical ? f.volume / (2 * std::numbers::pi_v<Real>) : f.area;
    const Real thickness =
        !cylindrical && problem.settings.subject == ProbTypeA::ThinFins ? f.finThickness : 1.0L;
    int error = 0;
    const Real rho = RunMaterialProperty(run, kPropDensity, -k, 1, error, level);
    if (error != 0) {
        RunReportPropertyError(run, kPropDensity, k);
        return EvaluatorFailure(error);
    }
    const Real c = RunMaterialProperty(run, kPropSpecificHeat, -k, 1, error, level);
    if (error != 0) {
        RunReportPropertyError(run, kPropSpecificHeat, k);
        return EvaluatorFailure(error);
    }
    run.lumpCapacity[static_cast<std::size_t>(k)] = rho * c * measure * thickness;
    Real g = 0;
    if (f.generationSpec > 0) {
        g = RunMaterialProperty(run, kPropGeneration, -k, 1, error, level);
        if (error != 0) {
            run.erroneousItem = f.generationSpec;
            return SolverError::Evaluation;
        }
    }
    run.lumpGeneration[static_cast<std::size_t>(k)] = g * measure * thickness;
    if (f.lumpValueSpec > 0) {
        const Real v = RunSpecValue(run, f.lumpValueSpec, error, 0, 0, 0, 0);
        if (error != 0) {
            run.erroneousItem = f.lumpValueSpec;
            return SolverError::Evaluation;
        }
        run.lumpValue[static_cast<std::size_t>(k)] = v;
        run.lumpCapacity[static_cast<std::size_t>(k)] = kUnspecified;
    } else {
        run.lumpValue[static_cast<std::size_t>(k)] = f.lumpInitialValue;
    }
    return SolverError::Ok;
}

namespace {

// How many lumps the problem has, how many of them are free (an unknown each, after
// the active nodes) and so how many unknowns the run solves for.
struct UnknownCounts {
    int lumps = 0;
    int freeLumps = 0;
    int unknowns = 0;
};

// The run's times in the base unit, the physical coordinates of every node and each
// node's start value: its initial value (transient) or its current value (steady).
bool TakeTimesAndStartValues(SolverRun& run) {
    const Problem& problem = run.problem;
    const int nodeCount = problem.nodes.Count();
    const int frameCount = problem.frameCount;
    run.timeFactor = TimeFactor(problem);
    if (run.IsTransient()) {
        run.t = run.timeFactor * problem.settings.transientStart;
        run.dt = run.timeFactor * problem.settings.transientStep;
        run.tStop = run.timeFactor * problem.settings.transientStop;
    } else {
        run.t = run.dt = run.tStop = 0;
    }
    try {
        run.coordinates.assign(static_cast<std::size_t>(nodeCount) + 1, Coordinates{});
        run.solution.assign(static_cast<std::size_t>(nodeCount + frameCount) + 1, 0.0L);
        run.specified.assign(static_cast<std::size_t>(nodeCount) + 1, 0);
    } catch (const std::bad_alloc&) {
        run.solverError = SolverError::NoMemory;
        return false;
    }
    for (int i = 1; i <= nodeCount; ++i) {
        const Node& n = problem.nodes[i];
        run.coordinates[static_cast<std::size_t>(i)] = DrawingToBase(problem, n.x, n.y);
        run.solution[static_cast<std::size_t>(i)] =
            run.IsTransient() ? n.initialValue : n.currentValue;
    }
    return true;
}

// Counts the lumps and gives each free lump its unknown, in frame order.
UnknownCounts NumberFreeLumps(SolverRun& run) {
    const Problem& problem = run.problem;
    UnknownCounts counts;
    run.lumpUnknown.fill(0);
    for (int k = 1; k <= problem.frameCount; ++k) {
        if (problem.frames[k].IsLump()) ++counts.lumps;
        if (IsFreeLump(problem, k))
            run.lumpUnknown[static_cast<std::size_t>(k)] = run.activeNodeCount + ++counts.freeLumps;
    }
    counts.unknowns = run.activeNodeCount + counts.freeLumps;
    return counts;
}

// Makes the connection lists, with room at every node for each segment that meets it
// plus every lump, and at every lump for the most connections a lump may have; then
// enters the segments between active nodes.
bool ConnectSegments(SolverRun& run, const UnknownCounts& counts) {
    const Problem& problem = run.problem;
    const int activeCount = run.activeNodeCount;
    std::vector<std::int32_t> capacity;
    try {
        capacity.assign(static_cast<std::size_t>(counts.unknowns) + 1, 0);
        for (const LineSegment& s : problem.lines) {
            if (s.active == 0) continue;
            if (IsActiveNode(run, s.node1)) ++capacity[static_cast<std::size_t>(s.node1)];
            if (IsActiveNode(run, s.node2)) ++capacity[static_cast<std::size_t>(s.node2)];
        }
        for (int u = 1; u <= activeCount; ++u)
            capacity[static_cast<std::size_t>(u)] += counts.lumps;
        for (int u = activeCount + 1; u <= counts.unknowns; ++u)
            capacity[static_cast<std::size_t>(u)] = kMaxLumpConnections + counts.lumps;
    } catch (const std::bad_alloc&) {
        run.solverError = SolverError::NoMemory;
        return false;
    }
    if (!run.connections.Reset(capacity)) {
        run.solverError = SolverError::NoMemory;
        return false;
    }
    for (const LineSegment& s : problem.lines) {
        if (s.active == 0 || !IsActiveNode(run, s.node1) || !IsActiveNode(run, s.node2)) continue;
        run.connections.Add(s.node1, s.node2);
        run.connections.Add(s.node2, s.node1);
    }
    return true;
}

// Per frame: which of its values make the run dependent, and whether it has a
// capacity. Per lump: its capacity, generation and value, its start value and its
// connections to the nodes of its outline and to neighbouring free lumps. The lump
// list holds the free lumps in frame order, then the fixed ones.
bool SetUpLumps(SolverRun& run, const UnknownCounts& counts, int level) {
    const Problem& problem = run.problem;
    const int unknowns = counts.unknowns;
    run.potentialDependent = false;
    run.noCapacity = true;
    run.lumpList.clear();
    std::vector<std::int32_t> fixedLumps;
    std::vector<std::int32_t> seen(static_cast<std::size_t>(unknowns) + 1, 0);
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[k];
        if (f.subtracted != 0) continue;
        ExamineFrame(run, k);
        if (!f.IsLump()) continue;
        NoteSpec(run, f.lumpValueSpec);
        NoteSpec(run, f.generationSpec);
        if (ComputeLumpData(run, k, level) != SolverError::Ok) {
            run.solverError = SolverError::Evaluation;
            return false;
        }
        if (f.lumpValueSpec > 0) {
            fixedLumps.push_back(k);
            continue;
        }
        run.lumpList.push_back(k);
        const int u = run.lumpUnknown[static_cast<std::size_t>(k)];
        run.solution[static_cast<std::size_t>(u)] = run.lumpValue[static_cast<std::size_t>(k)];
        std::vector<std::int32_t> list;
        auto enter = [&](int v) {
            if (v < 1 || v > unknowns || seen[static_cast<std::size_t>(v)] == u) return;
            seen[static_cast<std::size_t>(v)] = u;
            list.push_back(v);
        };
        for (const LineSegment& s : problem.lines) {
            if (s.active == 0 || (s.frameA != k && s.frameB != k)) continue;
            if (IsActiveNode(run, s.node1)) enter(s.node1);
            if (IsActiveNode(run, s.node2)) enter(s.node2);
            const int other = s.frameA == k ? s.frameB : s.frameA;
            if (other != k && IsFreeLump(problem, other))
                enter(run.lumpUnknown[static_cast<std::size_t>(other)]);
        }
        if (static_cast<int>(list.size()) > kMaxLumpConnections) {
            run.solverError = SolverError::LumpConnections;
            return false;
        }
        for (std::int32_t v : list) {
            run.connections.Add(u, v);
            if (v < u) run.connections.Add(v, u);
        }
    }
    run.unknownCount = unknowns;
    run.freeLumpCount = counts.freeLumps;
    run.lumpList.insert(run.lumpList.end(), fixedLumps.begin(), fixedLumps.end());
    return true;
}

// The flux and convection segments of the checked configuration with the side codes
// the assembly needs; a fixed lump beside a convection segment is a constant ambient.
void ListBoundarySegments(SolverRun& run) {
    const Problem& problem = run.problem;
    run.fluxSegments.clear();
    run.convectionSegments.clear();
    for (const LineSegment* s : run.checked.fluxLines) {
        FluxSegment fs;
        fs.node1 = std::min(s->node1, s->node2);
        fs.node2 = std::max(s->node1, s->node2);
        fs.fluxSpec = s->fluxSpec;
        fs.side1 = SideOf(problem, s->frameA);
        fs.side2 = SideOf(problem, s->frameB);
        fs.thickness = EdgeThickness(problem, *s);
        if (fs.side1 > fs.side2) std::swap(fs.side1, fs.side2);
        NoteSpec(run, fs.fluxSpec);
        run.fluxSegments.push_back(fs);
    }
    for (const LineSegment* s : run.checked.convectionLines) {
        ConvectionSegment cs;
        cs.node1 = std::min(s->node1, s->node2);
        cs.node2 = std::max(s->node1, s->node2);
        cs.transferSpec = s->transferSpec;
        cs.ambientSpec = s->ambientSpec;
        cs.side1 = SideOf(problem, s->frameA);
        cs.side2 = SideOf(problem, s->frameB);
        cs.thickness = EdgeThickness(problem, *s);
        for (std::int32_t* side : {&cs.side1, &cs.side2}) {
            std::int32_t* other = side == &cs.side1 ? &cs.side2 : &cs.side1;
            const Frame* f = problem.FrameAt(*side);
            if (*side <= 0 || f == nullptr || f->lumpValueSpec <= 0) continue;
            const Real fixedValue = run.lumpValue[static_cast<std::size_t>(*side)];
            *side = kSideExterior;
            if (*other != kSideExterior) {
                // The lump's value is evaluated at every assembly, as it may change in time.
                cs.ambientConstant = fixedValue;
                cs.ambientSpec = f->lumpValueSpec;
            }
        }
        if (cs.side1 > cs.side2) std::swap(cs.side1, cs.side2);
        NoteSpec(run, cs.transferSpec);
        NoteSpec(run, cs.ambientSpec);
        run.convectionSegments.push_back(cs);
    }
}

// Marks the active nodes with a value specification and gives them their value at the
// start time.
bool PrescribeSpecifiedNodes(SolverRun& run) {
    const Problem& problem = run.problem;
    run.specifiedCount = 0;
    for (int i = 1; i <= run.activeNodeCount; ++i) {
        const Node& n = problem.nodes[i];
        if (n.valueSpec <= 0) continue;
        run.specified[static_cast<std::size_t>(i)] = 1;
        ++run.specifiedCount;
        NoteSpec(run, n.valueSpec);
        int error = 0;
        const Real v = RunSpecValue(run, n.valueSpec, error, 0, 0, n.x, n.y);
        if (error != 0) {
            run.erroneousItem = n.valueSpec;
            run.solverError = SolverError::Evaluation;
            return false;
        }
        run.solution[static_cast<std::size_t>(i)] = v;
    }
    return true;
}

// True when every unknown reaches every other through the connection lists (a
// breadth-first search, linear in the number of couplings).
bool ConnectionsConnected(const ConnectionLists& connections, int n) {
    if (n <= 1) return true;
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(n) + 1, 0);
    std::vector<std::int32_t> queue;
    queue.reserve(static_cast<std::size_t>(n));
    queue.push_back(1);
    seen[1] = 1;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int u = queue[head];
        if (u > connections.Count()) continue;
        for (const std::int32_t* v = connections.Begin(u); v != connections.End(u); ++v) {
            if (*v < 1 || *v > n || seen[static_cast<std::size_t>(*v)] != 0) continue;
            seen[static_cast<std::size_t>(*v)] = 1;
            queue.push_back(*v);
        }
    }
    return static_cast<int>(queue.size()) == n;
}

// The band solver needs the bandwidth-minimising numbering of the equations. The sparse
// one makes its own fill-reducing order, so its equations keep the unknowns' numbers; a
// mesh that falls apart is found by a linear search, and the numbering, needed only for
// the bandwidth the user is shown, is searched beside the calculation when wanted
// (SolverRun::bandwidthFigure).
void NumberUnknowns(SolverRun& run) {
    const int n = run.unknownCount;
    if (run.factor.kind == SolverKind::Sparse) {
        run.equationOfUnknown.resize(static_cast<std::size_t>(n) + 1);
        for (int u = 0; u <= n; ++u) run.equationOfUnknown[static_cast<std::size_t>(u)] = u;
        run.unknownOfEquation = run.equationOfUnknown;
        run.bandwidth = 0;
        if (!ConnectionsConnected(run.connections, n)) {
            run.solverError = SolverError::Numbering;
            return;
        }
        run.StartBandwidthSearch();
        return;
    }
    Numbering numbering = NumberEquations(run.connections, n);
    run.equationOfUnknown = std::move(numbering.equationOfUnknown);
    run.unknownOfEquation = std::move(numbering.unknownOfEquation);
    run.bandwidth = numbering.bandwidth;
    run.bandwidthFigure.SetKnown(run.bandwidth);
    if (numbering.solverError != SolverError::Ok) run.solverError = numbering.solverError;
}

}  // namespace

void RunSetup(SolverRun& run) {
    run.activeNodeCount =
        std::clamp(run.problem.settings.activeNodeCount, 0, run.problem.nodes.Count());
    // Lump values that depend on the potential take it from the level the run starts at.
    const int level = std::max(run.currentLevel - run.stepStart, 0);

    if (!TakeTimesAndStartValues(run)) return;
    const UnknownCounts counts = NumberFreeLumps(run);
    if (!ConnectSegments(run, counts)) return;
    if (!SetUpLumps(run, counts, level)) return;
    ListBoundarySegments(run);
    if (!PrescribeSpecifiedNodes(run)) return;
    NumberUnknowns(run);
}

}  // namespace kova
