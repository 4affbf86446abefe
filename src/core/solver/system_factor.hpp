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

// The sparse side of a run: the analysis of the pattern (made once per run, since the
// couplings do not change between assemblies) and the latest numeric factor.
struct SystemFactor {
    SolverKind kind = SolverKind::Sparse;
    SparseSymbolic symbolic;
    SparseFactor factor;
    bool analysed = false;
    // Storage the sparse factor may take (see SparseFactor::SetMemoryLimit).
    std::size_t memoryLimit = std::numeric_limits<std::size_t>::max();
    // How often the run analysed the pattern and factorised a matrix (either solver).
    int analyses = 0;
    int factorisations = 0;
};

// The pattern of the run's system in equation order (0-based): every unknown's diagonal
// and its couplings from the connection lists. False when the memory cannot be had.
bool BuildSystemPattern(const SolverRun& run, SparsePattern& pattern);

// Factorises the run's system matrix A. Band: FactorBanded in place. Sparse: the pattern
// of A is analysed on the first call (the set-up has found the couplings connected), then
// A is factorised and stays as it is. Sets run.solverError: Singular for a singular
// system, NoMemory (after the memory message) when the memory cannot be had.
void FactorSystem(SolverRun& run);

// Solves A x = b with the latest factor (vectors 1..N in equation order). x may not be b.
void SolveSystem(const SolverRun& run, const BandVector& b, BandVector& x,
                 SolverError& solverError);

}  // namespace kova
