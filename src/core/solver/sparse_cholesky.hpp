// Supernodal multifrontal Cholesky factorisation A = L L^T of a sparse symmetric
// positive-definite matrix in extended precision, with forward and back substitution.
// Each supernode gathers its matrix entries and its children's updates into a dense
// front, factorises its own columns and passes the remaining Schur complement up.
#pragma once

#include <cstddef>
#include <cstdint>
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
    void Store(std::size_t at, Real v);
    bool SwitchToReals();

    const SparseSymbolic* m_symbolic = nullptr;
    bool m_ready = false;
    std::size_t m_memoryLimit = std::numeric_limits<std::size_t>::max();
    // The factor's values in the analysis's column layout, each split exactly into a
    // double and the float of its remainder: 12 bytes a value, and the solve's products
    // need only two extended loads (see the solve). A factor with a value that has no such
    // split (a magnitude beyond about 1e-20 .. 1e300) is held in extended values instead.
    std::vector<double> m_high;
    std::vector<float> m_low;
    std::vector<Real> m_reals;
    bool m_split = true;
    // Work areas kept between factorisations of the same size.
    std::vector<Real> m_front;
    std::vector<Real> m_stack;
    std::vector<std::int32_t> m_local;
    // The solve's work areas, kept between solves: the right-hand side in elimination
    // order, a supernode's vector values split in two doubles, and its rows' leads and column
    // offsets.
    mutable std::vector<Real> m_y;
    mutable std::vector<double> m_zHigh;
    mutable std::vector<double> m_zLow;
    mutable std::vector<Real> m_zExtended;  // the same for a vector beyond the doubles' range
    mutable std::vector<std::int32_t> m_lead;
    mutable std::vector<std::int64_t> m_base;
};

}  // namespace kova
