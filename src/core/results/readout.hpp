// The value read-out of the result windows: what the coordinates panel shows while the
// left button is held over the drawing.
#pragma once

#include <optional>
#include <string>

#include "results/contours.hpp"

namespace kova {

enum class ReadoutWindow : std::uint8_t { Values, Contours, Gradients };

struct ReadoutOptions {
    ReadoutWindow window = ReadoutWindow::Values;
    bool temperatureGradient = true;  // the gradient window's choice
};

// The element whose corners (rounded to whole pixels) hold the drawing point, preferring
// elements of `frame`; 0 when none.
int ElementAt(const ResultView& view, Real x, Real y, int frame = 0);

// The linear value of element e at (x, y) from `values` (barycentric weights from the
// corners rounded to pixels). Corners on one line give their mean.
Real InterpolateAt(const ResultView& view, std::span<const Real> values, int element, Real x,
                   Real y);

// The panel text for the drawing point (x, y) at the view's displayed step: prefix,
// value with 5 digits, a blank and the unit; nothing outside every frame and element.
std::optional<std::string> ReadoutText(const ResultView& view, const ReadoutOptions& options,
                                       Real x, Real y);

}  // namespace kova
