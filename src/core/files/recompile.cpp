#include "files/recompile.hpp"

#include "expressions/compiler.hpp"

namespace kova {
namespace {

void Recompile(Problem& problem, BoundarySpec& spec, const std::string& where,
               const ExpressionCompiler& compile, RecompileResult& result) {
    // The stored count decides whether the block is an expression; NaN and negative counts
    // are not.
    const bool expression = spec.compiled[0] > 0;
    spec.compiled.fill(0);
    if (!expression) return;
    if (!compile) {
        result.pending.push_back({where, spec.text});
        return;
    }
    if (!compile(problem, spec)) {
        spec.compiled.fill(0);
        result.failed.push_back({where, spec.text});
    }
}

}  // namespace

ExpressionCompiler DefaultExpressionCompiler() {
    // A text that no longer compiles is listed in the result and reported once, after
    // loading, so the compiler's own messages are held back here.
    return [](Problem& problem, BoundarySpec& spec) {
        Reporter& previous = problem.reporter();
        SilentReporter silent;
        problem.SetReporter(&silent);
        const std::string text = spec.text;
        const int code = CompileExpression(problem, text, spec);
        problem.SetReporter(&previous);
        return code == kCompileOk;
    };
}

RecompileResult RecompileLoadedExpressions(Problem& problem, const ExpressionCompiler& compile) {
    RecompileResult result;
    const bool suppressed = problem.suppressMissingDataFileMessage;
    problem.suppressMissingDataFileMessage = true;
    for (int i = 1; i <= problem.specs.Count(); ++i) {
        Recompile(problem, problem.specs[i], "specification " + std::to_string(i), compile, result);
    }
    for (int m = 1; m <= kMaterialCount; ++m) {
        Material& material = problem.materials[static_cast<std::size_t>(m)];
        const std::string prefix = "material " + std::to_string(m) + " ";
        Recompile(problem, material.density, prefix + "density", compile, result);
        Recompile(problem, material.specificHeat, prefix + "specific heat", compile, result);
        Recompile(problem, material.conductivity, prefix + "conductivity", compile, result);
        Recompile(problem, material.perfusion, prefix + "perfusion", compile, result);
    }
    problem.suppressMissingDataFileMessage = suppressed;
    return result;
}

std::string FailedExpressionsMessage(const RecompileResult& result) {
    if (result.failed.empty()) return {};
    std::string text = "These expressions could not be compiled and must be entered again:";
    for (const LoadedExpression& e : result.failed) text += "\n" + e.where + ": " + e.text;
    return text;
}

}  // namespace kova
