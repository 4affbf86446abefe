#include "solver/assembly.hpp"

#include <algorithm>
#include <cmath>

#include "model/problem.hpp"
#include "model/subjects.hpp"
#include "solver/property_evaluation.hpp"
#include "solver/run_setup.hpp"
#include "solver/steady_solution.hpp"

namespace kova {

void AllocateSystem(SolverRun& run) {
    const int n = run.unknownCount;
    bool ok = true;
    if (run.factor.kind == SolverKind::Sparse) {
        // Assembled straight into the pattern of the run's couplings: no band is made.
        SparsePattern pattern;
        ok = BuildSystemPattern(run, pattern) && run.K.AllocateSparse(pattern) &&
             run.A.AllocateSparse(pattern);
        if (ok && run.runMode > 0) ok = run.C.AllocateSparse(pattern);
    } else {
        const int b = std::max(run.bandwidth, 1);
        ok = run.K.AllocateBand(n, b) && run.A.AllocateBand(n, b);
        if (ok && run.runMode > 0) ok = run.C.AllocateBand(n, b);
    }
    if (ok) {
        try {
            run.F.assign(static_cast<std::size_t>(n) + 1, 0.0L);
            run.solveVector.assign(static_cast<std::size_t>(n) + 1, 0.0L);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (!ok) {
        run.K.Release();
        run.A.Release();
        run.C.Release();
        run.solverError = SolverError::NoMemory;
    }
}

void ZeroSystem(SolverRun& run) {
    run.K.Zero();
    run.C.Zero();
    // Without capacity the assembled K becomes the system matrix by exchange, so the
    // old contents of A are never read.
    if (run.runMode > 0) run.A.Zero();
    std::fill(run.F.begin(), run.F.end(), 0.0L);
    std::fill(run.solveVector.begin(), run.solveVector.end(), 0.0L);
}

Real FinThickness(const Problem& problem, int frame) {
    if (problem.settings.subject != ProbTypeA::ThinFins || problem.settings.cylindrical) return 1;
    const Frame* f = frame >= 1 ? problem.FrameAt(frame) : nullptr;
    return f != nullptr ? f->finThickness : 1.0L;
}

Real EdgeThickness(const Problem& problem, const LineSegment& segment) {
    auto frame = [&](int k) -> const Frame* {
        const Frame* f = k >= 1 ? problem.FrameAt(k) : nullptr;
        return f != nullptr && f->subtracted == 0 ? f : nullptr;
    };
    for (bool lumps : {false, true})
        for (int k : {segment.frameA, segment.frameB})
            if (const Frame* f = frame(k); f != nullptr && (lumps || !f->IsLump()))
                return FinThickness(problem, k);
    return 1;
}

void CylindricalMass(Real area, const Real (&w)[3], const Real (&r)[3], Real (&m)[3][3]) {
    // The integral of N1^a N2^b N3^c over the triangle is 2A a! b! c! / (a + b + c + 2)!;
    // here a + b + c = 4, so each product of four shape functions is A / 360 times the
    // product of the factorials of its exponents.
    static constexpr int kFactorial[5] = {1, 1, 2, 6, 24};
    const Real unit = area / 360;
    for (int i = 0; i < 3; ++i) {
        for (int j = i; j < 3; ++j) {
            Real sum = 0;
            for (int p = 0; p < 3; ++p) {
                for (int q = 0; q < 3; ++q) {
                    int e[3] = {0, 0, 0};
                    ++e[i];
                    ++e[j];
                    ++e[p];
                    ++e[q];
                    sum += w[p] * r[q] * (kFactorial[e[0]] * kFactorial[e[1]] * kFactorial[e[2]]);
                }
            }
            m[i][j] = m[j][i] = sum * unit;
        }
    }
}

namespace {

// One element with its nodes in ascending equation order.
struct ElementGeometry {
    int node[3];
    int corner[3];  // the node's corner number in the element (1..3)
    int eq[3];
    Real x[3], y[3];
    Real area = 0;
    Real b[3], c[3];
    Real sumR = 0;
};

class Assembler {
public:
    Assembler(SolverRun& run, int level)
        : m_run(run),
          m_problem(run.problem),
          m_level(level),
          m_cylindrical(run.problem.settings.cylindrical),
          m_subject(run.problem.settings.subject) {}

    void Run();

private:
    bool Failed() const { return m_run.solverError != SolverError::Ok; }
    void AddK(int i, int j, Real v) { m_run.K(i, j) += v; }

    // A material property at each corner of the element, in geometry order. A property
    // the material holds as a constant is that constant at every corner, as the
    // evaluator would give it, without three calls per element.
    struct ElementTerms;
    bool Property(int kind, const ElementTerms& e, Real (&out)[3]);
    bool EvaluatedProperty(int kind, int element, const ElementGeometry& g, Real (&out)[3]) {
        for (int i = 0; i < 3; ++i) {
            int error = 0;
            out[i] = RunMaterialProperty(m_run, kind, element, g.corner[i], error, m_level);
            if (error != 0) {
                RunReportPropertyError(m_run, kind, m_run.checked.elements[element].frame);
                m_run.solverError = EvaluatorFailure(error);
                return false;
            }
        }
        return true;
    }
    // A specification at each node of the element.
    bool SpecAtNodes(int spec, int element, const ElementGeometry& g, Real (&out)[3]) {
        NoteDependence(spec);
        for (int i = 0; i < 3; ++i) {
            int error = 0;
            out[i] = RunSpecAtNode(m_run, g.node[i], spec, m_level, error, element);
            if (error != 0) return SpecFailed(spec);
        }
        return true;
    }
    bool SpecAtNode(int spec, int node, Real& out) {
        int error = 0;
        out = RunSpecAtNode(m_run, node, spec, m_level, error, 0);
        return error == 0 || SpecFailed(spec);
    }
    // A specification at the run's time with no potential and no position.
    bool SpecPlain(int spec, Real& out) {
        int error = 0;
        out = RunSpecValue(m_run, spec, error, 0, 0, 0, 0);
        return error == 0 || SpecFailed(spec);
    }
    bool SpecFailed(int spec) {
        m_run.erroneousItem = spec;
        m_run.solverError = SolverError::Evaluation;
        return false;
    }
    void NoteDependence(int spec) {
        if (const BoundarySpec* s = m_problem.specs.Find(spec))
            if (SpecMakesRunDependent(m_run, *s)) m_run.potentialDependent = true;
    }

    bool Geometry(const Element& e, ElementGeometry& g) const;
    void AddMass(SystemMatrix& target, const ElementGeometry& g, const Real (&w)[3]);
    // The cylindrical load vector of a nodal value v: the integral of v r N_i.
    void LoadVector(const ElementGeometry& g, const Real (&v)[3], Real (&out)[3]) const;

    // One element: its frame, material, geometry and the fin thickness its terms carry.
    struct ElementTerms {
        int element = 0;
        const Frame* frame = nullptr;
        const Material* material = nullptr;
        ElementGeometry g;
        Real thickness = 1;
    };
    void AddElement(int element);
    bool PrepareElement(int element, ElementTerms& e);
    bool AddConduction(const ElementTerms& e);
    bool Conductivity(const ElementTerms& e, Real (&k)[3]);
    bool AddGeneration(const ElementTerms& e);
    bool AddFinExchange(const ElementTerms& e);
    bool AddPerfusion(const ElementTerms& e);
    bool AddCapacity(const ElementTerms& e);
    // A distributed source v: its mean over the element in Cartesian geometry, the exact
    // integral of v r N_i in cylindrical geometry.
    void AddSource(const ElementGeometry& g, const Real (&v)[3]);
    void AddOuterConvection();
    void AddSegmentFluxes();
    void AddLumps();
    void ApplyPrescribedValues();
    Real Length(int n1, int n2) const {
        const Coordinates& a = m_run.coordinates[static_cast<std::size_t>(n1)];
        const Coordinates& b = m_run.coordinates[static_cast<std::size_t>(n2)];
        return std::hypot(a.first - b.first, a.second - b.second);
    }
    Real Radius(int node) const { return m_run.coordinates[static_cast<std::size_t>(node)].first; }
    bool Selected(int frame) const {
        return frame >= 0 && frame < kFrameSlots &&
               m_run.balanceFrames[static_cast<std::size_t>(frame)] != 0;
    }
    Real Ambient(const ConvectionSegment& s, bool& ok) {
        Real v = s.ambientConstant;
        ok = s.ambientSpec <= 0 || SpecPlain(s.ambientSpec, v);
        return v;
    }

    SolverRun& m_run;
    Problem& m_problem;
    int m_level;
    bool m_cylindrical;
    ProbTypeA m_subject;
    Real m_arterial = 0;
};

bool Assembler::Property(int kind, const ElementTerms& e, Real (&out)[3]) {
    const Material& m = *e.material;
    const BoundarySpec* constant = nullptr;
    if (kind == kPropConductivity) constant = &m.conductivity;
    if (kind == kPropPerfusion) constant = &m.perfusion;
    if (constant != nullptr && constant->compiled[0] <= 0) {
        for (Real& v : out) v = constant->value;
        return true;
    }
    if (kind == kPropCapacity && m.density.compiled[0] == 0 && m.specificHeat.compiled[0] == 0) {
        for (Real& v : out) v = m.density.value * m.specificHeat.value;
        return true;
    }
    return EvaluatedProperty(kind, e.element, e.g, out);
}

bool Assembler::Geometry(const Element& e, ElementGeometry& g) const {
    int order[3] = {0, 1, 2};
    int eq[3];
    for (int i = 0; i < 3; ++i) eq[i] = m_run.EquationOf(e.nodes[static_cast<std::size_t>(i)]);
    std::sort(order, order + 3, [&](int a, int b) { return eq[a] < eq[b]; });
    for (int i = 0; i < 3; ++i) {
        g.node[i] = e.nodes[static_cast<std::size_t>(order[i])];
        g.corner[i] = order[i] + 1;
        g.eq[i] = eq[order[i]];
        const Coordinates& p = m_run.coordinates[static_cast<std::size_t>(g.node[i])];
        g.x[i] = p.first;
        g.y[i] = p.second;
    }
    g.area =
        std::fabs((g.x[1] - g.x[0]) * (g.y[2] - g.y[1]) - (g.x[2] - g.x[1]) * (g.y[1] - g.y[0])) /
        2;
    g.b[0] = g.y[1] - g.y[2];
    g.b[1] = g.y[2] - g.y[0];
    g.b[2] = g.y[0] - g.y[1];
    g.c[0] = g.x[2] - g.x[1];
    g.c[1] = g.x[0] - g.x[2];
    g.c[2] = g.x[1] - g.x[0];
    g.sumR = g.x[0] + g.x[1] + g.x[2];
    return g.area > 0 && std::isfinite(g.area);
}

void Assembler::AddMass(SystemMatrix& target, const ElementGeometry& g, const Real (&w)[3]) {
    Real m[3][3];
    if (m_cylindrical) {
        CylindricalMass(g.area, w, g.x, m);
    } else {
        const Real s = g.area / 60;
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3;
            const int k = (i + 2) % 3;
            m[i][i] = 2 * s * (3 * w[i] + w[j] + w[k]);
            m[i][j] = m[j][i] = s * (2 * w[i] + 2 * w[j] + w[k]);
        }
    }
    Real* slot[6];
    target.TriangleSlots(g.eq, slot);
    int k = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = i; j < 3; ++j) *slot[k++] += m[i][j];
}

void Assembler::LoadVector(const ElementGeometry& g, const Real (&v)[3], Real (&out)[3]) const {
    for (int i = 0; i < 3; ++i) {
        Real sum = 0;
        for (int m = 0; m < 3; ++m) {
            const Real w = m == i ? 4 * g.x[i] + 2 * g.sumR : 2 * g.sumR - g.x[3 - i - m];
            sum += v[m] * w;
        }
        out[i] = g.area / 60 * sum;
    }
}

// Each element's share of the field equation, one term after another. In the Extended
// Surfaces subject the equation is that of the whole plate thickness t,
// div(k t grad T) - 2h (T - Tf) + g t + q = rho c t dT/dt, so conduction, generation and
// capacity carry t while the exchange with the fluid on both faces and the surface flux
// do not.
void Assembler::AddElement(int element) {
    ElementTerms e;
    if (!PrepareElement(element, e)) return;
    if (!AddConduction(e)) return;
    if (!AddGeneration(e)) return;
    if (m_subject == ProbTypeA::ThinFins && !AddFinExchange(e)) return;
    if (m_subject == ProbTypeA::Bio && !AddPerfusion(e)) return;
    if (m_run.runMode > 0) AddCapacity(e);
}

bool Assembler::PrepareElement(int element, ElementTerms& e) {
    e.element = element;
    const Element& el = m_run.checked.elements[element];
    e.frame = m_problem.FrameAt(el.frame);
    e.material = e.frame != nullptr ? m_problem.MaterialAt(e.frame->material) : nullptr;
    if (e.frame == nullptr || e.material == nullptr) return false;
    if (!Geometry(el, e.g)) {  // a degenerate triangle makes the system singular
        m_run.solverError = SolverError::Singular;
        return false;
    }
    e.thickness = FinThickness(m_problem, el.frame);
    return true;
}

bool Assembler::AddConduction(const ElementTerms& e) {
    const ElementGeometry& g = e.g;
    Real k[3];
    if (!Conductivity(e, k)) return false;
    for (Real& v : k) v *= e.thickness;
    Real* slot[6];
    m_run.K.TriangleSlots(g.eq, slot);
    if (m_cylindrical) {
        Real weight = 0;
        for (int m = 0; m < 3; ++m) weight += k[m] * (g.x[m] + g.sumR);
        weight /= 48 * g.area;
        int at = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = i; j < 3; ++j) *slot[at++] += weight * (g.b[i] * g.b[j] + g.c[i] * g.c[j]);
    } else {
        const Real ratio = e.material->anisotropic != 0 ? e.material->kyOverKx : 1.0L;
        const Real weight = (k[0] + k[1] + k[2]) / 3 / (4 * g.area);
        int at = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = i; j < 3; ++j)
                *slot[at++] += weight * (g.b[i] * g.b[j] + ratio * g.c[i] * g.c[j]);
    }
    return true;
}

