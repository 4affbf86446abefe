// The picture of the input window as a draw list, layer by layer: template, grid, axes,
// frames with their fills, segments and boundary marks, nodes and lumps, the marks of
// the configuration check, and the text items. The blinking of the selection is a
// separate overlay painted over the cached picture.
#pragma once

#include "model/problem.hpp"
#include "platform/draw_list.hpp"

namespace kova {

struct InputDrawingOptions {
    float clientWidth = 640;
    float clientHeight = 480;
    float deviceFactor = 1;  // fixed pixel sizes are multiplied by it (printing)
    bool printing = false;   // grey grid, the remembered band sides
    bool repositionMode = false;
    bool templateSizing = false;  // the template is drawn by the sizing overlay then
    // The window whose text items are drawn (each text belongs to one window), and the
    // measure that frames the selected ones (no frames without it, as when printing).
    int textWindow = 1;
    const TextMetrics* textMetrics = nullptr;
};

// The corners of a text item's rectangle put in order, with the right and bottom edges
// measured as the item is drawn: the text's width W and height H in its font at the
// zoom factor, turned by its angle.
IntRect TextRectangle(const TextItem& item, const TextMetrics& metrics, Real zoom);

// The text items of one window, in list order, in their fonts at the zoom factor; with
// `metrics`, a selected item gets a dotted frame round its rectangle.
void AddTextItems(const Problem& problem, int window, const TextMetrics* metrics, DrawList& out);

// 0 none, 1 specified value, 2 flux, 3 transfer coefficient, tested in this order.
int BoundaryKind(const LineSegment& segment);

// The fill of a frame: its material's colour-grid colour and pattern (white when the
// frame has no material).
Brush FrameBrush(const Problem& problem, const Frame& frame);
// The fill of a material's colour-grid index and pattern (-1 solid, 0..5 hatch styles),
// shared by the drawing and the property dialog's swatch and pattern button.
Brush MaterialBrush(int colorGridIndex, int fillPattern);

// The whole input drawing. Remembers in each segment the side of its zero-flux band
// (printing reuses it), so the problem is not const.
DrawList BuildInputDrawing(Problem& problem, const InputDrawingOptions& options);

// The two layers separately, for tests and for callers that draw only one.
void AddGridLayer(const Problem& problem, const InputDrawingOptions& options, DrawList& out);
void AddAxesLayer(const Problem& problem, const InputDrawingOptions& options, DrawList& out);

// The side of the square at the template's bottom-right corner that resizes it.
inline constexpr int kTemplateGripSize = 10;

// The template while it is being sized or moved, drawn over the drawing: the picture
// combined with it by a bitwise AND of the colours, then its frame (the rectangle and the
// corner square) with the inverting pen. Empty unless the template is shown and present.
DrawList BuildTemplateSizingOverlay(const Problem& problem);

// The blinking selection in phase 0 or 1, drawn over the cached picture.
DrawList BuildBlinkOverlay(const Problem& problem, int phase);

}  // namespace kova
