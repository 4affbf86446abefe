#include "results/result_dialogs.hpp"

#include <algorithm>

namespace kova {

DialogRefusal ContourDialogOk(ContourSettings& settings, const ContourDialogFields& f,
                              NumberField& minEdit, NumberField& maxEdit, Reporter& reporter) {
    if (!f.timeOk) return DialogRefusal::Time;
    const FieldNumber low = ReadNumberField(minEdit, 0, 0, kAnyNumber, reporter);
    if (!low.ok) return DialogRefusal::Minimum;
    const FieldNumber high = ReadNumberField(maxEdit, low.value, 0, kAboveMinimum, reporter);
    if (!high.ok) return DialogRefusal::Maximum;
    settings.autoScale = !f.userCaption;
    settings.scaleMin = low.value;
    settings.scaleMax = high.value;
    settings.kind = f.kind;
    if (f.kind == ContourKind::Bands) settings.bandCount = std::clamp(f.bandCount, 5, 99);
    if (f.kind != ContourKind::Lines) settings.palette = f.palette;
    if (f.kind == ContourKind::Lines) settings.lineCount = std::clamp(f.lineCount, 2, 99);
    settings.showElementLines = f.showElementLines;
    if (f.showElementLines) settings.whiteLines = f.whiteChecked;
    settings.showOutlines = f.showOutlines;
    settings.runSequence = f.startToStop;
    settings.startToStop = f.startToStop;
    return DialogRefusal::None;
}

DialogRefusal GradientDialogOk(GradientSettings& g, ContourSettings& c, bool& autoScale,
                               const GradientDialogFields& f, NumberField& minEdit,
                               NumberField& maxEdit, Reporter& reporter) {
    const FieldNumber low = ReadNumberField(minEdit, 0, 0, kAnyNumber, reporter);
    if (!low.ok) return DialogRefusal::Minimum;
    const FieldNumber high = ReadNumberField(maxEdit, low.value, 0, kAboveMinimum, reporter);
    if (!high.ok) return DialogRefusal::Maximum;
    autoScale = !f.userCaption;
    g.fluxScaleMin = low.value;
    g.fluxScaleMax = high.value;
    g.temperatureGradient = f.gradientTypeShown ? f.temperatureChecked : true;
    g.showFluxLines = f.showFluxLines;
    if (f.showFluxLines) c.whiteLines = f.whiteChecked;
    c.showOutlines = f.showOutlines;
    g.superimpose = f.superimpose;
    c.runSequence = f.startToStop;
    c.startToStop = f.startToStop;
    return DialogRefusal::None;
}

std::optional<int> ContourDialogTimeStep(const ResultView& view, const std::string& text) {
    const std::optional<Real> t = ParseDecimal(text);
    if (!t || !view.HasResults()) return std::nullopt;
    if (*t < view.TimeOf(0) || *t > view.TimeOf(view.LastStep())) return std::nullopt;
    return StepOfTime(view, *t);
}

std::optional<int> SelectTimeStep(const ResultView& view, const std::string& text) {
    const std::optional<Real> t = ParseDecimal(text);
    if (!t || !view.HasResults()) return std::nullopt;
    return NearestStep(view, *t);
}

int SpinStep(const ResultView& view, int step, int delta) {
    const int last = std::max(view.LastStep(), 0);
    step += delta;
    if (step > last) return 0;
    if (step < 0) return last;
    return step;
}

}  // namespace kova
