// Symmetric banded matrices in band storage and their Cholesky solution. Row i (1..N)
// holds B extended values: entry m (1..B) is the coefficient a(i, i + m - 1), entry 1 the
// diagonal. Only the upper band is stored; a(j, i) for j > i is read as a(i, j). Entries
// that would lie beyond column N exist but are never used.
#pragma once

#include <cstddef>
#include <vector>

#include "model/types.hpp"
#include "platform/large_block.hpp"
#include "solver/solver_error.hpp"

namespace kova {

class BandMatrix {
public:
    BandMatrix() = default;

    // Makes an N x B band of zeros. Returns false (and holds nothing) when the memory
    // cannot be had.
    bool Allocate(int n, int bandwidth);
    void Release();

    int Size() const { return m_n; }
    int Bandwidth() const { return m_b; }
    bool Empty() const { return m_n == 0; }

    // Entry m (1..B) of row i (1..N).
    Real& Entry(int i, int m) { return Data()[Offset(i, m)]; }
    Real Entry(int i, int m) const { return Data()[Offset(i, m)]; }

    // The coefficient between equations i and j (either order); |i - j| must be below B.
    Real& operator()(int i, int j) { return i <= j ? Entry(i, j - i + 1) : Entry(j, i - j + 1); }
    Real operator()(int i, int j) const {
        return i <= j ? Entry(i, j - i + 1) : Entry(j, i - j + 1);
    }

    // Row i's B entries, contiguous.
    Real* Row(int i) { return Data() + Offset(i, 1); }
    const Real* Row(int i) const { return Data() + Offset(i, 1); }

    void Zero();
    void Swap(BandMatrix& other) noexcept;

private:
    std::size_t Offset(int i, int m) const {
        return static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(m_b) +
               static_cast<std::size_t>(m - 1);
    }
    int m_n = 0;
    int m_b = 0;
    Real* Data() const { return static_cast<Real*>(m_data.Data()); }
    LargeBlock m_data;  // zero bits are the value 0 of an extended real
};

// Vectors are indexed 1..N in equation order (entry 0 unused), so they hold N + 1 values.
using BandVector = std::vector<Real>;

// In-place Cholesky factorisation A = U^T U; row i then holds U(i, i + m - 1). A pivot
// that is not positive (or not a number), or that is below 1e-15 of its row's diagonal
// (a singular system reduced to rounding noise), sets solverError to Singular and returns at
// once; the rows before it are then factorised, the rest partly overwritten.
void FactorBanded(BandMatrix& matrix, SolverError& solverError);

// Solves U^T U x = b with a factor from FactorBanded; b is not changed. x may not be b.
void SolveBanded(const BandMatrix& factor, const BandVector& b, BandVector& x,
                 SolverError& solverError);

// r := p + A q for the symmetric band matrix A. r and p may be the same vector; neither
// may be q.
void MultiplyBanded(const BandMatrix& matrix, const BandVector& p, const BandVector& q,
                    BandVector& r);

}  // namespace kova
