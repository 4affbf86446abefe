// The matrices of a run (K, C and the system matrix A): symmetric, either in band
// storage for the band factorisation or on the sparse pattern of the run's couplings
// for the sparse one. The assembly, the time scheme and the balances address them
// the same way, by 1-based equation numbers.
#pragma once

#include <cstddef>

#include "solver/band_matrix.hpp"
#include "solver/sparse_pattern.hpp"

namespace kova {

class SystemMatrix {
public:
    // An N x B band of zeros; false (holding nothing) when the memory cannot be had.
    bool AllocateBand(int n, int bandwidth);
    // Zeros on a copy of `pattern` (0-based equations); false when the memory cannot be
    // had.
    bool AllocateSparse(const SparsePattern& pattern);
    void Release();

    bool IsSparse() const { return m_sparseStorage; }
    int Size() const { return m_sparseStorage ? m_sparse.Size() : m_band.Size(); }
    bool Empty() const { return Size() == 0; }

    // The coefficient between equations i and j (1..N, either order). A band holds every
    // pair closer than its bandwidth, a pattern every coupling it was made from; writing
    // to a pair the pattern does not hold lands in a scratch value that is never read.
    Real& operator()(int i, int j) {
        if (!m_sparseStorage) return m_band(i, j);
        const std::int64_t at = m_sparse.Pattern().Find(i - 1, j - 1);
        if (at < 0) {
            m_outside = 0;
            return m_outside;
        }
        return m_sparse.Values()[static_cast<std::size_t>(at)];
    }
    Real operator()(int i, int j) const {
        return m_sparseStorage ? m_sparse.At(i - 1, j - 1) : m_band(i, j);
    }

    // Where the six coefficients among three equations (1..N) are held, in the order
    // (0,0) (0,1) (0,2) (1,1) (1,2) (2,2): the same places operator() gives, found with
    // one walk down each column when the equations ascend (an element's entries are
    // written many times, and a search per entry is most of their cost). The places stay
    // valid until the matrix is allocated anew.
    void TriangleSlots(const int (&eq)[3], Real* (&slots)[6]);

    // Every stored value, contiguous (matrices of one run share the layout, so the time
    // scheme can combine them value by value).
    Real* Values();
    const Real* Values() const;
    std::size_t ValueCount() const;

    void Zero();
    void Swap(SystemMatrix& other) noexcept;

    // r := p + A q (vectors 1..N, entry 0 unused). r may be p; neither may be q.
    void Multiply(const BandVector& p, const BandVector& q, BandVector& r) const;
    // Per equation the sum of the magnitudes of its off-diagonal coefficients (1..N).
    std::vector<Real> OffDiagonalSums() const;

    BandMatrix& Band() { return m_band; }
    const BandMatrix& Band() const { return m_band; }
    SparseMatrix& Sparse() { return m_sparse; }
    const SparseMatrix& Sparse() const { return m_sparse; }

private:
    bool m_sparseStorage = false;
    BandMatrix m_band;
    SparseMatrix m_sparse;
    Real m_outside = 0;
};

}  // namespace kova
