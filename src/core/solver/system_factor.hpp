// The factorisation that solves a run's assembled system: the band Cholesky in place, or
// the sparse supernodal one of the matrix assembled on the couplings' pattern. The sparse
// solver is the default; the band one is chosen per run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "solver/band_matrix.hpp"
#include "solver/sparse_cholesky.hpp"
#include "solver/sparse_pattern.hpp"
#include "solver/sparse_symbolic.hpp"

namespace kova {

class SolverRun;

enum class SolverKind : std::uint8_t { Band, Sparse };

// The analysis of one pattern, kept with a copy of the pattern it was made from, so that
// a later run on the same mesh can take it over after checking that it still applies.
struct SparseAnalysis {
    SparsePattern pattern;
    SparseSymbolic symbolic;

    // True when the analysis was made for exactly this pattern (same size, same entries
    // in the same places): its order and the positions it took from the pattern hold.
    bool Fits(const SparsePattern& other) const;
    bool Empty() const { return pattern.columnStart.empty(); }
};

// The sparse side of a run: the analysis of the pattern (made once per run, since the
// couplings do not change between assemblies, or taken over from an earlier run on the
// same pattern) and the latest numeric factor.
struct SystemFactor {
    SolverKind kind = SolverKind::Sparse;
    // May hold an earlier run's analysis until the first factorisation checks it.
    SparseAnalysis analysis;
    SparseFactor factor;
    bool analysed = false;
    // Storage the sparse factor may take (see SparseFactor::SetMemoryLimit).
    std::size_t memoryLimit = std::numeric_limits<std::size_t>::max();
    // How often the run analysed the pattern and factorised a matrix (either solver); a
    // run that took an earlier analysis over counts no analysis.
    int analyses = 0;
    int factorisations = 0;
};

// The pattern of the run's system in equation order (0-based): every unknown's diagonal
// and its couplings from the connection lists. False when the memory cannot be had.
bool BuildSystemPattern(const SolverRun& run, SparsePattern& pattern);

// Factorises the run's system matrix A. Band: FactorBanded in place. Sparse: on the first
// call the analysis the factor holds is kept when it fits the pattern of A, and otherwise
// dropped and the pattern analysed (the set-up has found the couplings connected); then A
// is factorised and stays as it is. Sets run.solverError: Singular for a singular
// system, NoMemory (after the memory message) when the memory cannot be had.
void FactorSystem(SolverRun& run);

// Solves A x = b with the latest factor (vectors 1..N in equation order). x may not be b.
void SolveSystem(const SolverRun& run, const BandVector& b, BandVector& x,
                 SolverError& solverError);

}  // namespace kova
