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

namespace {

// A filled head at `tip` pointing along (ux, uy).
void ArrowHead(DrawList& out, DrawPoint tip, float ux, float uy) {
    out.AddPolygon({tip,
                    {tip.x - 6 * ux - 3 * uy, tip.y - 6 * uy + 3 * ux},
                    {tip.x - 6 * ux + 3 * uy, tip.y - 6 * uy - 3 * ux}},
                   SolidBrush(kBlack));
}

}  // namespace

DrawList ArrowLengthPreview(PreviewBar bar, int arrowLength, Rgb face) {
    DrawList out;
    const float y = bar.top - 10;
    const float end = bar.left + bar.width - 5;
    Pen wipe;
    wipe.color = face;
    wipe.width = 7;  // the head's height too
    out.AddSegment({bar.left, y}, {bar.left + bar.width, y}, wipe);
    const DrawPoint tip{end, y};
    out.AddSegment({end - static_cast<float>(std::max(arrowLength, 0)), y}, tip, Pen{});
    ArrowHead(out, tip, 1, 0);
    return out;
}

DrawList ArrowDensityPreview(PreviewBar bar, int arrowSpacing, Rgb face) {
    DrawList out;
    const float top = bar.top - 40, bottom = bar.top - 5;
    out.AddRectangle({bar.left, top}, {bar.left + bar.width + 20, bottom}, kNoPen,
                     SolidBrush(face));
    const int step = std::max(arrowSpacing, 1);
    for (float x = bar.left; x <= bar.left + bar.width; x += static_cast<float>(step)) {
        out.AddSegment({x, bottom - 1}, {x, top + 6}, Pen{});
        ArrowHead(out, {x, top + 6}, 0, -1);
    }
    return out;
}

int SpinStep(const ResultView& view, int step, int delta) {
    const int last = std::max(view.LastStep(), 0);
    step += delta;
    if (step > last) return 0;
    if (step < 0) return last;
    return step;
}

}  // namespace kova
