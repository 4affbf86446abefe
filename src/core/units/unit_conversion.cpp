#include "units/unit_conversion.hpp"

#include <climits>
#include <cmath>

#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

// Significant digits of a converted text: specifications and material properties.
constexpr int kSpecDigits = 4;
constexpr int kMaterialDigits = 5;

// Factors of one direction of a unit-system switch. The specification, potential, blood
// and area factors multiply; the material factors multiply from SI to English and divide
// from English to SI.
struct SystemFactors {
    Real flux;
    Real transfer;
    Real generation;
    Real potentialFactor;
    Real potentialOffset;  // on the relative scale; 0 on the absolute one
    Real bloodSpecificHeat;
    Real areaFactor;  // squared length ratio; its root multiplies the area factors
    bool toEnglish;
};

constexpr SystemFactors kEnglishToSI = {
    3.154574132492113564L,
    5.678591709256104486L,
    10.349502706394957723L,
    5.0L / 9.0L,
    -17.77778L,
    4190.061174893153L,
    0.09290312990644654818L,
    false,
};

constexpr SystemFactors kSIToEnglish = {
    0.317L, 0.1761L, 0.096623L, 1.8L, 32.0L, 0.00023866L, 10.7639L, true,
};

// SI value × factor = English value, for the material property blocks.
constexpr Real kDensityFactor = 0.06243L;
constexpr Real kSpecificHeatFactor = 0.00023884L;
constexpr Real kConductivityFactor = 0.5778L;
constexpr Real kPerfusionFactor = 224.7407L;

void SetConstant(BoundarySpec& spec, Real value, int digits) {
    spec.value = value;
    spec.text = FormatGeneral(value, digits);
}

// Converts a material block that holds a constant; expressions are left alone.
void ConvertMaterialBlock(BoundarySpec& block, Real factor, bool toEnglish) {
    if (block.constant == 0) return;
    SetConstant(block, toEnglish ? block.value * factor : block.value / factor, kMaterialDigits);
}

void ConvertMaterials(Problem& problem, bool toEnglish) {
    const bool perfusion = problem.settings.subject == ProbTypeA::Bio;
    for (int m = 1; m <= kMaterialCount; ++m) {
        Material& mat = problem.materials[static_cast<std::size_t>(m)];
        ConvertMaterialBlock(mat.density, kDensityFactor, toEnglish);
        ConvertMaterialBlock(mat.specificHeat, kSpecificHeatFactor, toEnglish);
        ConvertMaterialBlock(mat.conductivity, kConductivityFactor, toEnglish);
        if (perfusion) ConvertMaterialBlock(mat.perfusion, kPerfusionFactor, toEnglish);
    }
}

// v·factor + offset, keeping the -999 marker of an unspecified value.
void ConvertUnlessUnspecified(Real& v, Real factor, Real offset) {
    if (v != kUnspecified) v = v * factor + offset;
}

// The index of the last stored result level.
int LastResultLevel(const ProblemSettings& s) {
    if (!s.transient) return 0;
    const Real steps = (s.transientStop - s.transientStart) / s.transientStep;
    if (!std::isfinite(steps) || steps <= 0) return 0;
    if (steps >= static_cast<Real>(INT_MAX)) return INT_MAX;
    return static_cast<int>(RoundHalfEven(steps));
}

void ConvertResults(Problem& problem, Real factor, Real offset, const ResultLevelAccess& results) {
    const int nodeCount = problem.nodes.Count();
    const int last = LastResultLevel(problem.settings);
    for (int level = 0; level <= last; ++level) {
        const std::span<Real> v = results(level);
        if (v.empty()) break;
        for (int n = 1; n <= nodeCount && static_cast<std::size_t>(n) < v.size(); ++n)
            ConvertUnlessUnspecified(v[static_cast<std::size_t>(n)], factor, offset);
        for (int k = 1; k <= problem.frameCount; ++k) {
            const auto index = static_cast<std::size_t>(nodeCount + k);
            if (problem.FrameIsDistributed(k) || index >= v.size()) continue;
            ConvertUnlessUnspecified(v[index], factor, offset);
        }
        if (level == INT_MAX) break;
    }
}

// A material property written in the potential means another property on another
// scale, like every other expression in the potential.
bool MaterialDependsOnPotential(const Problem& problem) {
    for (int m = 1; m <= kMaterialCount; ++m) {
        const Material& mat = problem.materials[static_cast<std::size_t>(m)];
        for (const BoundarySpec* b :
             {&mat.conductivity, &mat.density, &mat.specificHeat, &mat.perfusion})
            if (b->constant == 0 && b->dependsOnPotential != 0) return true;
    }
    return false;
}