bool Assembler::Conductivity(const ElementTerms& e, Real (&k)[3]) {
    if (HasUnitConductivity(m_subject)) {
        for (Real& v : k) v = 1;
        return true;
    }
    return Property(kPropConductivity, e, k);
}

bool Assembler::AddGeneration(const ElementTerms& e) {
    if (e.frame->generationSpec <= 0) return true;
    Real gen[3];
    if (!SpecAtNodes(e.frame->generationSpec, e.element, e.g, gen)) return false;
    for (Real& v : gen) v *= e.thickness;
    AddSource(e.g, gen);
    return true;
}

// The exchange 2h (T - Tf) through both faces and the surface flux q, per unit plate
// area.
bool Assembler::AddFinExchange(const ElementTerms& e) {
    const ElementGeometry& g = e.g;
    Real h[3], fluid[3], flux[3];
    if (!SpecAtNodes(e.frame->finTransferSpec, e.element, g, h)) return false;
    if (!SpecAtNodes(e.frame->finFluidSpec, e.element, g, fluid)) return false;
    if (!SpecAtNodes(e.frame->finFluxSpec, e.element, g, flux)) return false;
    Real coefficient[3];
    for (int i = 0; i < 3; ++i) coefficient[i] = 2 * h[i];
    AddMass(m_run.K, g, coefficient);
    const Real meanFluid = (fluid[0] + fluid[1] + fluid[2]) / 3;
    if (m_cylindrical) {
        Real exchange[3], surface[3];
        LoadVector(g, coefficient, exchange);
        LoadVector(g, flux, surface);
        for (int i = 0; i < 3; ++i)
            m_run.F[static_cast<std::size_t>(g.eq[i])] += exchange[i] * meanFluid + surface[i];
    } else {
        const Real meanFlux = (flux[0] + flux[1] + flux[2]) / 3;
        const Real meanCoefficient = (coefficient[0] + coefficient[1] + coefficient[2]) / 3;
        const Real share = g.area / 3 * (meanFlux + meanCoefficient * meanFluid);
        for (int i = 0; i < 3; ++i) m_run.F[static_cast<std::size_t>(g.eq[i])] += share;
    }
    return true;
}

