// The cost of evaluating a compiled expression against the same formula written in C++:
// a 10-operator expression in the field variable and X at 1 million points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "expressions/compiler.hpp"
#include "expressions/evaluator.hpp"
#include "model/problem.hpp"

namespace {

using kova::Real;

constexpr int kPoints = 1'000'000;

// The formulas: ten operators each, one plain arithmetic, one with functions.
constexpr const char* kArithmetic = "T*X+2*T-X/3+T*T*X-X*X";
constexpr const char* kWithFunctions = "SQRT(T)*X^2+EXP(X/100)-ABS(T-X)*2/T";

struct Points {
    std::vector<Real> potential;
    std::vector<Real> x;  // drawing positions
    Points() : potential(kPoints), x(kPoints) {
        for (int i = 0; i < kPoints; ++i) {
            potential[static_cast<std::size_t>(i)] = 20 + 0.001L * i;
            x[static_cast<std::size_t>(i)] = static_cast<Real>(i % 1000);
        }
    }
};

const Points& ThePoints() {
    static const Points points;
    return points;
}

kova::Problem& TheProblem() {
    static kova::Problem problem;
    return problem;
}

kova::BoundarySpec CompileOrDie(const char* text) {
    kova::BoundarySpec spec;
    if (kova::CompileExpression(TheProblem(), text, spec) != 0) {
        std::fprintf(stderr, "cannot compile %s\n", text);
        std::abort();
    }
    return spec;
}

// The first coordinate of a drawing position, as the evaluator computes it.
inline Real FirstCoordinate(const kova::Problem& p, Real x) {
    const Real z = p.view.zoom;
    return (x + p.view.scrollX - p.settings.originX * z) * (p.settings.drawingScale / 96 / z);
}

void Interpreted(benchmark::State& state, const char* text) {
    kova::Problem& problem = TheProblem();
    const kova::BoundarySpec spec = CompileOrDie(text);
    const Points& pts = ThePoints();
    for (auto _ : state) {
        Real sum = 0;
        int error = 0;
        for (std::size_t i = 0; i < kPoints; ++i) {
            sum += kova::EvaluateExpression(problem, spec.compiled, error, 0, pts.potential[i],
                                            pts.x[i], 0, 0);
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(error);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void HandWrittenArithmetic(benchmark::State& state) {
    const kova::Problem& problem = TheProblem();
    const Points& pts = ThePoints();
    for (auto _ : state) {
        Real sum = 0;
        for (std::size_t i = 0; i < kPoints; ++i) {
            const Real t = pts.potential[i];
            const Real x = FirstCoordinate(problem, pts.x[i]);
            sum += t * x + 2 * t - x / 3 + t * t * x - x * x;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void HandWrittenWithFunctions(benchmark::State& state) {
    const kova::Problem& problem = TheProblem();
    const Points& pts = ThePoints();
    for (auto _ : state) {
        Real sum = 0;
        for (std::size_t i = 0; i < kPoints; ++i) {
            const Real t = pts.potential[i];
            const Real x = FirstCoordinate(problem, pts.x[i]);
            sum +=
                std::sqrt(t) * std::pow(x, Real{2}) + std::exp(x / 100) - std::fabs(t - x) * 2 / t;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

// Both sides must compute the same numbers for the comparison to mean anything.
void CheckAgreement(const char* text, Real (*formula)(Real, Real)) {
    kova::Problem& problem = TheProblem();
    const kova::BoundarySpec spec = CompileOrDie(text);
    const Points& pts = ThePoints();
    for (std::size_t i = 0; i < kPoints; i += 997) {
        int error = 0;
        const Real a = kova::EvaluateExpression(problem, spec.compiled, error, 0, pts.potential[i],
                                                pts.x[i], 0, 0);
        const Real b = formula(pts.potential[i], FirstCoordinate(problem, pts.x[i]));
        if (error != 0 || std::fabs(a - b) > 1e-15L * (1 + std::fabs(b))) {
            std::fprintf(stderr, "%s disagrees at point %zu\n", text, i);
            std::abort();
        }
    }
}

}  // namespace

BENCHMARK_CAPTURE(Interpreted, arithmetic, kArithmetic)->Unit(benchmark::kMillisecond);
BENCHMARK(HandWrittenArithmetic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Interpreted, with_functions, kWithFunctions)->Unit(benchmark::kMillisecond);
BENCHMARK(HandWrittenWithFunctions)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    CheckAgreement(kArithmetic,
                   [](Real t, Real x) { return t * x + 2 * t - x / 3 + t * t * x - x * x; });
    CheckAgreement(kWithFunctions, [](Real t, Real x) {
        return std::sqrt(t) * std::pow(x, Real{2}) + std::exp(x / 100) - std::fabs(t - x) * 2 / t;
    });
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
