#include "results/view_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "expressions/data_files.hpp"
#include "files/undo_snapshots.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/region.hpp"
#include "model/length_units.hpp"
#include "model/number_format.hpp"
#include "model/selection.hpp"
#include "model/subjects.hpp"
#include "units/drawing_transform.hpp"
#include "units/scale_arithmetic.hpp"
#include "units/unit_conversion.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

void RebuildGeometry(Problem& problem) {
    if (problem.frameCount > 0) RebuildFrameGeometry(problem, 1, false);
    if (problem.settings.cylindrical) problem.UpdateAreaFactors();
}

std::int32_t Whole(Real v) {
    return RoundPixel(v);
}

void MoveRect(IntRect& r, std::int32_t dx, std::int32_t dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

}  // namespace

void ScrollBy(Problem& problem, Real dx, Real dy) {
    if (dx == 0 && dy == 0) return;
    problem.view.scrollX -= dx;
    problem.view.scrollY -= dy;
    const std::int32_t ix = Whole(dx), iy = Whole(dy);
    MoveRect(problem.templatePicture.rect, ix, iy);
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        problem.nodes[n].x += dx;
        problem.nodes[n].y += dy;
    }
    for (int k = 1; k <= problem.frameCount; ++k) {
        Frame& f = problem.frames[static_cast<std::size_t>(k)];
        OffsetRegion(f.region, ix, iy);
        // Lump labels sit on the drawing too.
        f.labelX += ix;
        f.labelY += iy;
        problem.UpdateFrameMeasures(k);
    }
    problem.UpdateFrameDrawOrder();
    for (TextItem& t : problem.texts)
        if (t.winNo < kFirstFixedTextWindow) MoveRect(t.theRect, ix, iy);
}

std::string CoordinatesText(const Problem& problem, Real x, Real y) {
    const Coordinates c = DrawingToProblem(problem, x, y);
    const auto& letters = problem.settings.axisLetters;
    return std::string(1, letters[0]) + "=" + FormatNumber(AutoFormat(c.first, 3), c.first) + " " +
           std::string(1, letters[1]) + "=" + FormatNumber(AutoFormat(c.second, 3), c.second) +
           " " + LengthLabel(problem.settings.unitSystem, problem.settings.lengthUnitIndex);
}

ScrollRanges ZoomScrollRanges(Real zoom, int clientWidth, int clientHeight, int barWidth,
                              int barHeight) {
    ScrollRanges r;
    r.horizontal =
        std::max<long long>(0, RoundHalfEven(clientWidth * zoom) + barWidth - clientWidth);
    r.vertical =
        std::max<long long>(0, RoundHalfEven(clientHeight * zoom) + barHeight - clientHeight);
    return r;
}

namespace {

// Positions p become p·z − s about the window's corner (zoom in), or (p + s)/z back.
void ScalePositions(Problem& problem, Real z, Real sx, Real sy, bool in) {
    for (int n = 1; n <= problem.nodes.Count(); ++n) {
        Node& node = problem.nodes[n];
        if (in) {
            node.x = node.x * z - sx;
            node.y = node.y * z - sy;
        } else {
            node.x /= z;
            node.y /= z;
        }
    }
    for (int k = 1; k <= problem.frameCount; ++k) {
        Frame& f = problem.frames[static_cast<std::size_t>(k)];
        if (in) {
            f.labelX = Whole(f.labelX * z - sx);
            f.labelY = Whole(f.labelY * z - sy);
        } else {
            f.labelX = Whole(f.labelX / z);
            f.labelY = Whole(f.labelY / z);
        }
    }
    for (TextItem& t : problem.texts) {
        if (t.winNo >= kFirstFixedTextWindow) continue;
        const std::int32_t w = t.theRect.right - t.theRect.left;
        const std::int32_t h = t.theRect.bottom - t.theRect.top;
        if (in) {
            t.theRect.left = Whole(t.theRect.left * z) - Whole(sx);
            t.theRect.top = Whole(t.theRect.top * z) - Whole(sy);
        } else {
            t.theRect.left = Whole(t.theRect.left / z);
            t.theRect.top = Whole(t.theRect.top / z);
        }
        t.theRect.right = t.theRect.left + w;
        t.theRect.bottom = t.theRect.top + h;
    }
}

}  // namespace