bool Assembler::AddPerfusion(const ElementTerms& e) {
    const ElementGeometry& g = e.g;
    Real perfusion[3];
    if (!Property(kPropPerfusion, e, perfusion)) return false;
    for (Real& v : perfusion) v *= m_problem.blood.specificHeat;
    AddMass(m_run.K, g, perfusion);
    if (m_cylindrical) {
        Real p[3];
        LoadVector(g, perfusion, p);
        for (int i = 0; i < 3; ++i) m_run.F[static_cast<std::size_t>(g.eq[i])] += m_arterial * p[i];
    } else {
        const Real sum = perfusion[0] + perfusion[1] + perfusion[2];
        for (int i = 0; i < 3; ++i)
            m_run.F[static_cast<std::size_t>(g.eq[i])] +=
                g.area * m_arterial * (perfusion[i] + sum) / 12;
    }
    return true;
}

bool Assembler::AddCapacity(const ElementTerms& e) {
    Real rc[3];
    if (!Property(kPropCapacity, e, rc)) return false;
    for (Real& v : rc) v *= e.thickness;
    AddMass(m_run.C, e.g, rc);
    return true;
}

void Assembler::AddSource(const ElementGeometry& g, const Real (&v)[3]) {
    if (m_cylindrical) {
        Real p[3];
        LoadVector(g, v, p);
        for (int i = 0; i < 3; ++i) m_run.F[static_cast<std::size_t>(g.eq[i])] += p[i];
    } else {
        const Real share = g.area * (v[0] + v[1] + v[2]) / 9;
        for (int i = 0; i < 3; ++i) m_run.F[static_cast<std::size_t>(g.eq[i])] += share;
    }
}

