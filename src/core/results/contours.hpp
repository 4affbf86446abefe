// The contour picture of a solved problem: shaded colour bands, continuous shading or
// isopotential lines for one stored level, the levels and colours behind them, the
// outline pass drawn over them and the two legends. Everything is drawn into draw
// lists in window pixels; node positions are window pixels already.
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "model/problem.hpp"
#include "platform/draw_list.hpp"
#include "solver/element_table.hpp"
#include "solver/result_table.hpp"
#include "solver/transient_solution.hpp"  // AutoText

namespace kova {

// The stored results as the result windows read them. Only the computed levels
// 0..lastStepIndex count (a cancelled transient run leaves the rest of its table unused).
// With `pressures` set (the Potential Flow pressure display) that vector, shaped like a
// level, is shown instead of the level's values.
struct ResultView {
    Problem& problem;
    const ElementTable& elements;
    const ResultTable& results;
    int lastStepIndex = 0;
    int displayedStep = 0;
    const std::vector<Real>* pressures = nullptr;

    // The last level that may be shown, -1 without results.
    int LastStep() const;
    bool HasResults() const { return LastStep() >= 0; }
    // The displayed step within 0..LastStep().
    int Step() const;
    // The values shown for a level (the pressures when set).
    std::span<const Real> Values(int step) const;
    // The level's stored time (entry 0).
    Real TimeOf(int step) const;
};

enum class ContourKind : std::uint8_t { Bands = 0, Continuous = 1, Lines = 2 };
enum class ContourPalette : std::uint8_t { BlueToRed = 0, GrayScale = 1, FullSpectrum = 2 };

inline constexpr Real kScaleUnset = -999;

struct ContourSettings {
    Real scaleMin = kScaleUnset;
    Real scaleMax = kScaleUnset;
    bool autoScale = true;
    ContourKind kind = ContourKind::Bands;
    int bandCount = 10;  // 5..99
    int lineCount = 10;  // 2..99
    ContourPalette palette = ContourPalette::FullSpectrum;
    bool showOutlines = true;
    bool showElementLines = false;
    bool whiteLines = true;
    bool startToStop = false;
    bool runSequence = false;
};

// The stored part of the settings (scale, counts, palette) from and back to the problem.
ContourSettings ContourSettingsOf(const Problem& problem, ContourSettings base = {});
void StoreContourSettings(Problem& problem, const ContourSettings& settings);

// Levels L[-1..N+1].
struct ContourLevels {
    int n = 0;
    std::vector<Real> values;  // values[k + 1] is L[k]
    Real& operator[](int k) { return values[static_cast<std::size_t>(k + 1)]; }
    Real operator[](int k) const { return values[static_cast<std::size_t>(k + 1)]; }
};

// N and L[0..N] from the settings, L[N+1] = L[N] and L[-1] = L[0].
ContourLevels MakeContourLevels(const ContourSettings& settings);

// The colour of palette index a (1..255) in the blue-to-red or full-spectrum palette;
// grey scale gives (a, a, a).
Rgb PaletteColour(ContourPalette palette, int a);
// C[0..BandCount+1].
std::vector<Rgb> ContourColours(const ContourSettings& settings);
// The continuous shader's index 2..254 of a value; a scale of no width gives 2.
int ColourIndex(const ContourSettings& settings, Real v);

// The smallest and largest value over every node and lump of levels first..last
// (clamped to the computed levels); (1e30, -1e30) for an empty range.
std::pair<Real, Real> ComputeScaleRange(const ResultView& view, int firstStep, int lastStep);

// 0 for a steady problem; otherwise the first computed level whose time is not below t,
// or the last one.
int StepOfTime(const ResultView& view, Real t);
// The computed level whose time lies nearest to t (steady: 0).
int NearestStep(const ResultView& view, Real t);

struct ClipRect {
    float left = -1e9f, top = -1e9f, right = 1e9f, bottom = 1e9f;
};

struct ContourDrawOptions {
    ClipRect clip;
    bool outlines = true;       // the outline pass (the contour and gradient windows)
    bool showPatterns = false;  // isopotential lines over the frames' material patterns
};

struct ContourPicture {
    DrawList picture;
    ContourLevels levels;  // after tracing: L[-1] and L[N+1] hold the drawn extremes
    std::vector<Rgb> colours;
};

// The whole contour picture of the view's displayed step.
ContourPicture DrawContours(const ResultView& view, const ContourSettings& settings,
                            const ContourDrawOptions& options = {});

// The legends, in legend-box pixels. The colour legend (bands and continuous) shows at
// most 10 boxes; the line legend one line of text. Nothing while a sequence runs.
DrawList ColourLegend(const ContourPicture& picture, const ContourSettings& settings,
                      const std::string& unitLabel, const TextMetrics& metrics);
DrawList LineLegend(const ContourPicture& picture, const std::string& unitLabel);
DrawList ContourLegend(const ContourPicture& picture, const ContourSettings& settings,
                       const std::string& unitLabel, const TextMetrics& metrics);

// The legends' text look.
inline constexpr float kLegendFontSize = 12;

}  // namespace kova
