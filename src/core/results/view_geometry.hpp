// The view operations of the input window that move the stored drawing: scrolling,
// zooming in and back to normal size, refitting ("Scale and Size" and "Center and Set
// Display Size"), and the switches of subject and geometry. Node positions are kept in
// window pixels, so each of these moves every stored position while the problem
// coordinates of the drawing stay the same.
#pragma once

#include <optional>
#include <string>

#include "model/problem.hpp"
#include "platform/draw_list.hpp"

namespace kova {

// Moves the drawing by (dx, dy) pixels: the scroll offsets take the opposite change, and
// nodes, frame geometry, lump label points, the template and the texts of the drawing
// windows move along, so every problem coordinate stays.
void ScrollBy(Problem& problem, Real dx, Real dy);

// The coordinates panel's text for a pointer at drawing position (x, y): the axis
// letters with the problem coordinates in three significant digits, then the length unit.
std::string CoordinatesText(const Problem& problem, Real x, Real y);

// What zooming remembers until normal size.
struct ZoomMemory {
    bool zoomed = false;
    IntRect templateRect;
};

// The scroll ranges of a zoomed window: maximum = round(client × zoom) + the other bar's
// size − client when positive, else 0.
struct ScrollRanges {
    int horizontal = 0;
    int vertical = 0;
};
ScrollRanges ZoomScrollRanges(Real zoom, int clientWidth, int clientHeight, int barWidth,
                              int barHeight);

// Zooms so that the rectangle (drawing pixels, top left and width) fills the client
// width less the vertical bar. The drawing is scrolled back first; the new scroll offsets
// are the rectangle's corner times the factor. Returns false (nothing changed) for an
// empty rectangle or when already zoomed.
bool ZoomIn(Problem& problem, ZoomMemory& memory, Real left, Real top, Real width, Real clientWidth,
            Real barWidth);

// Back to normal size; nothing when not zoomed.
void ZoomOut(Problem& problem, ZoomMemory& memory);

// The Undo command: restores the newest snapshot into the view of the moment (the zoom
// stays) and drops it. While zoomed, a template rectangle the snapshot gives back also
// becomes the one normal size returns to. False when there is nothing to undo.
bool UndoInView(Problem& problem, ZoomMemory& memory);

// The rectangle the zoom interaction shows: the window's proportions, at least
// `minimumWidth` wide, from `corner` towards the pointer, not beyond the window's bottom.
struct ZoomBox {
    Real left = 0, top = 0, width = 0, height = 0;
};
ZoomBox ZoomRectangle(Real cornerX, Real cornerY, Real pointerX, Real pointerY, Real clientWidth,
                      Real clientHeight);

// The fields of the "Scale and Size" dialog as typed, and its boxes.
struct ScaleSizeEntry {
    Unittype unitSystem = Unittype::SI;
    int lengthUnitIndex = 2;
    std::string scale, hGrid, vGrid, x0, y0;
    bool center = false;
    bool fitSize = false;
};

enum class ScaleSizeField { None, Scale, HGrid, VGrid, X0, Y0, DoesNotFit };

struct ScaleSizeResult {
    ScaleSizeField failed = ScaleSizeField::None;
    std::string message;  // the information-panel text of a refused field
    bool ok() const { return failed == ScaleSizeField::None; }
};

// The window the drawing is refitted into.
struct ClientArea {
    Real width = 640;
    Real height = 480;
    Real hBarHeight = 0;  // a horizontal scroll bar's height while it shows
    Real share = 1;       // NegZoomFactor: the share a refitted drawing may fill
};

// The OK of "Scale and Size": reads and checks every field first (a scale or grid
// spacing of 0 or below gives "Value must be > 0"; a drawing that does not fit the window
// when centring beeps) and changes nothing on a refusal. Otherwise takes the undo
// snapshot (unless `silent`, as "Center and Set Display Size" takes its own), converts
// the unit system, stores scale, grid and origin, moves the drawing by the change of
// origin, refits and centres it when asked, and recomputes the pixel length, the frames'
// geometry and the area factors. The results are then not current, the problem not saved.
ScaleSizeResult ApplyScaleAndSize(Problem& problem, const ScaleSizeEntry& entry,
                                  const ClientArea& client, const TextMetrics& metrics,
                                  bool silent);

// The fields as the dialog first shows them for the problem's settings.
ScaleSizeEntry ShownScaleAndSize(const Problem& problem);

// The geometry switch. To cylindrical: axis letters R, Z and axes shown; with the origin
// at the left edge the drawing moves right by 36 pixels (at 96 dots per inch; `screenFactor`
// is pixels per inch / 96) so the axis stands clear of the edge. To Cartesian: the letters
// go back, nodes stay. Frame geometry follows. Returns false when nothing changed.
bool SwitchGeometry(Problem& problem, bool cylindrical, Real screenFactor = 1);

// The part of a subject change after the save question: with `keepGeometry` the drawing
// stays with every frame's material 0 and the selection empty, otherwise the problem is
// reset; the subject's labels and library are set up and loaded data files released.
void ApplySubjectChange(Problem& problem, ProbTypeA subject, bool keepGeometry);

}  // namespace kova