bool ZoomIn(Problem& problem, ZoomMemory& memory, Real left, Real top, Real width, Real clientWidth,
            Real barWidth) {
    if (memory.zoomed || !(width > 0) || !(clientWidth - barWidth > 0)) return false;
    ScrollBy(problem, problem.view.scrollX, problem.view.scrollY);
    const Real z = (clientWidth - barWidth) / width;
    const Real sx = std::max<Real>(0, RoundHalfEven(left * z));
    const Real sy = std::max<Real>(0, RoundHalfEven(top * z));
    // The pixel length first, so that frames rebuilt below measure areas in the new size.
    problem.view.zoom = z;
    problem.settings.pixelLength /= z;
    problem.view.scrollX = sx;
    problem.view.scrollY = sy;
    ScalePositions(problem, z, sx, sy, true);
    memory.templateRect = problem.templatePicture.rect;
    IntRect& r = problem.templatePicture.rect;
    r = {Whole(r.left * z - sx), Whole(r.top * z - sy), Whole(r.right * z - sx),
         Whole(r.bottom * z - sy)};
    RebuildGeometry(problem);
    memory.zoomed = true;
    return true;
}

void ZoomOut(Problem& problem, ZoomMemory& memory) {
    if (!memory.zoomed) return;
    const Real z = problem.view.zoom > 0 ? problem.view.zoom : 1;
    problem.settings.pixelLength *= z;
    ScrollBy(problem, problem.view.scrollX, problem.view.scrollY);
    problem.view.scrollX = problem.view.scrollY = 0;
    problem.view.zoom = 1;
    ScalePositions(problem, z, 0, 0, false);
    problem.templatePicture.rect = memory.templateRect;
    RebuildGeometry(problem);
    memory.zoomed = false;
}

bool UndoInView(Problem& problem, ZoomMemory& memory) {
    const IntRect before = problem.templatePicture.rect;
    if (!RestoreUndoSnapshot(problem, true)) return false;
    const IntRect& r = problem.templatePicture.rect;
    if (memory.zoomed && !(r == before)) {
        const Real z = problem.view.zoom > 0 ? problem.view.zoom : 1;
        const Real sx = problem.view.scrollX, sy = problem.view.scrollY;
        memory.templateRect = {Whole((r.left + sx) / z), Whole((r.top + sy) / z),
                               Whole((r.right + sx) / z), Whole((r.bottom + sy) / z)};
    }
    return true;
}

ZoomBox ZoomRectangle(Real cornerX, Real cornerY, Real pointerX, Real pointerY, Real clientWidth,
                      Real clientHeight) {
    const Real aspect = clientWidth > 0 ? clientHeight / clientWidth : 1;
    const Real minimum = clientWidth / 16;
    Real w = std::max(minimum, pointerX - cornerX);
    Real h = w * aspect;
    if (pointerY - cornerY > h) {
        h = pointerY - cornerY;
        w = h / aspect;
    }
    if (cornerY + h > clientHeight && clientHeight - cornerY > 0) {
        h = std::max(minimum * aspect, clientHeight - cornerY);
        w = h / aspect;
    }
    return {cornerX, cornerY, w, h};
}

ScaleSizeEntry ShownScaleAndSize(const Problem& problem) {
    const ProblemSettings& s = problem.settings;
    ScaleSizeEntry e;
    e.unitSystem = s.unitSystem;
    e.lengthUnitIndex = s.lengthUnitIndex;
    e.scale = FormatGeneral(ShownScale(s.unitSystem, s.drawingScale), 4);
    e.hGrid = FormatGeneral(GridSpacingLength(s.gridSpacingX, s.drawingScale), 4);
    e.vGrid = FormatGeneral(GridSpacingLength(s.gridSpacingY, s.drawingScale), 4);
    const ShownOrigin o = ShowOrigin(problem);
    e.x0 = FormatGeneral(o.fromLeft, 4);
    e.y0 = FormatGeneral(o.fromBottom, 4);
    return e;
}

namespace {

struct Moved {
    std::vector<Real> x, y;
    std::vector<PixelPoint> labels;
    std::vector<IntRect> texts;
    std::vector<std::int32_t> fontSizes;
};

DrawingBox BoxOf(const Moved& m, const Problem& problem) {
    DrawingBox b{999999, 999999, -999999, -999999};
    for (std::size_t i = 0; i < m.x.size(); ++i) {
        b.left = std::min(b.left, m.x[i]);
        b.right = std::max(b.right, m.x[i]);
        b.top = std::min(b.top, m.y[i]);
        b.bottom = std::max(b.bottom, m.y[i]);
    }
    if (problem.settings.displayText) {
        std::size_t i = 0;
        for (const TextItem& t : problem.texts) {
            const IntRect& r = m.texts[i++];
            if (t.winNo >= kFirstFixedTextWindow) continue;
            b.left = std::min<Real>(b.left, r.left);
            b.right = std::max<Real>(b.right, r.right);
            b.top = std::min<Real>(b.top, r.top);
            b.bottom = std::max<Real>(b.bottom, r.bottom);
        }
    }
    return b;
}

}  // namespace

