// Compilation of the value texts users type (numbers and expressions in the field
// variable, the coordinates, TIME, FLUX and the gradient variables) into the postfix
// form of postfix.hpp, and the shared table of specifications that holds them.
#pragma once

#include <string>

#include "model/records.hpp"

namespace kova {

class Problem;

// Error codes of compilation and of FindOrAddSpec (the trial evaluation adds those of
// the evaluator, see evaluator.hpp).
enum CompileError : int {
    kCompileOk = 0,
    kCompileFileNotFound = -1,        // a data file named in the text was not found
    kCompileIllegal = 1,              // unmatched parentheses, a character outside the allowed
                                      // set, or a plain number that does not convert
    kCompileMissingOperand = 3,       // an operator or the end where an operand belongs
    kCompileTooLong = 4,              // more than 50 program entries
    kCompileBadNumber = 9,            // a malformed number, or letters glued to a number
    kCompileTableFull = 41,           // the specification table holds 1000 entries
    kCompileDependsOnPotential = 44,  // a value of kind 1 that refers to the potential
    kCompileNoMemory = 8,             // no memory for a new entry
    kCompileUnusable = 100,           // "^-", or a data file that cannot be used
};

// The longest text CompileExpression looks at; longer texts are cut.
inline constexpr std::size_t kMaxExpressionText = 255;

// Compiles `text` into spec.compiled and the dependence flags (dependsOnPosition,
// dependsOnPotential, dependsOnTime; the constant flag becomes 0) and returns the error
// code, which also becomes problem.errorCode. The names of the potential, the
// coordinates, the flux and the gradients are those of the problem's subject and
// geometry at the moment of the call. On failure the record is left exactly as it was
// (entry 0 keeps its previous count); messages go to the problem's reporter. A text
// beginning with an apostrophe is a data-file lookup 'name',c1,c2,x; the file is loaded
// (data_files.hpp) and the text becomes FILE(k,c1,c2,x).
int CompileExpression(Problem& problem, const std::string& text, BoundarySpec& spec);

// True when `text` is a plain number as a specification text: only digits, '.', 'E'
// and 'e', with a '+' or '-' allowed directly after an 'E' or 'e' that is not the first
// character. A leading sign makes a text an expression.
bool IsPlainNumberText(const std::string& text);

// Finds or adds a specification of `kind` and returns its 1-based number in the
// problem's SpecTable, or 0 for "no specification" and for failures; problem.errorCode
// holds the outcome (0 on success). By value, `value` is stored and `text` ignored
// (exactly FindOrAddSpecValue; an infinity or NaN is refused with code 1). By text, the text (cut
// to 128 characters, spaces removed) is shared with an entry of the same kind and the same text,
// otherwise classified as a plain number or compiled as an expression and trial-evaluated, and
// appended. An empty text gives 0 with no error.
int FindOrAddSpec(Problem& problem, int kind, bool byValue, const std::string& text, Real value);

}  // namespace kova
