// Evaluation of compiled expressions: a stack machine over extended values, and the
// entry points through which the solver, the dialogs and the result windows obtain a
// specification's value at a point, at a node or lump, and a material property at an
// element corner or lump.
//
// Evaluation never returns a NaN or an infinity as a value: every failure is an error
// code, and the value returned with a non-zero code is meaningless (the entry points
// other than EvaluateExpression return 1.0 then, as the solver expects).
#pragma once

#include "expressions/solution_data.hpp"
#include "model/records.hpp"

namespace kova {

class Problem;

enum EvaluationError : int {
    kEvalOk = 0,
    kEvalDivisionByZero = 4,   // also MOD with a zero divisor, 0 to a negative power
    kEvalStack = 7,            // too few operands, not exactly one value at the end, a
                               // malformed program, or FLUX needed to compute itself
    kEvalNegativeRoot = 8,     // SQRT of a negative number
    kEvalOverflow = 9,         // a result or input beyond the extended range (or NaN)
    kEvalNegativePower = 32,   // a negative base to a non-integral power
    kEvalLogNonPositive = 33,  // LOG or LN of a value <= 0
    kEvalDataFile = 100,       // FILE: file missing from the list, column out of range,
                               // or a column that is not in order
};

// Material property kinds of EvaluateMaterialProperty.
enum PropertyKind : int {
    kPropertyConductivity = 1,
    kPropertyDensity = 2,
    kPropertySpecificHeat = 3,
    kPropertyPerfusion = 4,
    kPropertyCapacity = 5,    // density x specific heat
    kPropertyGeneration = 6,  // the frame's generation specification
};

// Runs a compiled program. `errorCode` is set (0 on success). element: an element number
// for FLUX and the gradient variables (0 or negative: they are 0); potential: the value
// of the field variable; x, y: the point's drawing position (pixels), turned into
// coordinates by the drawing transform; time: in the solver's time unit. FLUX and the
// gradients need `solution` (without it they are 0). Allocation-free; messages go to the
// problem's reporter only when an error occurs. Each thread keeps the decoded programs of
// the forms it evaluated lately (decoded_program.hpp), checked against the form's
// entries at every call, so a form may be changed or replaced at any time.
Real EvaluateExpression(Problem& problem, const CompiledForm& compiled, int& errorCode, int element,
                        Real potential, Real x, Real y, Real time,
                        const SolutionData* solution = nullptr);

// The trial evaluation used when a specification is added: no element, potential 100,
// drawing position (1, 1), time 0.
Real TrialEvaluation(Problem& problem, const CompiledForm& compiled, int& errorCode);

// SpecTable entry `index`: its stored value for a constant, otherwise the expression's
// value. On an error the warning beep sounds and 1.0 is returned with the code set; an
// index outside the table is error 7.
Real EvaluateSpec(Problem& problem, int index, int& errorCode, int element, Real potential, Real x,
                  Real y, Real time, const SolutionData* solution = nullptr);

// SpecTable entry `index` at node `node` (a number above the node count is a lump: N +
// frame): the potential is the stored value of that node or lump at result level `step`
// when results exist, else the node's current value (a lump's initial value); the
// position is the node's drawing position, (0, 0) for a lump. Index <= 0 gives 0.
Real EvaluateSpecAtNode(Problem& problem, int node, int index, int step, int& errorCode,
                        int element, Real time, const SolutionData* solution = nullptr);

// A material property (PropertyKind) for element `element` (>= 1) at its corner 1, 2 or
// 3, or for the lump of frame -element. The potential comes from result level `step`
// (see the implementation for the order of the sources). On an error the result is 1.0
// with the code set.
Real EvaluateMaterialProperty(Problem& problem, int kind, int element, int corner, int& errorCode,
                              Real time, int step, const SolutionData* solution = nullptr);

// After a failed EvaluateMaterialProperty: the error box and the information panel show
// "Error in evaluating " and the text of the property (kind 1..4; kind 5 names the
// density or specific heat that is an expression, kind 6 the frame's generation).
void ReportEvaluationError(Problem& problem, int kind, int frame);

}  // namespace kova
