// A problem built the way a user builds it: the scale set, outlines clicked corner by
// corner, frames meshed and refined, materials typed into the property dialog and
// boundary conditions typed into the boundary dialog for the segments picked. Positions
// are given in metres; the sketch turns them into the drawing pixels a user would click.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "model/problem.hpp"

namespace kova::examples {

// A step of an example that did not work out as a user would see it succeed.
class ExampleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Point {
    Real x = 0;
    Real y = 0;
};

// Tells whether a boundary point (in metres) belongs to the part of the boundary meant.
using Where = std::function<bool(Real x, Real y)>;

class Sketch {
public:
    // Sets the subject, the geometry, metres as the length unit and `pixelsPerMetre` on the
    // screen, with the origin `originPixels` from the left and the top of the drawing.
    Sketch(Problem& problem, ProbTypeA subject, bool cylindrical, Real pixelsPerMetre,
           Point originPixels = {60, 560});

    // Draws a free-form outline through the corners (closing it on the first one) inside
    // whatever frame holds it; returns the new frame.
    int Outline(const std::vector<Point>& corners);
    // A rectangle from (x0, y0) to (x1, y1) drawn as four corners.
    int Rectangle(Real x0, Real y0, Real x1, Real y1);
    // Selects frame `hole` and subtracts it from the frame around it.
    void Subtract(int hole);

    // Auto Mesh on every frame, then `reductions` times Reduce Mesh on the whole mesh.
    void Mesh(int reductions);

    // The frame holding the point (metres); 0 for none.
    int FrameAt(Real x, Real y);
    // The node at the point (metres), within a thousandth of a pixel; 0 for none.
    int NodeAt(Real x, Real y) const;
    Point Position(int node) const;

    // Material m with constant properties, as typed in the property dialog.
    void Material(int m, const std::string& name, Real conductivity, Real density = 1,
                  Real specificHeat = 1, Real perfusion = 0);
    void Assign(int frame, int m, FrameType type = FrameType::Distributed);

    // Boundary conditions on the outer segments (the exterior or a hole on one side) whose
    // two end nodes pass `where`, typed as texts; returns how many segments.
    int Fix(const Where& where, const std::string& value);
    int Flux(const Where& where, const std::string& flux);
    int Convection(const Where& where, const std::string& coefficient, const std::string& ambient);
    // Every segment between frame `a` and frame `b` gets a transfer coefficient (a lump's
    // contact with the mesh or with another lump).
    int Contact(int a, int b, const std::string& coefficient);
    // Zero flux on every outer segment still without a condition.
    int InsulateRest();

    // A specification typed as `text`; stops the example when it does not compile.
    int Spec(int kind, const std::string& text);

    Problem& problem() { return m_problem; }

private:
    std::pair<Real, Real> Pixels(Real x, Real y) const;
    template <typename Apply>
    int ForOuter(const Where& where, Apply apply);

    Problem& m_problem;
    Real m_ppm;
    Point m_origin;
};

// The smallest interior angle, in degrees, over the elements the element builder finds;
// 180 when there are none.
Real SmallestElementAngle(Problem& problem);

}  // namespace kova::examples
