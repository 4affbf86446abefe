// Supernodal multifrontal Cholesky factorisation A = L L^T of a sparse symmetric
// positive-definite matrix in extended precision, with forward and back substitution.
// Each supernode gathers its matrix entries and its children's updates into a dense
// front, factorises its own columns and passes the remaining Schur complement up.
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

#include "solver/solver_error.hpp"
#include "solver/sparse_pattern.hpp"
#include "solver/sparse_symbolic.hpp"

namespace kova {

class SparseFactor {
public:
    // Factorises `matrix` (on the pattern `symbolic` was made for; the analysis must
    // outlive the factor). On failure solverError is 2 when a pivot is not positive, not
    // a number, or below 1e-15 of its row's diagonal (a singular system reduced to
    // rounding noise), and 5 when the memory cannot be had; the factor is then unusable.
    void Factor(const SparseMatrix& matrix, const SparseSymbolic& symbolic,
                SolverError& solverError);

    // Solves L L^T x = b (arrays of N values in the matrix's numbering); b may be x.
    void Solve(const Real* b, Real* x) const;

    bool Ready() const { return m_ready; }
    void Release();

    // Refuses (as out of memory) a factorisation whose storage would exceed `bytes`:
    // a ceiling for memory-limited use and for tests of the failure.
    void SetMemoryLimit(std::size_t bytes) { m_memoryLimit = bytes; }
    // Bytes the factor and its work areas hold.
    std::size_t Bytes() const;

private:
    const SparseSymbolic* m_symbolic = nullptr;
    bool m_ready = false;
    std::size_t m_memoryLimit = std::numeric_limits<std::size_t>::max();
    std::vector<Real> m_values;  // per supernode its rows x columns block, by rows
    // Work areas kept between factorisations of the same size.
    std::vector<Real> m_front;
    std::vector<Real> m_stack;
    std::vector<std::int32_t> m_local;
};

}  // namespace kova
