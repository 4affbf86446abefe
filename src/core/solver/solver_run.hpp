// The state of one calculation: run settings, the numbering of the unknowns, the lump
// data, the boundary segment lists, the matrices and vectors. A SolverRun is created
// for every calculation and dropped at its end; it refers to the problem, to the checked
// configuration (elements and boundary lists) and to the result table, which outlive it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "model/types.hpp"
#include "solver/band_matrix.hpp"
#include "solver/configuration_check.hpp"
#include "solver/equation_numbering_search.hpp"
#include "solver/result_table.hpp"
#include "solver/solver_error.hpp"
#include "solver/system_factor.hpp"
#include "solver/system_matrix.hpp"
#include "units/drawing_transform.hpp"
#include "units/unit_labels.hpp"

namespace kova {

class Problem;

// Run modes: steady, Euler, Crank-Nicolson, transient without capacity.
inline constexpr int kRunSteady = 0;
inline constexpr int kRunEuler = 1;
inline constexpr int kRunCrankNicolson = 2;
inline constexpr int kRunNoCapacity = -1;

// What lies on one side of a boundary segment: a distributed frame, the exterior (or a
// hole), or lump frame k (k >= 1).
inline constexpr int kSideDistributed = -1;
inline constexpr int kSideExterior = 0;

// Most connections a lump may have.
inline constexpr int kMaxLumpConnections = 1000;

// Value that starts the iteration's comparison of changes.
inline constexpr Real kNoPreviousChange = 9.99e99L;

struct FluxSegment {
    std::int32_t node1 = 0;  // the smaller node number
    std::int32_t node2 = 0;
    std::int32_t fluxSpec = 0;
    std::int32_t side1 = 0;  // the smaller side code
    std::int32_t side2 = 0;
    Real thickness = 1;  // edge height of an extended surface (EdgeThickness)
};

struct ConvectionSegment {
    std::int32_t node1 = 0;
    std::int32_t node2 = 0;
    std::int32_t transferSpec = 0;
    std::int32_t ambientSpec = 0;  // 0: the ambient constant applies
    Real ambientConstant = 0;
    std::int32_t side1 = 0;
    std::int32_t side2 = 0;
    Real thickness = 1;  // edge height of an extended surface (EdgeThickness)
};

// A free equation's coupling to a prescribed one in a run with capacity, kept by the
// assembly for the time stepping, which needs the prescribed value at both levels.
struct PrescribedCoupling {
    std::int32_t free = 0;        // the free equation j
    std::int32_t prescribed = 0;  // the prescribed equation e
    Real k = 0;                   // K(j, e)
    Real c = 0;                   // C(j, e)
    Real value = 0;               // the prescribed value at the assembly's time
    Real previous = 0;            // the value it had before (the last level's)
};

// Per unknown, the unknowns it is coupled with, in the order they were entered.
class ConnectionLists {
public:
    // Lists 1..count with the given capacities (index 0 unused).
    bool Reset(const std::vector<std::int32_t>& capacity);
    bool Add(int u, std::int32_t v);  // false when the list is full
    int Size(int u) const { return m_size[static_cast<std::size_t>(u)]; }
    const std::int32_t* Begin(int u) const {
        return m_data.data() + m_start[static_cast<std::size_t>(u)];
    }
    const std::int32_t* End(int u) const { return Begin(u) + Size(u); }
    int Count() const { return static_cast<int>(m_size.size()) - 1; }

private:
    std::vector<std::int64_t> m_start;
    std::vector<std::int32_t> m_size;
    std::vector<std::int32_t> m_capacity;
    std::vector<std::int32_t> m_data;
};

class SolverRun {
public:
    SolverRun(Problem& problem, const CheckedConfiguration& checked, ResultTable& results)
        : problem(problem), checked(checked), results(results) {}
    SolverRun(const SolverRun&) = delete;
    SolverRun& operator=(const SolverRun&) = delete;

