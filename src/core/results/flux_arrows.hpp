// The gradient picture: a regular grid of arrows over the problem drawing, each centred
// on its grid point and pointing with the flux (against the gradient), its length
// between the shortest and longest half-arrow after the magnitude's place on the flux
// scale; the automatic flux range and the arrow legend.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "results/contours.hpp"

namespace kova {

struct GradientSettings {
    Real fluxScaleMin = kScaleUnset;
    Real fluxScaleMax = kScaleUnset;
    int arrowLength = 60;   // longest arrow, screen pixels (15..135)
    int arrowSpacing = 36;  // grid spacing, screen pixels (15..115)
    bool temperatureGradient = true;
    bool superimpose = false;
    bool showFluxLines = false;
};

GradientSettings GradientSettingsOf(const Problem& problem, GradientSettings base = {});
void StoreGradientSettings(Problem& problem, const GradientSettings& settings);

// The arrow length's default for a screen of `pixelsPerInch`.
inline int DefaultArrowLength(int pixelsPerInch) {
    return pixelsPerInch * 60 / 96;
}

// The scale fix-up on closing the dialog either way: a maximum not above the minimum
// moves just above it, a maximum of 0 becomes 0.01.
void FixFluxScale(GradientSettings& settings);

struct ElementArrowFlux {
    Real magnitude = 0;
    Real dvdx = 0, dvdy = 0;  // flux (or gradient) components per drawing pixel
    bool ok = true;
};

// The quantity the arrows show for an element: with `temperatureGradient` in the
// thermal subjects (extended surfaces included) the plain gradient of the potential,
// otherwise the flux.
ElementArrowFlux ArrowFlux(const ResultView& view, int element, int step, bool temperatureGradient);

// The automatic flux range over the computed levels first..last: (1e-8, 1e-6) for a
// field without gradient, a minimum of 0 replaced by a hundredth of the maximum.
std::pair<Real, Real> GetFluxMinMax(const ResultView& view, int firstStep, int lastStep,
                                    bool temperatureGradient);

struct ArrowDrawOptions {
    ClipRect clip;
    Real deviceFactor = 1;  // the screen's pixels per inch / 96, or the printer's factor
    Real zoom = 1;
    int pixelsPerInch = 96;
    bool showPatterns = false;
};

struct ArrowPicture {
    DrawList picture;
    int shortest = 0;  // the half-lengths Lmin and Lmax in pixels
    int longest = 0;
    int arrows = 0;
    int capped = 0;
    std::optional<ContourPicture> contours;  // when superimposed
};

// The whole gradient picture of the displayed step. With `superimpose` the contour
// picture lies under the arrows (and the contour settings take white lines).
ArrowPicture DrawFluxArrows(const ResultView& view, const GradientSettings& settings,
                            ContourSettings& contourSettings, const ArrowDrawOptions& options);

// The legend: the shortest arrow with the scale's minimum, the longest with its maximum
// and the unit.
DrawList ArrowLegend(const ArrowPicture& picture, const GradientSettings& settings,
                     const std::string& unitLabel, const TextMetrics& metrics);

// The flux unit label of the arrow legend (at most 15 characters).
std::string FluxUnitLabel(const Problem& problem, bool temperatureGradient);

}  // namespace kova
