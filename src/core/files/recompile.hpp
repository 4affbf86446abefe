// After a problem file is read, no compiled expression is taken from it: every stored
// compiled form is discarded and rebuilt from the expression's text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/problem.hpp"

namespace kova {

// Compiles spec.text into spec (its compiled form, flags and trial value); returns false
// when the text does not compile.
using ExpressionCompiler = std::function<bool(Problem&, BoundarySpec&)>;

// The compiler the readers use when the caller names none: the expression compiler, with
// its messages held back. An empty compiler leaves every expression pending.
ExpressionCompiler DefaultExpressionCompiler();

// One expression that was found in the loaded problem.
struct LoadedExpression {
    std::string where;  // "specification 3", "material 2 density", ...
    std::string text;
};

struct RecompileResult {
    std::vector<LoadedExpression> failed;   // the text no longer compiles
    std::vector<LoadedExpression> pending;  // no compiler was available
};

// Discards the compiled form of every specification and of the four property blocks of
// every material. A block whose stored entry count was greater than 0 is compiled again
// from its text with `compile` (library materials hold numbers in that form too). When
// that fails, or when no compiler is available, its compiled form stays empty (its text,
// flags and value are kept) and the block is listed in the result. While this runs, a
// data file missing for a FILE lookup is not reported.
RecompileResult RecompileLoadedExpressions(Problem& problem,
                                           const ExpressionCompiler& compile = {});

// The message for expressions that did not compile, or "" when all did.
std::string FailedExpressionsMessage(const RecompileResult& result);

}  // namespace kova