void Assembler::AddOuterConvection() {
    for (const ConvectionSegment& s : m_run.convectionSegments) {
        if (s.side1 != kSideDistributed || s.side2 != kSideExterior) continue;
        Real h1, h2;
        NoteDependence(s.transferSpec);
        NoteDependence(s.ambientSpec);
        if (!SpecAtNode(s.transferSpec, s.node1, h1) || !SpecAtNode(s.transferSpec, s.node2, h2))
            return;
        bool ok = true;
        const Real ambient = Ambient(s, ok);
        if (!ok) return;
        h1 *= s.thickness;
        h2 *= s.thickness;
        const Real len = Length(s.node1, s.node2);
        const int e1 = m_run.EquationOf(s.node1);
        const int e2 = m_run.EquationOf(s.node2);
        Real& f1 = m_run.F[static_cast<std::size_t>(e1)];
        Real& f2 = m_run.F[static_cast<std::size_t>(e2)];
        if (m_cylindrical) {
            const Real r1 = Radius(s.node1), r2 = Radius(s.node2);
            AddK(e1, e1, len / 60 * (h1 * (12 * r1 + 3 * r2) + h2 * (3 * r1 + 2 * r2)));
            AddK(e1, e2, len / 60 * (h1 * (3 * r1 + 2 * r2) + h2 * (2 * r1 + 3 * r2)));
            AddK(e2, e2, len / 60 * (h1 * (2 * r1 + 3 * r2) + h2 * (3 * r1 + 12 * r2)));
            f1 += ambient * len / 12 * (h1 * (3 * r1 + r2) + h2 * (r1 + r2));
            f2 += ambient * len / 12 * (h1 * (r1 + r2) + h2 * (r1 + 3 * r2));
        } else {
            AddK(e1, e1, len / 12 * (3 * h1 + h2));
            AddK(e1, e2, len / 12 * (h1 + h2));
            AddK(e2, e2, len / 12 * (h1 + 3 * h2));
            f1 += ambient * len / 6 * (2 * h1 + h2);
            f2 += ambient * len / 6 * (h1 + 2 * h2);
        }
    }
}

