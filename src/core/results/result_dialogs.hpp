// The OK and time-entry logic of the result dialogs ("Contour Information", the gradient
// dialog and "Select Time"), free of any window: the forms hand over their fields and
// show what comes back.
#pragma once

#include <optional>
#include <string>

#include "model/number_format.hpp"
#include "results/contours.hpp"
#include "results/flux_arrows.hpp"

namespace kova {

// The contour dialog's controls as set.
struct ContourDialogFields {
    bool userCaption = true;  // the "User"/"Auto" panel reads "User"
    bool timeOk = true;
    ContourKind kind = ContourKind::Bands;
    int bandCount = 10;
    int lineCount = 10;
    ContourPalette palette = ContourPalette::FullSpectrum;
    bool showElementLines = false;
    bool whiteChecked = true;
    bool showOutlines = true;
    bool startToStop = false;
};

enum class DialogRefusal { None, Time, Minimum, Maximum };

// OK of the contour dialog: the time must have been accepted, the minimum any number,
// the maximum a number above it (ReadNumberField: beep, message, field selected). On a
// refusal nothing in `settings` changes.
DialogRefusal ContourDialogOk(ContourSettings& settings, const ContourDialogFields& fields,
                              NumberField& minEdit, NumberField& maxEdit, Reporter& reporter);

struct GradientDialogFields {
    bool userCaption = true;
    bool gradientTypeShown = true;  // the "Gradient Type" box (thermal subjects)
    bool temperatureChecked = true;
    bool showFluxLines = false;
    bool whiteChecked = true;
    bool showOutlines = true;
    bool superimpose = false;
    bool startToStop = false;
};

// OK of the gradient dialog, with the same number rules for the flux scale.
DialogRefusal GradientDialogOk(GradientSettings& gradient, ContourSettings& contour,
                               bool& autoScale, const GradientDialogFields& fields,
                               NumberField& minEdit, NumberField& maxEdit, Reporter& reporter);

// The contour dialog's typed time: a number between the first and the last computed
// time selects the first level not below it; anything else gives nothing.
std::optional<int> ContourDialogTimeStep(const ResultView& view, const std::string& text);

// "Select Time": a typed time selects the stored level nearest to it, within the
// computed levels (beyond the last: the last); junk gives nothing.
std::optional<int> SelectTimeStep(const ResultView& view, const std::string& text);

// The gradient dialog's previews above its two bars (dialog pixels, the bar's left end,
// top and width). Length: the line 10 pixels above the bar wiped in `face`, then a black
// arrow of the arrow length pointing right and ending 5 pixels inside the bar's right
// end. Density: the strip from 40 to 5 pixels above the bar filled with `face`, then
// upward arrows one arrow spacing apart from the bar's left end to its right end.
struct PreviewBar {
    float left = 0;
    float top = 0;
    float width = 0;
};
DrawList ArrowLengthPreview(PreviewBar bar, int arrowLength, Rgb face);
DrawList ArrowDensityPreview(PreviewBar bar, int arrowSpacing, Rgb face);

// The displayed step moved by the spin buttons, wrapping at both ends.
int SpinStep(const ResultView& view, int step, int delta);

}  // namespace kova