ScaleSizeResult ApplyScaleAndSize(Problem& problem, const ScaleSizeEntry& entry,
                                  const ClientArea& client, const TextMetrics& metrics,
                                  bool silent) {
    ScaleSizeResult result;
    Reporter& reporter = problem.reporter();
    auto refuse = [&](ScaleSizeField field, const std::string& message) {
        reporter.Beep();
        if (!message.empty()) reporter.ShowStatusText(message, StatusPanel::Info);
        result.failed = field;
        result.message = message;
        return result;
    };
    // Every field is read before anything changes. Fields that "Size to fill screen" or
    // "Center" disable still hold what they showed, so they read back unchanged.
    Real shownScale = 0, hGrid = 0, vGrid = 0, x0 = 0, y0 = 0;
    struct Check {
        const std::string* text;
        Real* value;
        ScaleSizeField field;
        bool positive;
    };
    const Check checks[] = {{&entry.scale, &shownScale, ScaleSizeField::Scale, true},
                            {&entry.hGrid, &hGrid, ScaleSizeField::HGrid, true},
                            {&entry.vGrid, &vGrid, ScaleSizeField::VGrid, true},
                            {&entry.x0, &x0, ScaleSizeField::X0, false},
                            {&entry.y0, &y0, ScaleSizeField::Y0, false}};
    for (const Check& c : checks) {
        const std::optional<Real> v = ParseDecimal(*c.text);
        if (!v) return refuse(c.field, "Illegal entry.");
        if (c.positive && !(*v > 0)) return refuse(c.field, "Value must be > 0");
        *c.value = *v;
    }
    const ProblemSettings& old = problem.settings;
    Real scale = DrawingScaleFromShown(entry.unitSystem, shownScale);
    if (!UsableDrawingScale(scale)) return refuse(ScaleSizeField::Scale, "Value must be > 0");
    Real gridX = GridSpacingPixels(hGrid, scale);
    Real gridY = GridSpacingPixels(vGrid, scale);
    const Real toPix = PixelsPerDrawingUnit(entry.unitSystem);
    Real originX = x0 * toPix;
    Real originY = problem.view.refHeight - y0 * toPix;
    // A number shown and left as it was keeps its stored value exactly, so an OK without
    // edits moves and rescales nothing.
    const ScaleSizeEntry shown = ShownScaleAndSize(problem);
    if (entry.unitSystem == old.unitSystem && entry.lengthUnitIndex == old.lengthUnitIndex) {
        const bool sameScale = entry.scale == shown.scale;
        if (sameScale) scale = old.drawingScale;
        if (sameScale && entry.hGrid == shown.hGrid) gridX = old.gridSpacingX;
        if (sameScale && entry.vGrid == shown.vGrid) gridY = old.gridSpacingY;
        if (entry.x0 == shown.x0) originX = old.originX;
        if (entry.y0 == shown.y0) originY = old.originY;
    }

    // New positions: a changed origin moves the drawing, so problem coordinates stay.
    Moved m;
    const int nodeCount = problem.nodes.Count();
    const Real mx = originX - old.originX, my = originY - old.originY;
    for (int n = 1; n <= nodeCount; ++n) {
        m.x.push_back(problem.nodes[n].x + mx);
        m.y.push_back(problem.nodes[n].y + my);
    }
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[static_cast<std::size_t>(k)];
        m.labels.push_back({Whole(f.labelX + mx), Whole(f.labelY + my)});
    }
    for (const TextItem& t : problem.texts) {
        IntRect r = t.theRect;
        if (t.winNo < kFirstFixedTextWindow) MoveRect(r, Whole(mx), Whole(my));
        m.texts.push_back(r);
        m.fontSizes.push_back(t.fSize);
    }
    DrawingBox box = BoxOf(m, problem);

    if (entry.fitSize && nodeCount > 0) {
        const std::optional<Real> factor =
            FitToWindowFactor(box, client.width, client.height, client.share);
        if (factor) {
            const Real u = *factor;
            for (std::size_t i = 0; i < m.x.size(); ++i) {
                m.x[i] = (m.x[i] - originX) / u + originX;
                m.y[i] = (m.y[i] - originY) / u + originY;
            }
            for (PixelPoint& l : m.labels)
                l = {Whole((l.x - originX) / u + originX), Whole((l.y - originY) / u + originY)};
            scale *= u;
            gridX /= u;
            gridY /= u;
            std::size_t i = 0;
            for (const TextItem& t : problem.texts) {
                IntRect& r = m.texts[i];
                if (t.winNo < kFirstFixedTextWindow) {
                    m.fontSizes[i] = std::max<std::int32_t>(1, Whole(t.fSize / u));
                    r.left = Whole((r.left - originX) / u + originX);
                    r.top = Whole((r.top - originY) / u + originY);
                    const TextExtent e = metrics.Measure(
                        t.theText, t.fontName, static_cast<float>(m.fontSizes[i]), t.style);
                    r.right = r.left + Whole(e.width);
                    r.bottom = r.top + Whole(e.height);
                }
                ++i;
            }
            box = BoxOf(m, problem);
        }
    }
    Real dx = 0, dy = 0;
    if ((entry.center || entry.fitSize) && nodeCount > 0) {
        const std::optional<PixelShift> shift =
            CenteringShift(box, client.width, client.height - client.hBarHeight);
        if (!shift) return refuse(ScaleSizeField::DoesNotFit, "");
        dx = shift->dx;
        dy = shift->dy;
    }

    // Everything was accepted: store.
    if (!silent) SaveUndoSnapshot(problem, "Scale and Size");
    if (entry.unitSystem != old.unitSystem)
        ConvertUnitSystem(problem, old.unitSystem, entry.unitSystem);
    ProblemSettings& s = problem.settings;
    s.lengthUnitIndex = entry.lengthUnitIndex;
    s.drawingScale = scale;
    s.gridSpacingX = gridX;
    s.gridSpacingY = gridY;
    s.originX = originX + dx;
    s.originY = originY + dy;
    for (int n = 1; n <= nodeCount; ++n) {
        problem.nodes[n].x = m.x[static_cast<std::size_t>(n - 1)] + dx;
        problem.nodes[n].y = m.y[static_cast<std::size_t>(n - 1)] + dy;
    }
    for (int k = 1; k <= problem.frameCount; ++k) {
        Frame& f = problem.frames[static_cast<std::size_t>(k)];
        const PixelPoint& l = m.labels[static_cast<std::size_t>(k - 1)];
        f.labelX = l.x + Whole(dx);
        f.labelY = l.y + Whole(dy);
    }
    std::size_t i = 0;
    for (TextItem& t : problem.texts) {
        t.theRect = m.texts[i];
        t.fSize = m.fontSizes[i];
        if (t.winNo < kFirstFixedTextWindow) MoveRect(t.theRect, Whole(dx), Whole(dy));
        ++i;
    }
    // The pixel length before the frames, whose areas and volumes use it.
    problem.RecomputePixelLength();
    RebuildGeometry(problem);
    problem.resultsCurrent = false;
    s.problemSaved = false;
    return result;
}