void Assembler::AddSegmentFluxes() {
    for (const FluxSegment& s : m_run.fluxSegments) {
        if (s.side1 != kSideDistributed ||
            (s.side2 != kSideExterior && s.side2 != kSideDistributed))
            continue;
        Real q1, q2;
        NoteDependence(s.fluxSpec);
        if (!SpecAtNode(s.fluxSpec, s.node1, q1) || !SpecAtNode(s.fluxSpec, s.node2, q2)) return;
        q1 *= s.thickness;
        q2 *= s.thickness;
        const Real len = Length(s.node1, s.node2);
        Real& f1 = m_run.F[static_cast<std::size_t>(m_run.EquationOf(s.node1))];
        Real& f2 = m_run.F[static_cast<std::size_t>(m_run.EquationOf(s.node2))];
        if (m_cylindrical) {
            const Real r1 = Radius(s.node1), r2 = Radius(s.node2);
            f1 += len / 12 * (q1 * (3 * r1 + r2) + q2 * (r1 + r2));
            f2 += len / 12 * (q1 * (r1 + r2) + q2 * (r1 + 3 * r2));
        } else {
            f1 += len * (2 * q1 + q2) / 6;
            f2 += len * (q1 + 2 * q2) / 6;
        }
    }
}

void Assembler::AddLumps() {
    const bool balance = m_run.balanceMode;
    // Capacity and generation of each free lump.
    for (int j = 0; j < m_run.freeLumpCount; ++j) {
        const int k = m_run.lumpList[static_cast<std::size_t>(j)];
        if (balance && !Selected(k)) continue;
        const Frame& f = m_problem.frames[k];
        const Material* m = m_problem.MaterialAt(f.material);
        const bool capacityVaries =
            m != nullptr && (m->density.compiled[0] > 0 || m->specificHeat.compiled[0] > 0);
        const BoundarySpec* gen = m_problem.specs.Find(f.generationSpec);
        const bool generationVaries = gen != nullptr && SpecMakesRunDependent(m_run, *gen);
        if (capacityVaries || generationVaries) {
            const SolverError code = ComputeLumpData(m_run, k, m_level);
            if (code != SolverError::Ok) {
                m_run.solverError = code;
                return;
            }
        }
        const int u = m_run.EquationOf(m_run.lumpUnknown[static_cast<std::size_t>(k)]);
        if (m_run.runMode > 0) m_run.C(u, u) = m_run.lumpCapacity[static_cast<std::size_t>(k)];
        m_run.F[static_cast<std::size_t>(u)] += m_run.lumpGeneration[static_cast<std::size_t>(k)];
    }
    // Exchange through convection segments.
    for (const ConvectionSegment& s : m_run.convectionSegments) {
        if (s.side2 <= 0) continue;  // no lump on either side
        if (m_run.lumpUnknown[static_cast<std::size_t>(s.side2)] == 0) continue;
        Real h1, h2;
        NoteDependence(s.transferSpec);
        if (!SpecAtNode(s.transferSpec, s.node1, h1) || !SpecAtNode(s.transferSpec, s.node2, h2))
            return;
        const Real len = Length(s.node1, s.node2);
        Real g = (h1 + h2) / 2 * len * s.thickness;
        const Real r1 = Radius(s.node1), r2 = Radius(s.node2);
        const int lumpB = m_run.EquationOf(m_run.lumpUnknown[static_cast<std::size_t>(s.side2)]);
        if (s.side1 == kSideDistributed) {
            if (balance && !Selected(s.side2)) g = 0;
            const Real sh = g / 6;
            const int e1 = m_run.EquationOf(s.node1);
            const int e2 = m_run.EquationOf(s.node2);
            if (m_cylindrical) {
                AddK(e1, e1, sh * (3 * r1 + r2) / 2);
                AddK(e2, e2, sh * (r1 + 3 * r2) / 2);
                AddK(e1, e2, sh * (r1 + r2) / 2);
                AddK(lumpB, lumpB, 3 * sh * (r1 + r2));
                AddK(e1, lumpB, -sh * (2 * r1 + r2));
                AddK(e2, lumpB, -sh * (r1 + 2 * r2));
            } else {
                AddK(e1, e1, 2 * sh);
                AddK(e2, e2, 2 * sh);
                AddK(e1, e2, sh);
                AddK(lumpB, lumpB, 6 * sh);
                AddK(e1, lumpB, -3 * sh);
                AddK(e2, lumpB, -3 * sh);
            }
            continue;
        }
        if (m_cylindrical) g *= (r1 + r2) / 2;
        if (s.side1 == kSideExterior) {
            if (balance) continue;
            NoteDependence(s.ambientSpec);
            bool ok = true;
            const Real ambient = Ambient(s, ok);
            if (!ok) return;
            AddK(lumpB, lumpB, g);
            m_run.F[static_cast<std::size_t>(lumpB)] += g * ambient;
        } else {
            const int lumpA =
                m_run.EquationOf(m_run.lumpUnknown[static_cast<std::size_t>(s.side1)]);
            AddK(lumpA, lumpA, g);
            AddK(lumpB, lumpB, g);
            AddK(lumpA, lumpB, -g);
        }
    }
    // Fluxes into lumps from the exterior.
    if (balance) return;
    for (const FluxSegment& s : m_run.fluxSegments) {
        if (s.side1 != kSideExterior || s.side2 <= 0) continue;
        if (m_run.lumpUnknown[static_cast<std::size_t>(s.side2)] == 0) continue;  // fixed
        Real q1, q2;
        NoteDependence(s.fluxSpec);
        if (!SpecAtNode(s.fluxSpec, s.node1, q1) || !SpecAtNode(s.fluxSpec, s.node2, q2)) return;
        Real flow = (q1 + q2) / 2 * Length(s.node1, s.node2) * s.thickness;
        if (m_cylindrical) flow *= (Radius(s.node1) + Radius(s.node2)) / 2;
        const int u = m_run.EquationOf(m_run.lumpUnknown[static_cast<std::size_t>(s.side2)]);
        m_run.F[static_cast<std::size_t>(u)] += flow;
    }
}

