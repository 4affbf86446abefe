#include "files/undo_snapshots.hpp"

#include <algorithm>

#include "files/byte_stream.hpp"
#include "files/problem_sections.hpp"
#include "geometry/frame_rebuild.hpp"

namespace kova {

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
