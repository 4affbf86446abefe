#include "expressions/evaluator.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>

#include "expressions/data_files.hpp"
#include "expressions/decoded_program.hpp"
#include "expressions/element_gradient.hpp"
#include "expressions/postfix.hpp"
#include "model/messages.hpp"
#include "model/problem.hpp"
#include "units/drawing_transform.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

// The period of the square wave is this decimal, its half period the machine's pi.
constexpr Real kSquareWavePeriod = 6.28318531L;

// Evaluations of FLUX under way. A conductivity that refers to FLUX would need itself to
// compute the flux; the nested reference is an error instead of an endless recursion.
thread_local int t_fluxDepth = 0;

// Whether two extended values have the same bits (their padding aside).
inline bool SameBits(const Real& a, const Real& b) {
    if constexpr (std::numeric_limits<Real>::digits == 64 && sizeof(Real) >= 10) {
        std::uint64_t aLow, bLow;
        std::uint16_t aHigh, bHigh;
        std::memcpy(&aLow, &a, 8);
        std::memcpy(&bLow, &b, 8);
        std::memcpy(&aHigh, reinterpret_cast<const unsigned char*>(&a) + 8, 2);
        std::memcpy(&bHigh, reinterpret_cast<const unsigned char*>(&b) + 8, 2);
        return aLow == bLow && aHigh == bHigh;
    } else {
        return std::memcmp(&a, &b, sizeof(Real)) == 0;
    }
}

class FluxDepthGuard {
public:
    FluxDepthGuard() { ++t_fluxDepth; }
    ~FluxDepthGuard() { --t_fluxDepth; }
    FluxDepthGuard(const FluxDepthGuard&) = delete;
    FluxDepthGuard& operator=(const FluxDepthGuard&) = delete;
};

// Finite and not a NaN; a comparison, which is cheaper than classifying the value.
inline bool IsFinite(Real v) {
    return std::fabs(v) <= std::numeric_limits<Real>::max();
}

// An operand of FILE taken to the nearest integer, kept inside the int range.
int NearestInt(Real v) {
    if (v > 1e9L) return 1000000000;
    if (v < -1e9L) return -1000000000;
    const Real r = std::round(v);
    int n = static_cast<int>(r);
    if (std::fabs(v - r) == 0.5L && (n & 1) != 0) n += v < r ? -1 : 1;
    return n;
}

// A to the power B; a zero base with a negative exponent is a division by zero.
Real Power(Problem& problem, Real a, Real b, int& errorCode) {
    if (a > 0) return std::pow(a, b);
    if (a == 0) {
        if (b < 0) errorCode = kEvalDivisionByZero;
        return b > 0 ? 0 : 1;
    }
    if (b - std::trunc(b) != 0) {
        errorCode = kEvalNegativePower;
        problem.reporter().ShowStatusText(GetMessage(MessageId::NegativeToNonIntegerPower),
                                          StatusPanel::Info);
        return 0;
    }
    return std::pow(a, b);  // an integral power of a negative base
}

// The functions of one or two arguments (A is ignored by those of one).
Real Function(Problem& problem, int code, Real a, Real b, int& errorCode) {
    switch (code) {
        case kOpExp:
            return std::exp(b);
        case kOpLog:
        case kOpLn:
            if (b <= 0) {
                errorCode = kEvalLogNonPositive;
                problem.reporter().ShowStatusText(GetMessage(MessageId::LogOfNegative),
                                                  StatusPanel::Info);
                return 0;
            }
            return std::log(b);
        case kOpSin:
            return std::sin(b);
        case kOpCos:
            return std::cos(b);
        case kOpSqrt:
            if (b < 0) {
                errorCode = kEvalNegativeRoot;
                return 0;
            }
            return std::sqrt(b);
        case kOpAbs:
            return std::fabs(b);
        case kOpMax:
            return b >= a ? b : a;
        case kOpMin:
            return b <= a ? b : a;
        case kOpSquareWave: {
            // abs(B) reduced by whole periods into (0, period]; the remainder is exact.
            Real u = std::fabs(b);
            if (u > kSquareWavePeriod) {
                u = std::fmod(u, kSquareWavePeriod);
                if (u == 0) u = kSquareWavePeriod;
            }
            return u < std::numbers::pi_v<Real> ? 1 : -1;
        }
        case kOpStep:
            return b >= 0 ? 1 : 0;
        case kOpMod:
            if (b == 0) {
                errorCode = kEvalDivisionByZero;
                return 0;
            }
            return a - std::trunc(a / b) * b;
        case kOpTrunc:
            return std::trunc(b);
        default:
            errorCode = kEvalStack;
            return 0;
    }
}

