// Writes a square plate of n x n cells (each split by the diagonal from lower left to
// upper right) as a KOVA problem file and the same mesh and problem for the comparison
// code: a FreeFEM mesh (.msh) and script (.edp). The plate conducts with k = 1, is held
// at 100 on its left side, cooled by h = 5 to 20 on its right and insulated elsewhere.
//
//   make_plate CELLS BASE     writes BASE.KVX, BASE.msh and BASE.edp
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>

#include "files/problem_file.hpp"
#include "model/problem.hpp"
#include "solver/configuration_check.hpp"
#include "support/mesh_builder.hpp"

namespace {

using namespace kova;

bool Near(Real a, Real b) {
    return std::fabs(a - b) < 1e-9L;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_plate CELLS BASE\n";
        return 64;
    }
    const int cells = std::stoi(argv[1]);
    const std::string base = argv[2];
    const Real side = cells / 100.0L;  // one drawing pixel per cell
    Problem problem;
    test::MeshBuilder b(problem);
    test::MeshRectangle(b, 0, 0, side, side, cells, cells, 1);
    b.Finish();
    test::SetMaterial(problem, 1, 1);
    test::SetValueWhere(
        problem, [](Real x, Real) { return Near(x, 0); }, [](Real, Real) { return 100; });
    test::SetConvectionWhere(
        problem, [side](Real x, Real) { return Near(x, side); }, 5, 20);
    test::InsulateRest(problem);
    if (!WriteProblemFile(problem, base + ".KVX")) return 1;

    CheckedConfiguration checked;
    const CheckResult check = ConfigurationCheck(problem, checked);
    if (!check.ok || check.errorFound) {
        std::cerr << "the plate does not pass the check\n";
        return 1;
    }
    // Boundary labels: 4 on the left (held), 2 on the right (cooled), 1 elsewhere.
    std::ofstream msh(base + ".msh");
    msh << std::setprecision(17);
    const int nodes = problem.nodes.Count();
    std::vector<std::pair<int, int>> edges;
    std::vector<int> labels;
    auto label = [&](Real x) { return Near(x, 0) ? 4 : Near(x, side) ? 2 : 1; };
    for (const LineSegment& s : problem.lines) {
        if (s.frameB != 0 && s.frameA != 0) continue;
        const auto [x1, y1] = test::Position(problem, s.node1);
        const auto [x2, y2] = test::Position(problem, s.node2);
        edges.emplace_back(s.node1, s.node2);
        labels.push_back(Near(x1, x2) ? label(x1) : 1);
    }
    msh << nodes << " " << checked.elements.Count() << " " << edges.size() << "\n";
    for (int n = 1; n <= nodes; ++n) {
        const auto [x, y] = test::Position(problem, n);
        const bool edge = Near(x, 0) || Near(x, side) || Near(y, 0) || Near(y, side);
        msh << static_cast<double>(x) << " " << static_cast<double>(y) << " "
            << (edge ? label(x) : 0) << "\n";
    }
    for (int e = 1; e <= checked.elements.Count(); ++e) {
        const Element& el = checked.elements[e];
        // Counter-clockwise, as the comparison code expects.
        int a = el.nodes[0], c1 = el.nodes[1], c2 = el.nodes[2];
        const auto [ax, ay] = test::Position(problem, a);
        const auto [bx, by] = test::Position(problem, c1);
        const auto [cx, cy] = test::Position(problem, c2);
        if ((bx - ax) * (cy - ay) - (by - ay) * (cx - ax) < 0) std::swap(c1, c2);
        msh << a << " " << c1 << " " << c2 << " 0\n";
    }
    for (std::size_t i = 0; i < edges.size(); ++i)
        msh << edges[i].first << " " << edges[i].second << " " << labels[i] << "\n";

    std::ofstream edp(base + ".edp");
    edp << "mesh Th = readmesh(\"" << base << ".msh\");\n"
        << "fespace Vh(Th, P1);\n"
        << "Vh u, v;\n"
        << "solve plate(u, v) = int2d(Th)(dx(u) * dx(v) + dy(u) * dy(v))\n"
        << "    + int1d(Th, 2)(5 * u * v) - int1d(Th, 2)(5 * 20 * v) + on(4, u = 100);\n"
        << "{\n"
        << "    ofstream out(\"" << base << ".ff.txt\");\n"
        << "    out.precision(17);\n"
        << "    for (int i = 0; i < Vh.ndof; ++i) out << u[][i] << \"\\n\";\n"
        << "}\n";
    return 0;
}