bool SwitchGeometry(Problem& problem, bool cylindrical, Real screenFactor) {
    if (problem.settings.cylindrical == cylindrical) return false;
    if (cylindrical) {
        problem.SetCylindrical(true);
        problem.settings.displayAxes = true;
        if (problem.settings.originX == 0) {
            const Real shift = 36 / (screenFactor > 0 ? screenFactor : 1);
            problem.settings.originX = shift;
            for (int n = 1; n <= problem.nodes.Count(); ++n) problem.nodes[n].x += shift;
            for (int k = 1; k <= problem.frameCount; ++k)
                problem.frames[static_cast<std::size_t>(k)].labelX += Whole(shift);
        }
    } else {
        problem.SetCylindrical(false);
    }
    RebuildGeometry(problem);
    problem.resultsCurrent = false;
    problem.settings.problemSaved = false;
    return true;
}

void ApplySubjectChange(Problem& problem, ProbTypeA subject, bool keepGeometry) {
    problem.resultsCurrent = false;
    SetSubjectLabels(problem, subject, true);
    if (keepGeometry && problem.nodes.Count() > 0) {
        ClearSelection(problem);
        for (int k = 1; k <= problem.frameCount; ++k)
            problem.frames[static_cast<std::size_t>(k)].material = 0;
        problem.MarkProblemChanged();
    } else {
        problem.ProblemReset();
    }
    ClearDataFiles(problem);
}

}  // namespace kova