// Each prescribed unknown keeps its row with only the diagonal; its couplings move to the
// right-hand side of the other equations, with the value at the assembly's time. In a
// run with capacity the couplings are also kept: a value that changes between two
// levels acts on its neighbours at both (PrescribedChange in the time stepping).
void Assembler::ApplyPrescribedValues() {
    const int n = m_run.unknownCount;
    const int b = m_run.bandwidth;
    const bool capacity = m_run.runMode > 0;
    const bool sparse = m_run.K.IsSparse();
    m_run.prescribed.clear();
    m_run.prescribedCouplings.clear();
    for (int node = 1; node <= m_run.activeNodeCount; ++node) {
        if (m_run.specified[static_cast<std::size_t>(node)] == 0) continue;
        const int e = m_run.EquationOf(node);
        Real& value = m_run.solution[static_cast<std::size_t>(e)];
        const Real previous = value;
        if (m_run.potentialDependent) {
            const Node& nd = m_problem.nodes[node];
            int error = 0;
            value = RunSpecValue(m_run, nd.valueSpec, error, 0, 0, nd.x, nd.y);
            if (error != 0) {
                SpecFailed(nd.valueSpec);
                return;
            }
        }
        auto move = [&](int j) {
            Real& kje = m_run.K(j, e);
            m_run.F[static_cast<std::size_t>(j)] -= value * kje;
            if (capacity) {
                Real& cje = m_run.C(j, e);
                if (kje != 0 || cje != 0)
                    m_run.prescribedCouplings.push_back({j, e, kje, cje, value, previous});
                cje = 0;
            }
            kje = 0;
        };
        if (sparse) {
            // The pattern holds exactly the node's couplings; a coupling listed twice is
            // moved once (the second visit finds 0).
            for (const std::int32_t* v = m_run.connections.Begin(node);
                 v != m_run.connections.End(node); ++v)
                if (*v >= 1 && *v <= n && *v != node) move(m_run.EquationOf(*v));
        } else {
            const int jFirst = std::max(1, e - b + 1);
            const int jLast = std::min(n, e + b - 1);
            for (int j = jFirst; j <= jLast; ++j)
                if (j != e) move(j);
        }
        m_run.prescribed.emplace_back(e, value);
    }
    for (const auto& [e, value] : m_run.prescribed)
        m_run.F[static_cast<std::size_t>(e)] = value * m_run.K(e, e);
}