// FILE(k, c1, c2, x): the lookup in data file k of the problem's list.
Real FileLookup(Problem& problem, Real k, Real c1, Real c2, Real x, int& errorCode) {
    const int file = NearestInt(k);
    const DataFileList* files = problem.dataFiles.get();
    if (files == nullptr || file < 0 || file >= files->Count()) {
        problem.reporter().ShowError("Missing file in a boundary specification.");
        errorCode = kEvalDataFile;
        return 0;
    }
    int fileError = 0;
    const Real r = DataFileLookup(problem, files->files[static_cast<std::size_t>(file)],
                                  NearestInt(c1), NearestInt(c2), x, fileError);
    if (fileError != 0) errorCode = kEvalDataFile;
    return r;
}

// FLUX (-6) or a gradient component (-7, -8) of `element` at the displayed step.
Real FluxVariable(Problem& problem, int marker, int element, const SolutionData* solution,
                  int& errorCode) {
    if (element <= 0 || solution == nullptr) return 0;
    const int step = solution->DisplayedStep();
    if (marker != -6) {
        // Per unit length with the second axis upwards, as the coordinates are, so that
        // a property written with a gradient means the same at every zoom.
        const ElementGradient g = ElementGradientComponents(problem, *solution, element, step);
        errorCode = g.errorCode;
        const Real pixelLength = problem.settings.pixelLength;
        if (!(pixelLength > 0)) return 0;
        return marker == -7 ? g.dvdx / pixelLength : -g.dvdy / pixelLength;
    }
    if (t_fluxDepth > 0) {
        errorCode = kEvalStack;
        return 0;
    }
    FluxDepthGuard guard;
    const ElementGradient g = ElementFlux(problem, *solution, element, step, false);
    errorCode = g.errorCode;
    return g.magnitude;
}

Real Failed(Problem& problem, int& errorCode, int code) {
    errorCode = code;
    problem.errorCode = code;
    return 1.0L;
}

// The potential at a node for a material property or node evaluation at level `step`:
// a stored level value when there is one for step > 0; the initial value during a
// transient run that has no results yet; otherwise the stored value of `step`, and
// `fallback` when that level is not stored.
Real PotentialAt(const SolutionData* solution, int step, int index, Real initial, Real fallback) {
    const Real* stored = solution != nullptr ? solution->StoredValue(step, index) : nullptr;
    if (step > 0 && stored != nullptr) return *stored;
    if (solution != nullptr && solution->TransientBeforeResults()) return initial;
    return stored != nullptr ? *stored : fallback;
}

const BoundarySpec* PropertyBlock(const Material& m, int kind) {
    switch (kind) {
        case kPropertyConductivity:
            return &m.conductivity;
        case kPropertyDensity:
            return &m.density;
        case kPropertySpecificHeat:
            return &m.specificHeat;
        case kPropertyPerfusion:
            return &m.perfusion;
        default:
            return nullptr;
    }
}

}  // namespace

