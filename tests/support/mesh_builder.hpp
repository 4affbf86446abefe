// Builds meshed problems directly through the model, for solver tests and benchmarks:
// nodes at physical positions, triangles tagged with their frame, and the segments,
// frame outlines and node classification the drawing commands would leave.
#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "model/problem.hpp"

namespace kova::test {

// Positions in these builders are exact to well below 1e-9 m.
inline bool Near(Real a, Real b) {
    return (a > b ? a - b : b - a) < 1e-9L;
}

class MeshBuilder {
public:
    // Sets the drawing scale so that one pixel is 1/pixelsPerMetre m, with the origin at
    // drawing (0, 0): a node at physical (X, Y) sits at pixel (X * ppm, -Y * ppm).
    explicit MeshBuilder(Problem& problem, Real pixelsPerMetre = 100);

    // A node at physical (X, Y) in metres; the same position gives the same node.
    int Node(Real x, Real y);
    // A new frame (distributed unless told otherwise) with material `material`.
    int Frame(int material, FrameType type = FrameType::Distributed);
    void Triangle(int a, int b, int c, int frame);
    // A lump's outline through existing nodes (closed automatically); edges not shared
    // with a meshed frame become boundaries to the exterior.
    void LumpOutline(int frame, const std::vector<int>& nodes);

    // Creates the segments and outlines, classifies the nodes and measures the frames.
    // Node numbers change here; find nodes afterwards with NodeAt.
    void Finish();

private:
    Problem& m_problem;
    Real m_ppm;
    std::map<std::pair<long long, long long>, int> m_byPosition;
    struct Tri {
        int a, b, c, frame;
    };
    std::vector<Tri> m_triangles;
    std::map<int, std::vector<int>> m_lumpOutlines;
};

// Structured meshes; each returns the frame it filled (a new distributed frame with the
// material given). Cells are split by the diagonal from lower left to upper right.
int MeshRectangle(MeshBuilder& b, Real x0, Real y0, Real width, Real height, int nx, int ny,
                  int material);
// Rings between radii r0 and r1 around the origin (full circle), nr x nt cells.
int MeshAnnulus(MeshBuilder& b, Real r0, Real r1, int nr, int nt, int material);
// An L: the square [0, 2a]^2 without its upper right quarter, n cells per a.
int MeshLShape(MeshBuilder& b, Real a, int n, int material);

// Physical position of node n.
std::pair<Real, Real> Position(const Problem& problem, int n);
// The node at physical (X, Y), or 0.
int NodeAt(const Problem& problem, Real x, Real y);

// Constant material properties for material m.
void SetMaterial(Problem& problem, int m, Real conductivity, Real density = 1,
                 Real specificHeat = 1);
// A constant perfusion for material m and the blood's specific heat (bio-heat problems).
void SetPerfusion(Problem& problem, int m, Real perfusion, Real bloodSpecificHeat);

using PointTest = std::function<bool(Real, Real)>;
using PointValue = std::function<Real(Real, Real)>;

// Boundary conditions on the outer segments (a side is the exterior) whose end nodes
// both pass `where`: a value fixed at each end node, a flux, or convection.
int SetValueWhere(Problem& problem, const PointTest& where, const PointValue& value);
int SetFluxWhere(Problem& problem, const PointTest& where, Real flux);
int SetConvectionWhere(Problem& problem, const PointTest& where, Real h, Real ambient);
// Insulates (zero flux) every outer segment without a boundary condition.
int InsulateRest(Problem& problem);

// A 1 m x 0.2 m strip meshed 10 x 2, k = 2, rho c = 1, held at 100 at x = 0 and cooled
// by h = 5 to 20 at x = 1, other sides insulated, every node starting at `initial`.
// Steady, it carries q = 80 / (1/2 + 1/5) per unit area, 0.2 q per unit depth.
void MakeConvectiveStrip(Problem& problem, bool transient, Real initial);

}  // namespace kova::test