void Assembler::Run() {
    // Start values at the first assembly of a run.
    if (m_run.iterCount == 0 && !m_run.checkOnly) {
        const int n = m_run.unknownCount;
        BandVector ordered(static_cast<std::size_t>(n) + 1, 0.0L);
        for (int u = 1; u <= n; ++u)
            ordered[static_cast<std::size_t>(m_run.EquationOf(u))] =
                m_run.solution[static_cast<std::size_t>(u)];
        m_run.solution.swap(ordered);
        if (!m_run.IsTransient() && m_run.results.HasLevel(0)) {
            std::vector<Real>& level0 = m_run.results.Level(0);
            const int nodeCount = m_problem.nodes.Count();
            for (int i = 1; i <= nodeCount; ++i)
                level0[static_cast<std::size_t>(i)] =
                    i <= m_run.activeNodeCount ? m_problem.nodes[i].currentValue : kUnspecified;
            for (int k = 1; k <= m_problem.frameCount; ++k)
                level0[static_cast<std::size_t>(nodeCount + k)] =
                    m_run.lumpValue[static_cast<std::size_t>(k)];
            for (int j = 0; j < m_run.freeLumpCount; ++j) {
                const int k = m_run.lumpList[static_cast<std::size_t>(j)];
                level0[static_cast<std::size_t>(nodeCount + k)] = m_problem.frames[k].lumpResult;
            }
            m_run.resultsStarted = true;
        } else if (m_run.IsTransient()) {
            StoreResults(m_run, m_run.currentLevel);
            m_run.resultsStarted = true;
            if (Failed()) return;
        }
        m_run.iterCount = 1;
    }

    if (m_subject == ProbTypeA::Bio && !SpecPlain(m_problem.blood.arterialSpec, m_arterial)) return;
    NoteDependence(m_problem.blood.arterialSpec);

    const int elementCount = m_run.checked.elements.Count();
    for (int element = 1; element <= elementCount; ++element) {
        const Element& e = m_run.checked.elements[element];
        if (m_run.balanceMode && !Selected(e.frame)) continue;
        if (const Frame* f = m_problem.FrameAt(e.frame)) NoteDependence(f->generationSpec);
        AddElement(element);
        if (Failed()) return;
    }
    if (!m_run.balanceMode) {
        AddOuterConvection();
        if (Failed()) return;
        AddSegmentFluxes();
        if (Failed()) return;
    }
    AddLumps();
    if (Failed()) return;
    if (m_run.balanceMode) {
        for (std::size_t i = 0; i < m_run.F.size(); ++i) m_run.solveVector[i] = -m_run.F[i];
        return;
    }
    ApplyPrescribedValues();
    if (Failed()) return;
    // The transient combination of K, C and F belongs to the time stepping; steady runs
    // and runs without capacity solve K T = F directly.
    if (m_run.runMode <= 0) {
        m_run.F.swap(m_run.solveVector);
        m_run.K.Swap(m_run.A);
    }
}

}  // namespace

void AssembleSystem(SolverRun& run, int level) {
    Assembler(run, level).Run();
}

}  // namespace kova