void ReportUnconvertedExpressions(Problem& problem) {
    problem.reporter().ShowError(GetMessage(MessageId::ExpressionsNotConverted));
}

}  // namespace

Real AbsoluteOffset(Unittype system) {
    return system == Unittype::Eng ? kAbsoluteOffsetEng : kAbsoluteOffsetSI;
}

bool ConvertPotentialValues(Problem& problem, Real factor, Real offset,
                            const ResultLevelAccess& results) {
    bool expressionMet = false;
    for (int i = 1; i <= problem.specs.Count(); ++i) {
        BoundarySpec& spec = problem.specs[i];
        if (spec.kind != kSpecValue) continue;
        if (spec.IsExpression()) {
            expressionMet = true;
        } else if (spec.value != kUnspecified) {
            SetConstant(spec, spec.value * factor + offset, kSpecDigits);
        }
    }

    ProblemSettings& s = problem.settings;
    ConvertUnlessUnspecified(s.contourScaleMin, factor, offset);
    ConvertUnlessUnspecified(s.contourScaleMax, factor, offset);

    // Initial values and the current values (the start of the next property iteration)
    // are potentials too; left unconverted they would silently mean another temperature.
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        Node& node = problem.nodes[n];
        ConvertUnlessUnspecified(node.initialValue, factor, offset);
        ConvertUnlessUnspecified(node.currentValue, factor, offset);
    }
    for (int k = 1; k <= problem.frameCount; ++k)
        ConvertUnlessUnspecified(problem.frames[k].lumpInitialValue, factor, offset);

    if (problem.resultsCurrent && results) ConvertResults(problem, factor, offset, results);
    return expressionMet || MaterialDependsOnPotential(problem);
}

bool SetAbsoluteTemperatures(Problem& problem, bool on, const ResultLevelAccess& results) {
    ProblemSettings& s = problem.settings;
    if (s.absoluteTemperatures == on) return false;
    const Real offset = AbsoluteOffset(s.unitSystem);
    const bool expressionMet =
        ConvertPotentialValues(problem, 1.0L, on ? offset : -offset, results);
    s.absoluteTemperatures = on;
    problem.MarkProblemChanged();
    if (expressionMet) ReportUnconvertedExpressions(problem);
    return true;
}

bool ConvertUnitSystem(Problem& problem, Unittype oldSystem, Unittype newSystem,
                       const ResultLevelAccess& results) {
    if (oldSystem == newSystem) return false;
    const SystemFactors& f = newSystem == Unittype::Eng ? kSIToEnglish : kEnglishToSI;
    ProblemSettings& s = problem.settings;

    problem.blood.specificHeat *= f.bloodSpecificHeat;

    const Real lengthRatio = std::sqrt(f.areaFactor);
    for (LineSegment& segment : problem.lines) {
        if (s.cylindrical)
            segment.areaFactor *= lengthRatio;
        else
            segment.areaFactor = 1.0L;
    }
    // The extended-surface thickness is a length in the system's unit (m or ft).
    for (int k = 1; k <= problem.frameCount; ++k) problem.frames[k].finThickness *= lengthRatio;

    bool expressionMet = false;
    for (int i = 1; i <= problem.specs.Count(); ++i) {
        BoundarySpec& spec = problem.specs[i];
        Real factor = 0;
        switch (spec.kind) {
            case kSpecFlux:
                factor = f.flux;
                break;
            case kSpecTransfer:
                factor = f.transfer;
                break;
            case kSpecGeneration:
                factor = f.generation;
                break;
            default:
                continue;
        }
        if (spec.IsExpression())
            expressionMet = true;
        else
            SetConstant(spec, spec.value * factor, kSpecDigits);
    }

    ConvertMaterials(problem, f.toEnglish);

    const Real offset = s.absoluteTemperatures ? 0.0L : f.potentialOffset;
    if (ConvertPotentialValues(problem, f.potentialFactor, offset, results)) expressionMet = true;

    s.unitSystem = newSystem;
    problem.RecomputePixelLength();
    // Flows and balances are not converted, so results computed before are stale now.
    problem.MarkProblemChanged();
    if (expressionMet) ReportUnconvertedExpressions(problem);
    return expressionMet;
}

void ConvertLibraryMaterials(Problem& problem) {
    const ProbTypeA subject = problem.settings.subject;
    if (problem.settings.unitSystem != Unittype::Eng) return;
    if (subject != ProbTypeA::HeatTrans && subject != ProbTypeA::Bio &&
        subject != ProbTypeA::ThinFins)
        return;
    ConvertMaterials(problem, true);
}

}  // namespace kova