namespace {

// The slow steps are calls that take the top value and give it back, so that the top is
// never live across a call: the compiler can then keep it in a floating-point register
// through the whole loop, instead of storing and reloading it at every step.

// FLUX or a gradient variable into its slot; the top is passed through unchanged.
[[gnu::noinline]] Real VariableStep(Problem& problem, const Step& s, Real* slots, Real top,
                                    int element, const SolutionData* solution, int& error) {
    slots[s.slot] = FluxVariable(problem, s.code, element, solution, error);
    return top;
}

// The operators that check their operands and result: POWER, IF, FILE and the functions,
// with their operands at stack[at ...] and the top. Sets `error` on a failure.
[[gnu::noinline]] Real CheckedStep(Problem& problem, const Step& s, const Real* stack, Real top,
                                   int& error) {
    const Real* a = &stack[s.at];
    const int below = s.kind == StepKind::If                                     ? 4
                      : s.kind == StepKind::File                                 ? 3
                      : s.kind == StepKind::Power                                ? 1
                      : s.code == kOpMax || s.code == kOpMin || s.code == kOpMod ? 1
                                                                                 : 0;
    bool finite = IsFinite(top);
    for (int k = 0; k < below && finite; ++k) finite = IsFinite(a[k]);
    if (!finite) {
        error = kEvalOverflow;
        return 0;
    }
    Real r = 0;
    switch (s.kind) {
        case StepKind::Power:
            r = Power(problem, a[0], top, error);
            break;
        case StepKind::If:
            r = a[0] < a[1] ? a[2] : (a[0] == a[1] ? a[3] : top);
            break;
        case StepKind::File:
            r = FileLookup(problem, a[0], a[1], a[2], top, error);
            break;
        case StepKind::Function:
            r = Function(problem, s.code, below == 1 ? a[0] : 0, top, error);
            break;
        default:
            error = kEvalStack;
            return 0;
    }
    if (error == kEvalOk && !IsFinite(r)) error = kEvalOverflow;
    return r;
}

// x = x op y for the four arithmetic operators. A sum, difference or product is not
// checked (see Run); a division checks its operands and its result. False, with `error`
// set, when the division fails.
template <int Op>
[[gnu::always_inline]] inline bool Apply(Real& x, Real y, int& error) {
    if constexpr (Op == kOpMultiply) {
        x *= y;
    } else if constexpr (Op == kOpAdd) {
        x += y;
    } else if constexpr (Op == kOpSubtract) {
        x -= y;
    } else {
        static_assert(Op == kOpDivide);
        if (!IsFinite(x) || !IsFinite(y)) {
            error = kEvalOverflow;
            return false;
        }
        if (y == 0) {
            error = kEvalDivisionByZero;
            return false;
        }
        x /= y;
        if (!IsFinite(x)) {
            error = kEvalOverflow;
            return false;
        }
    }
    return true;
}

// top = top Op1 (slots[slot] Op2 slots[slot2]): the push of an operand, a second operand
// applied to it and the result applied to the value below, in that order.
template <int Op1, int Op2>
[[gnu::always_inline]] inline bool ApplyPair(Real& top, const Real* slots, const Step& s,
                                             int& error) {
    Real v = slots[s.slot];
    return Apply<Op2>(v, slots[s.slot2], error) && Apply<Op1>(top, v, error);
}

// An evaluation ends with error `code`; the value returned with it is 0.
inline Real EndWith(int& errorCode, int code) {
    errorCode = code;
    return 0;
}

// Runs a decoded program whose input slots are filled in. A sum, difference, product or
// negation of values of which one is infinite or NaN is itself infinite or NaN, so those
// four are not checked: what they produce reaches the final check, or an operator that
// checks its operands. Every other operator (which could turn an infinity into an
// ordinary number, as 1/inf or STEP(inf) would) checks its operands and its result.
Real Run(Problem& problem, DecodedProgram& program, int& errorCode, int element,
         const SolutionData* solution) {
    // The stack holds the values at positions 1 .. depth: the top one in `top`, the
    // others in stack[1 .. depth-1]. Keeping the top out of memory saves a store and a
    // reload of an 80-bit value for almost every step.
    Real stack[kEvaluationStackSize + 1];
    Real top = 0;
    Real* const slots = program.slots.data();
    int error = kEvalOk;  // a local copy, so that it need not be reread through the reference

    for (const Step* s = program.steps.data();; ++s) {
        switch (s->kind) {
            case StepKind::Push:
                stack[s->at] = top;
                top = slots[s->slot];
                break;
            case StepKind::MulSlot:
                if (!Apply<kOpMultiply>(top, slots[s->slot], error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::DivSlot:
                if (!Apply<kOpDivide>(top, slots[s->slot], error)) return EndWith(errorCode, error);
                break;
            case StepKind::AddSlot:
                if (!Apply<kOpAdd>(top, slots[s->slot], error)) return EndWith(errorCode, error);
                break;
            case StepKind::SubSlot:
                if (!Apply<kOpSubtract>(top, slots[s->slot], error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::PushMul:
                stack[s->at] = top;
                top = slots[s->slot];
                if (!Apply<kOpMultiply>(top, slots[s->slot2], error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::PushDiv:
                stack[s->at] = top;
                top = slots[s->slot];
                if (!Apply<kOpDivide>(top, slots[s->slot2], error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::PushAdd:
                stack[s->at] = top;
                top = slots[s->slot];
                if (!Apply<kOpAdd>(top, slots[s->slot2], error)) return EndWith(errorCode, error);
                break;
            case StepKind::PushSub:
                stack[s->at] = top;
                top = slots[s->slot];
                if (!Apply<kOpSubtract>(top, slots[s->slot2], error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::MulMul:
                if (!ApplyPair<kOpMultiply, kOpMultiply>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::MulDiv:
                if (!ApplyPair<kOpMultiply, kOpDivide>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::MulAdd:
                if (!ApplyPair<kOpMultiply, kOpAdd>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::MulSub:
                if (!ApplyPair<kOpMultiply, kOpSubtract>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::DivMul:
                if (!ApplyPair<kOpDivide, kOpMultiply>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::DivDiv:
                if (!ApplyPair<kOpDivide, kOpDivide>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::DivAdd:
                if (!ApplyPair<kOpDivide, kOpAdd>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::DivSub:
                if (!ApplyPair<kOpDivide, kOpSubtract>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::AddMul:
                if (!ApplyPair<kOpAdd, kOpMultiply>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::AddDiv:
                if (!ApplyPair<kOpAdd, kOpDivide>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::AddAdd:
                if (!ApplyPair<kOpAdd, kOpAdd>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::AddSub:
                if (!ApplyPair<kOpAdd, kOpSubtract>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::SubMul:
                if (!ApplyPair<kOpSubtract, kOpMultiply>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::SubDiv:
                if (!ApplyPair<kOpSubtract, kOpDivide>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::SubAdd:
                if (!ApplyPair<kOpSubtract, kOpAdd>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::SubSub:
                if (!ApplyPair<kOpSubtract, kOpSubtract>(top, slots, *s, error))
                    return EndWith(errorCode, error);
                break;
            case StepKind::Multiply: {
                Real a = stack[s->at];
                if (!Apply<kOpMultiply>(a, top, error)) return EndWith(errorCode, error);
                top = a;
                break;
            }
            case StepKind::Divide: {
                Real a = stack[s->at];
                if (!Apply<kOpDivide>(a, top, error)) return EndWith(errorCode, error);
                top = a;
                break;
            }
            case StepKind::Add: {
                Real a = stack[s->at];
                if (!Apply<kOpAdd>(a, top, error)) return EndWith(errorCode, error);
                top = a;
                break;
            }
            case StepKind::Subtract: {
                Real a = stack[s->at];
                if (!Apply<kOpSubtract>(a, top, error)) return EndWith(errorCode, error);
                top = a;
                break;
            }
            case StepKind::Negate:
                top = -top;
                break;
            case StepKind::Variable:
                top = VariableStep(problem, *s, slots, top, element, solution, error);
                if (error != kEvalOk) return EndWith(errorCode, error);
                break;
            case StepKind::End:
                if (!IsFinite(top)) return EndWith(errorCode, kEvalOverflow);
                return top;
            case StepKind::Fail:
                return EndWith(errorCode, kEvalStack);
            default:
                top = CheckedStep(problem, *s, stack, top, error);
                if (error != kEvalOk) return EndWith(errorCode, error);
                break;
        }
    }
}

// Decoded programs of the forms this thread evaluated lately.
thread_local constinit ProgramCache t_programs;

// The drawing transform of the view last used by this thread, with the view values it
// was worked out from: the two divisions behind it would otherwise be a good part of
// the cost of an evaluation. The values are compared bit for bit, so a changed view (a
// zero's sign included) is always worked out again.
struct TransformMemo {
    std::array<Real, 6> view{};
    DrawingTransform transform;
    bool valid = false;
};
thread_local constinit TransformMemo t_transform;

// Writes the coordinates of drawing position (x, y) to out[0] and out[1]. Extended
// values go by reference here and below: passing them by value costs a store and a load
// of 80 bits each, which at this rate is a noticeable part of an evaluation.
inline void CoordinatesOf(const Problem& problem, const Real& x, const Real& y, Real* out) {
    TransformMemo& m = t_transform;
    const Real* view[6] = {&problem.settings.drawingScale, &problem.view.zoom,
                           &problem.settings.originX,      &problem.settings.originY,
                           &problem.view.scrollX,          &problem.view.scrollY};
    bool same = m.valid;
    for (std::size_t k = 0; k < 6 && same; ++k) same = SameBits(m.view[k], *view[k]);
    if (!same) [[unlikely]] {
        for (std::size_t k = 0; k < 6; ++k) m.view[k] = *view[k];
        m.transform = DrawingToProblemTransform(problem);
        m.valid = true;
    }
    const Coordinates c = m.transform.Apply(x, y);
    out[0] = c.first;
    out[1] = c.second;
}

// Fills in the inputs of a program and runs it.
inline Real FillAndRun(Problem& problem, DecodedProgram& program, int& errorCode, int element,
                       const Real& potential, const Real& x, const Real& y, const Real& time,
                       const SolutionData* solution) {
    program.slots[kSlotPotential] = potential;
    if (program.usesCoordinates) CoordinatesOf(problem, x, y, &program.slots[kSlotFirstCoordinate]);
    if (program.usesTime) program.slots[kSlotTime] = time / TimeFactor(problem);
    return Run(problem, program, errorCode, element, solution);
}

// FLUX, the gradients and FILE may evaluate other expressions, which may refill the
// cache entry of the program under way: such a program runs from a copy.
[[gnu::noinline]] Real RunCopy(Problem& problem, const DecodedProgram& cached, int& errorCode,
                               int element, const Real& potential, const Real& x, const Real& y,
                               const Real& time, const SolutionData* solution) {
    DecodedProgram copy = cached;
    return FillAndRun(problem, copy, errorCode, element, potential, x, y, time, solution);
}

}  // namespace

Real EvaluateExpression(Problem& problem, const CompiledForm& compiled, int& errorCode, int element,
                        Real potential, Real x, Real y, Real time, const SolutionData* solution) {
    errorCode = kEvalOk;
    DecodedProgram& cached = t_programs.Find(compiled);
    if (cached.reentrant) {
        return RunCopy(problem, cached, errorCode, element, potential, x, y, time, solution);
    }
    return FillAndRun(problem, cached, errorCode, element, potential, x, y, time, solution);
}

Real TrialEvaluation(Problem& problem, const CompiledForm& compiled, int& errorCode) {
    return EvaluateExpression(problem, compiled, errorCode, 0, 100.0L, 1.0L, 1.0L, 0.0L);
}

Real EvaluateSpec(Problem& problem, int index, int& errorCode, int element, Real potential, Real x,
                  Real y, Real time, const SolutionData* solution) {
    errorCode = kEvalOk;
    if (index <= 0) return 0;
    const BoundarySpec* spec = problem.specs.Find(index);
    if (spec == nullptr) {
        problem.reporter().Beep();
        return Failed(problem, errorCode, kEvalStack);
    }
    if (spec->compiled[0] == 0) return spec->value;
    const Real v = EvaluateExpression(problem, spec->compiled, errorCode, element, potential, x, y,
                                      time, solution);
    if (errorCode != kEvalOk) {
        problem.reporter().Beep();
        return Failed(problem, errorCode, errorCode);
    }
    return v;
}

Real EvaluateSpecAtNode(Problem& problem, int node, int index, int step, int& errorCode,
                        int element, Real time, const SolutionData* solution) {
    errorCode = kEvalOk;
    if (index <= 0) return 0;
    const BoundarySpec* spec = problem.specs.Find(index);
    if (spec != nullptr && spec->compiled[0] <= 0) return spec->value;

    const bool haveResults = solution != nullptr && !solution->TransientBeforeResults();
    const Real* stored = haveResults ? solution->StoredValue(step, node) : nullptr;
    Real potential = kUnspecified;
    Real x = 0;
    Real y = 0;
    if (problem.nodes.Valid(node)) {
        const Node& n = problem.nodes[node];
        x = n.x;
        y = n.y;
        potential = stored != nullptr ? *stored : n.currentValue;
    } else if (node > problem.nodes.Count()) {
        const Frame* frame = problem.FrameAt(node - problem.nodes.Count());
        potential = stored != nullptr  ? *stored
                    : frame != nullptr ? frame->lumpInitialValue
                                       : kUnspecified;
    }
    return EvaluateSpec(problem, index, errorCode, element, potential, x, y, time, solution);
}

Real EvaluateMaterialProperty(Problem& problem, int kind, int element, int corner, int& errorCode,
                              Real time, int step, const SolutionData* solution) {
    errorCode = kEvalOk;
    int frameNumber = 0;
    int node = 0;
    if (element >= 1) {
        if (solution == nullptr || !solution->ValidElement(element) || corner < 1 || corner > 3) {
            return Failed(problem, errorCode, kEvalStack);
        }
        const ElementCorners corners = solution->Element(element);
        frameNumber = corners.frame;
        node = corners.nodes[static_cast<std::size_t>(corner - 1)];
        if (!problem.nodes.Valid(node)) return Failed(problem, errorCode, kEvalStack);
    } else {
        frameNumber = -element;
    }
    const Frame* frame = frameNumber >= 1 ? problem.FrameAt(frameNumber) : nullptr;
    const Material* material = frame != nullptr ? problem.MaterialAt(frame->material) : nullptr;
    if (material == nullptr) return Failed(problem, errorCode, kEvalStack);

    // The specifications to evaluate; a constant needs no point.
    const BoundarySpec* first = nullptr;
    const BoundarySpec* second = nullptr;  // the specific heat of kind 5
    if (kind >= kPropertyConductivity && kind <= kPropertyPerfusion) {
        first = PropertyBlock(*material, kind);
        if (first->compiled[0] <= 0) return first->value;
    } else if (kind == kPropertyCapacity) {
        first = &material->density;
        second = &material->specificHeat;
        if (first->compiled[0] == 0 && second->compiled[0] == 0)
            return first->value * second->value;
    } else if (kind == kPropertyGeneration) {
        if (frame->generationSpec == 0) return 0;
        first = problem.specs.Find(frame->generationSpec);
        if (first == nullptr) return Failed(problem, errorCode, kEvalStack);
        if (first->compiled[0] == 0) return first->value;
    } else {
        return Failed(problem, errorCode, kEvalStack);
    }

    Real potential;
    Real x = 0;
    Real y = 0;
    int elementArgument;
    if (element >= 1) {
        const Node& n = problem.nodes[node];
        potential = PotentialAt(solution, step, node, n.initialValue, n.currentValue);
        x = n.x;
        y = n.y;
        elementArgument = element;
    } else {
        potential = PotentialAt(solution, step, problem.nodes.Count() + frameNumber,
                                frame->lumpInitialValue, frame->lumpInitialValue);
        elementArgument = -frameNumber;
    }

    auto value = [&](const BoundarySpec& spec) -> Real {
        if (spec.compiled[0] == 0) return spec.value;
        return EvaluateExpression(problem, spec.compiled, errorCode, elementArgument, potential, x,
                                  y, time, solution);
    };
    Real result = value(*first);
    if (errorCode == kEvalOk && second != nullptr) result *= value(*second);
    if (errorCode == kEvalOk && !IsFinite(result)) errorCode = kEvalOverflow;
    if (errorCode != kEvalOk) return Failed(problem, errorCode, errorCode);
    return result;
}

void ReportEvaluationError(Problem& problem, int kind, int frame) {
    std::string text;
    const Frame* f = frame >= 1 ? problem.FrameAt(frame) : nullptr;
    const Material* m = f != nullptr ? problem.MaterialAt(f->material) : nullptr;
    if (m != nullptr) {
        if (const BoundarySpec* block = PropertyBlock(*m, kind)) {
            text = block->text;
        } else if (kind == kPropertyCapacity) {
            text = m->density.compiled[0] != 0 ? m->density.text : m->specificHeat.text;
        } else if (kind == kPropertyGeneration) {
            if (const BoundarySpec* g = problem.specs.Find(f->generationSpec)) text = g->text;
        }
    }
    const std::string message = "Error in evaluating " + text;
    problem.reporter().ShowError(message);
    problem.reporter().ShowStatusText(message, StatusPanel::Info);
}

}  // namespace kova
