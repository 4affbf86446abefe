#include "files/undo_snapshots.hpp"

#include <algorithm>
#include <cmath>

#include "files/byte_stream.hpp"
#include "files/problem_sections.hpp"
#include "geometry/frame_rebuild.hpp"
#include "geometry/region.hpp"

namespace kova {
namespace {

// The view record after the sections: the zoom and scroll the positions were stored in,
// and the settings that give the stored numbers their meaning (scale, origin, grid, unit
// system, length unit, temperature scale, and the values outside the sections that a
// change of unit system or temperature scale converts). Images without it (written
// before the record existed) are read as before: positions and settings stay.
constexpr std::int32_t kViewRecordTag = 0x5755564B;  // "KVUW"

struct SnapshotView {
    Real zoom = 1, scrollX = 0, scrollY = 0;
    Real drawingScale = 0, originX = 0, originY = 0, gridX = 0, gridY = 0;
    Unittype unitSystem = Unittype::SI;
    std::int32_t lengthUnitIndex = 0;
    bool absoluteTemperatures = false;
    Real contourScaleMin = 0, contourScaleMax = 0, bloodSpecificHeat = 0;
};

void WriteViewRecord(ByteWriter& out, const Problem& p) {
    const ProblemSettings& s = p.settings;
    out.I32(kViewRecordTag);
    for (const Real v : {p.view.zoom, p.view.scrollX, p.view.scrollY, s.drawingScale, s.originX,
                         s.originY, s.gridSpacingX, s.gridSpacingY})
        out.Ext(v);
    out.U8(static_cast<std::uint8_t>(s.unitSystem));
    out.I32(s.lengthUnitIndex);
    out.Bool(s.absoluteTemperatures);
    out.Ext(s.contourScaleMin);
    out.Ext(s.contourScaleMax);
    out.Ext(p.blood.specificHeat);
}

SnapshotView ReadViewRecord(ByteReader& in) {
    SnapshotView v;
    const std::size_t at = in.Offset();
    if (in.I32() != kViewRecordTag) in.FailAt(at, "unknown record after the template");
    for (Real* r : {&v.zoom, &v.scrollX, &v.scrollY, &v.drawingScale, &v.originX, &v.originY,
                    &v.gridX, &v.gridY})
        *r = in.Ext();
    const std::size_t unitAt = in.Offset();
    const std::uint8_t unit = in.U8();
    if (unit > static_cast<std::uint8_t>(Unittype::Eng)) in.FailAt(unitAt, "unknown unit system");
    v.unitSystem = static_cast<Unittype>(unit);
    v.lengthUnitIndex = in.I32();
    v.absoluteTemperatures = in.Bool();
    v.contourScaleMin = in.Ext();
    v.contourScaleMax = in.Ext();
    v.bloodSpecificHeat = in.Ext();
    if (!(v.zoom > 0) || !std::isfinite(static_cast<double>(v.zoom)))
        in.FailAt(at, "zoom factor not positive");
    return v;
}

// Moves every stored position from the view the snapshot was taken in into the current
// one: p = P·z − s in both, P being the position at normal size.
void MapIntoCurrentView(Problem& p, const SnapshotView& from) {
    const ViewState& to = p.view;
    if (from.zoom == to.zoom && from.scrollX == to.scrollX && from.scrollY == to.scrollY) return;
    const Real f = to.zoom / from.zoom;
    auto mapX = [&](Real x) { return (x + from.scrollX) * f - to.scrollX; };
    auto mapY = [&](Real y) { return (y + from.scrollY) * f - to.scrollY; };
    auto whole = [](Real v) { return RoundPixel(v); };
    for (int n = 1; n <= p.nodes.Count(); ++n) {
        p.nodes[n].x = mapX(p.nodes[n].x);
        p.nodes[n].y = mapY(p.nodes[n].y);
    }
    for (int k = 1; k <= p.frameCount; ++k) {
        Frame& fr = p.frames[static_cast<std::size_t>(k)];
        fr.labelX = whole(mapX(fr.labelX));
        fr.labelY = whole(mapY(fr.labelY));
    }
    // Texts of the drawing keep their size; those of the result windows do not move.
    for (TextItem& t : p.texts) {
        if (t.winNo >= kFirstFixedTextWindow) continue;
        const std::int32_t w = t.theRect.right - t.theRect.left;
        const std::int32_t h = t.theRect.bottom - t.theRect.top;
        t.theRect.left = whole(mapX(t.theRect.left));
        t.theRect.top = whole(mapY(t.theRect.top));
        t.theRect.right = t.theRect.left + w;
        t.theRect.bottom = t.theRect.top + h;
    }
    IntRect& r = p.templatePicture.rect;
    r = {whole(mapX(r.left)), whole(mapY(r.top)), whole(mapX(r.right)), whole(mapY(r.bottom))};
}

// Gives back the settings the snapshot's numbers were stored under. The pixel length is
// derived from them and the current zoom, never carried over, so it is not scaled twice.
void GiveBackSettings(Problem& p, const SnapshotView& v) {
    ProblemSettings& s = p.settings;
    const bool lengthChanged = s.drawingScale != v.drawingScale || s.unitSystem != v.unitSystem ||
                               s.lengthUnitIndex != v.lengthUnitIndex;
    s.drawingScale = v.drawingScale;
    s.originX = v.originX;
    s.originY = v.originY;
    s.gridSpacingX = v.gridX;
    s.gridSpacingY = v.gridY;
    s.unitSystem = v.unitSystem;
    s.lengthUnitIndex = v.lengthUnitIndex;
    s.absoluteTemperatures = v.absoluteTemperatures;
    s.contourScaleMin = v.contourScaleMin;
    s.contourScaleMax = v.contourScaleMax;
    p.blood.specificHeat = v.bloodSpecificHeat;
    if (lengthChanged) p.RecomputePixelLength();
}

}  // namespace

namespace {

std::vector<std::uint8_t> Encode(Problem& p, bool pictureBytes) {
    ByteWriter out;
    out.Int(p.nodes.Count());
    out.Int(p.settings.activeNodeCount);
    int lumps = 0;
    for (int k = 1; k <= p.frameCount; ++k) lumps += p.frames[k].IsLump();
    out.Int(lumps);
    WriteNodeRecords(out, p);
    WriteLineSection(out, p);
    WriteFrameSection(out, p);
    WriteSpecSection(out, p);
    WriteMaterialSection(out, p);
    WriteGroupSection(out, p);
    WriteTextSection(out, p);
    WriteTemplateSection(out, p, pictureBytes);
    WriteViewRecord(out, p);
    return out.Take();
}

}  // namespace

std::vector<std::uint8_t> EncodeUndoSnapshot(Problem& p) {
    return Encode(p, true);
}

UndoSnapshot MakeUndoSnapshot(Problem& p, const std::string& name) {
    const TemplatePicture::Bytes& picture = p.templatePicture.bytes;
    const bool share = p.templatePicture.Present();
    return UndoSnapshot{name, Encode(p, !share), share ? picture : nullptr};
}

void DecodeUndoSnapshot(Problem& p, const std::vector<std::uint8_t>& image,
                        const TemplatePicture::Bytes& picture) {
    ByteReader in(image);
    SectionReadContext context;
    const std::int32_t n = in.Int();
    const std::size_t activeAt = in.Offset();
    const std::int32_t active = in.Int();
    (void)in.Int();  // lump count: derived from the frames
    // Everything that refers to segments or nodes of the current state goes first.
    p.selection.items.clear();
    p.selection.state = SelectType::None;
    p.groups.clear();
    p.lines.Clear();
    p.texts.clear();
    ReadNodeRecords(in, p, n, false, context);
    if (active < 0 || active > n) in.FailAt(activeAt, "active node count beyond the nodes");
    p.settings.activeNodeCount = active;
    ReadLineSection(in, p, context);
    ReadFrameSection(in, p, context);
    context.CheckFrames(p.frameCount);
    ReadSpecSection(in, p, true);
    context.CheckSpecs(p.specs.Count());
    ReadMaterialSection(in, p);
    ReadGroupSection(in, p);
    ReadTextSection(in, p);
    ReadTemplateSection(in, p, picture);
    if (!in.AtEnd()) {
        const SnapshotView view = ReadViewRecord(in);
        MapIntoCurrentView(p, view);
        GiveBackSettings(p, view);
    }
    // Frame areas and volumes are measured with the pixel length given back above.
    RebuildLoadedGeometry(p);
    // Singular points are not part of a snapshot; one whose node no longer exists would
    // point outside the node table.
    std::erase_if(p.singularPoints,
                  [n](const SingularPoint& sp) { return sp.node < 1 || sp.node > n; });
}

void SaveUndoSnapshot(Problem& p, const std::string& name) {
    UndoSnapshot snapshot = MakeUndoSnapshot(p, name);
    while (p.undoList.size() >= kMaxUndoSnapshots) p.undoList.pop_front();
    p.undoList.push_back(std::move(snapshot));
}

bool RestoreUndoSnapshot(Problem& p, bool drop) {
    if (p.undoList.empty()) return false;
    p.MarkProblemChanged();
    DecodeUndoSnapshot(p, p.undoList.back().image, p.undoList.back().picture);
    if (drop) p.undoList.pop_back();
    return true;
}

std::string UndoCaption(const Problem& p) {
    return p.undoList.empty() ? "Undo" : "Undo " + p.undoList.back().name;
}

}  // namespace kova