    Problem& problem;
    const CheckedConfiguration& checked;
    ResultTable& results;
    // The balance table when nodal balances vs time were requested: StoreResults writes
    // each level's time into its entry 0 as well.
    ResultTable* balanceTimes = nullptr;

    // Run settings.
    int runMode = kRunSteady;
    bool checkOnly = false;
    int stepStart = 0;
    int currentLevel = 0;
    Real timeFactor = 1;
    Real t = 0;  // current time in the unit system's base unit
    Real dt = 0;
    Real tStop = 0;
    bool balanceMode = false;  // assembly of the selected frames' balances
    SolverError solverError = SolverError::Ok;
    int erroneousItem = 0;  // the specification whose evaluation failed

    // Numbering.
    int activeNodeCount = 0;
    int unknownCount = 0;  // N
    int bandwidth = 0;     // B
    int specifiedCount = 0;
    std::vector<std::int32_t> equationOfUnknown;  // 1..N
    std::vector<std::int32_t> unknownOfEquation;  // 1..N
    std::vector<std::uint8_t> specified;          // per node: 1 for a specified node
    ConnectionLists connections;

    // Lumps: the free lumps in frame order, then the fixed lumps.
    std::vector<std::int32_t> lumpList;
    int freeLumpCount = 0;
    std::array<Real, kFrameSlots> lumpCapacity{};
    std::array<Real, kFrameSlots> lumpGeneration{};
    std::array<Real, kFrameSlots> lumpValue{};
    std::array<std::int32_t, kFrameSlots> lumpUnknown{};  // 0 unless a free lump

    std::vector<FluxSegment> fluxSegments;
    std::vector<ConvectionSegment> convectionSegments;

    // Physical coordinates of every node (base length unit), index 1..node count.
    std::vector<Coordinates> coordinates;

    // Matrices and vectors in equation order (index 1..N). The solution vector holds
    // unknown-ordered start values until the first assembly permutes it.
    SystemMatrix K, C, A;
    BandVector F, solveVector, solution;
    // The solve's result before it becomes the solution; it swaps storage with the
    // solution, so that the stepping allocates nothing per level.
    BandVector nextSolution;
    // How A is factorised and solved (band unless a run chooses the sparse solver).
    SystemFactor factor;

    // The prescribed values of the last assembly: (equation, value).
    std::vector<std::pair<std::int32_t, Real>> prescribed;
    // Their couplings to free equations in a run with capacity.
    std::vector<PrescribedCoupling> prescribedCouplings;
    // Frames whose balances are being assembled (BalanceMode).
    std::array<std::uint8_t, kFrameSlots> balanceFrames{};

    // Dependence and iteration state.
    bool potentialDependent = false;
    bool noCapacity = true;
    // Set once the run's start values are in the result table; until then evaluations
    // take the nodes' current (steady) or initial (transient) values as the potential.
    bool resultsStarted = false;
    int iterCount = 0;
    Real prevChange = kNoPreviousChange;

    // Called by the property iteration with each new iteration count (the progress
    // line); may be empty.
    std::function<void(int)> onIteration;

    // The equation of a node's or lump's unknown.
    int EquationOf(int unknown) const {
        return equationOfUnknown[static_cast<std::size_t>(unknown)];
    }
    bool IsTransient() const { return runMode != kRunSteady; }

    // The bandwidth the user is shown. The sparse solver does not need the numbering, so
    // its figure is searched beside the calculation when `searchBandwidth` is set and is
    // known whenever the search ends; the run never waits for it. A calculation hands in
    // its own figure, which outlives the run.
    BandwidthFigure bandwidthFigure;
    bool searchBandwidth = true;

    // Starts the search of the connection lists (which it copies) when it is wanted.
    void StartBandwidthSearch() {
        if (searchBandwidth) bandwidthFigure.Search(connections, unknownCount);
    }
    // Waits for the figure (0 when it is not searched for or cannot be had) and sets
    // `bandwidth` from it.
    int WaitBandwidth() {
        bandwidth = bandwidthFigure.Wait().value_or(0);
        return bandwidth;
    }
};

}  // namespace kova
