#include "files/problem_sections.hpp"

#include <cmath>
#include <string>
#include <unordered_map>

#include "files/record_codec.hpp"

namespace kova {
namespace {

// Node positions are rounded to whole pixels for the frame polygons, whose extents and
// differences are 32-bit integers. A position further out than a billion pixels (or not a
// number) cannot be drawn; no drawing comes near it even while zoomed.
constexpr Real kMaxPixelCoordinate = 1.0e9L;

bool IsPixelCoordinate(Real v) {
    return std::isfinite(v) && std::fabs(v) <= kMaxPixelCoordinate;
}

bool IsLineKind(SelectType kind) {
    return kind == SelectType::Lines || kind == SelectType::Bounds || kind == SelectType::Flow;
}

}  // namespace

void SectionReadContext::CheckSpecs(int specCount) const {
    for (const Ref& r : m_specRefs) {
        if (r.number < 0 || r.number > specCount) {
            throw FileFormatError(r.offset, "specification number outside the table");
        }
    }
}

void SectionReadContext::CheckFrames(int frameCount) const {
    for (const Ref& r : m_frameRefs) {
        if (r.number < 0 || r.number > frameCount) {
            throw FileFormatError(r.offset, "frame number outside the table");
        }
    }
}

void WriteNodeRecords(ByteWriter& out, const Problem& problem) {
    for (int i = 1; i <= problem.nodes.Count(); ++i) WriteNode(out, problem.nodes[i]);
}

void ReadNodeRecords(ByteReader& in, Problem& problem, std::int32_t n, bool freshTable,
                     SectionReadContext& context) {
    in.CheckCount(n, kNodeRecordSize, "node count");
    NodeTable& nodes = problem.nodes;
    if (n > nodes.Capacity()) {
        const bool ok = freshTable ? nodes.Reallocate(n + 50) : nodes.Reserve(n);
        if (!ok) {
            throw FileFormatError(in.Offset(), "node table cannot be enlarged",
                                  FileFormatError::Kind::NodeTableAllocation);
        }
    }
    nodes.SetCount(0);
    for (int i = 1; i <= n; ++i) {
        const std::size_t at = in.Offset();
        const Node node = ReadNode(in);
        if (!IsPixelCoordinate(node.x) || !IsPixelCoordinate(node.y)) {
            in.FailAt(at, "node position is not a drawing position");
        }
        context.ExpectSpec(at, node.valueSpec);
        nodes.Slot(i) = node;
    }
    nodes.SetCount(n);
}

void WriteLineSection(ByteWriter& out, Problem& problem) {
    problem.lines.Renumber();
    out.Int(problem.lines.Count());
    for (const LineSegment& s : problem.lines) WriteLineSegment(out, s);
}

void ReadLineSection(ByteReader& in, Problem& problem, SectionReadContext& context) {
    const std::int32_t count = in.Int();
    in.CheckCount(count, LineRecordSize(in.Width()), "line segment count");
    const int n = problem.nodes.Count();
    for (int i = 1; i <= count; ++i) {
        const std::size_t at = in.Offset();
        LineSegment& s = problem.lines.Append(i);
        ReadLineSegment(in, s);
        if (s.node1 < 1 || s.node1 > n || s.node2 < 1 || s.node2 > n) {
            in.FailAt(at, "line segment ends outside the node table");
        }
        context.ExpectFrame(at, s.frameA);
        context.ExpectFrame(at, s.frameB);
        context.ExpectSpec(at, s.valueSpec);
        context.ExpectSpec(at, s.fluxSpec);
        context.ExpectSpec(at, s.transferSpec);
        context.ExpectSpec(at, s.ambientSpec);
    }
}

void WriteFrameSection(ByteWriter& out, const Problem& problem) {
    out.Int(problem.frameCount);
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[k];
        WriteFrameRecord(out, f);
        for (std::int32_t v : f.vertices) out.Int(v);
    }
}

void ReadFrameSection(ByteReader& in, Problem& problem, SectionReadContext& context) {
    const std::size_t countAt = in.Offset();
    const std::int32_t count = in.Int();
    if (count > kMaxFrames) in.FailAt(countAt, "more frames than the frame table holds");
    in.CheckCount(count, FrameRecordSize(in.Width()), "frame count");
    const int n = problem.nodes.Count();
    const std::int64_t segments = problem.lines.Count();
    std::int64_t edgesLeft = 2 * segments;  // outline edges all frames may still have
    problem.frameCount = 0;
    for (int k = 1; k <= kMaxFrames; ++k) {
        Frame& f = problem.frames[k];
        f = Frame{};
        if (k > count) continue;
        const std::size_t at = in.Offset();
        const std::int32_t vertexCount = ReadFrameRecord(in, f);
        if (f.outlineStart != -999 && (f.outlineStart < 0 || f.outlineStart > n)) {
            in.FailAt(at, "outline start outside the node table");
        }
        if (f.material < 0 || f.material > kMaterialCount) {
            in.FailAt(at, "material number outside the material table");
        }
        context.ExpectSpec(at, f.generationSpec);
        context.ExpectSpec(at, f.lumpValueSpec);
        context.ExpectSpec(at, f.finTransferSpec);
        context.ExpectSpec(at, f.finFluidSpec);
        context.ExpectSpec(at, f.finFluxSpec);
        in.CheckCount(vertexCount, in.IntSize(), "vertex count");
        if (context.limitOutlinesToSegments && vertexCount > 0) {
            edgesLeft -= vertexCount - 1;
            if (vertexCount - 1 > segments || edgesLeft < 0) {
                in.FailAt(at, "outline longer than the segments allow");
            }
        }
        f.vertices.resize(static_cast<std::size_t>(vertexCount));
        for (std::int32_t& v : f.vertices) {
            const std::size_t vertexAt = in.Offset();
            v = in.Int();
            if (v < 1 || v > n) in.FailAt(vertexAt, "outline vertex outside the node table");
        }
        // The handles and the polygon are rebuilt from the vertex list.
        f.region = Region{};
        f.pixelPolygon.clear();
        f.pixelPolygonSize = 0;
    }
    problem.frameCount = count;
}

void WriteSpecSection(ByteWriter& out, const Problem& problem) {
    out.Int(problem.specs.Count());
    for (const BoundarySpec& s : problem.specs.Entries()) WriteBoundarySpec(out, s);
}

void ReadSpecSection(ByteReader& in, Problem& problem, bool keepEntriesBeyond) {
    const std::size_t countAt = in.Offset();
    const std::int32_t count = in.Int();
    if (count > kMaxSpecs) in.FailAt(countAt, "more specifications than the table holds");
    in.CheckCount(count, kSpecRecordSize, "specification count");
    std::vector<BoundarySpec> kept;
    if (keepEntriesBeyond) {
        const auto& entries = problem.specs.Entries();
        if (entries.size() > static_cast<std::size_t>(count)) {
            kept.assign(entries.begin() + count, entries.end());
        }
    }
    problem.specs.Clear();
    for (int i = 0; i < count; ++i) problem.specs.Append(ReadBoundarySpec(in));
    for (const BoundarySpec& s : kept) problem.specs.Append(s);
}

void WriteMaterialSection(ByteWriter& out, const Problem& problem) {
    out.Int(kMaterialCount);
    for (int m = 1; m <= kMaterialCount; ++m) {
        WriteMaterial(out, problem.materials[static_cast<std::size_t>(m)]);
    }
}

void ReadMaterialSection(ByteReader& in, Problem& problem) {
    (void)in.Int();  // always 20 materials, whatever the count says
    in.CheckCount(kMaterialCount, kMaterialRecordSize, "materials");
    for (int m = 1; m <= kMaterialCount; ++m) {
        ReadMaterial(in, problem.materials[static_cast<std::size_t>(m)]);
    }
}

void WriteTextSection(ByteWriter& out, const Problem& problem) {
    out.Int(static_cast<std::int32_t>(problem.texts.size()));
    for (const TextItem& t : problem.texts) WriteTextItem(out, t);
}

void ReadTextSection(ByteReader& in, Problem& problem) {
    const std::int32_t count = in.Int();
    in.CheckCount(count, TextRecordSize(in.Width()), "text item count");
    for (int i = 0; i < count; ++i) {
        TextItem t = ReadTextItem(in);
        t.selected = 0;
        problem.texts.push_back(std::move(t));
    }
}

void WriteTemplateSection(ByteWriter& out, const Problem& problem, bool withBytes) {
    const TemplatePicture& t = problem.templatePicture;
    out.I32(static_cast<std::int32_t>(t.Data().size()));
    if (!t.Present()) return;
    out.Int(t.kind);
    out.I32(t.rect.left);
    out.I32(t.rect.top);
    out.I32(t.rect.right);
    out.I32(t.rect.bottom);
    if (withBytes) out.Bytes(t.Data());
}

void ReadTemplateSection(ByteReader& in, Problem& problem, const TemplatePicture::Bytes& shared) {
    TemplatePicture& t = problem.templatePicture;
    t = TemplatePicture{};
    const std::int32_t size = in.I32();
    const bool bytesLeftOut =
        shared && size > 0 && shared->size() == static_cast<std::size_t>(size);
    if (!bytesLeftOut) in.CheckCount(size, 1, "template picture size");
    if (size == 0) return;
    const std::size_t kindAt = in.Offset();
    const std::int32_t kind = in.Int();
    if (kind != 1 && kind != 2) in.FailAt(kindAt, "unknown template picture kind");
    IntRect r;
    r.left = in.I32();
    r.top = in.I32();
    r.right = in.I32();
    r.bottom = in.I32();
    t.kind = kind;
    t.rect = r;
    if (bytesLeftOut) {
        t.bytes = shared;
        return;
    }
    const auto data = in.Bytes(static_cast<std::size_t>(size));
    t.SetData(std::vector<std::uint8_t>(data.begin(), data.end()));
}

void WriteGroupSection(ByteWriter& out, const Problem& problem) {
    out.Int(static_cast<std::int32_t>(problem.groups.size()));
    for (const SelectionGroup& g : problem.groups) {
        out.U8(static_cast<std::uint8_t>(g.kind));
        out.Int(static_cast<std::int32_t>(g.items.size()));
        const bool lineItems = IsLineKind(g.kind);
        for (const SelectRec& r : g.items) {
            if (lineItems) {
                out.Int(r.segment != nullptr ? r.segment->number : 0);
            } else {
                out.Int(r.selectNo);
            }
        }
    }
}

void ReadGroupSection(ByteReader& in, Problem& problem) {
    const std::int32_t count = in.Int();
    in.CheckCount(count, 1 + in.IntSize(), "group count");
    // The segments by their own number, the first of equal numbers winning: made when
    // the first group of segments is met (most files have none), by position for the
    // numbers 1..L a saved file holds and in a map for any other.
    bool indexed = false;
    std::vector<LineSegment*> byPosition;
    std::unordered_map<std::int32_t, LineSegment*> byNumber;
    const auto segment = [&](std::int32_t number) -> LineSegment* {
        if (!indexed) {
            indexed = true;
            byPosition.assign(static_cast<std::size_t>(problem.lines.Count()) + 1, nullptr);
            for (LineSegment& s : problem.lines) {
                if (s.number >= 1 && s.number < static_cast<std::int32_t>(byPosition.size())) {
                    LineSegment*& slot = byPosition[static_cast<std::size_t>(s.number)];
                    if (slot == nullptr) slot = &s;
                } else {
                    byNumber.try_emplace(s.number, &s);
                }
            }
        }
        if (number >= 1 && number < static_cast<std::int32_t>(byPosition.size()))
            return byPosition[static_cast<std::size_t>(number)];
        const auto it = byNumber.find(number);
        return it == byNumber.end() ? nullptr : it->second;
    };
    const int n = problem.nodes.Count();
    const int f = problem.frameCount;
    for (int g = 0; g < count; ++g) {
        const std::size_t kindAt = in.Offset();
        const std::uint8_t kindByte = in.U8();
        if (kindByte >= kSelectTypeCount) in.FailAt(kindAt, "unknown group kind");
        SelectionGroup group;
        group.kind = static_cast<SelectType>(kindByte);
        const std::int32_t items = in.Int();
        in.CheckCount(items, in.IntSize(), "group item count");
        group.items.reserve(static_cast<std::size_t>(items));
        // The range of the numbers a kind names; other kinds hold no numbered items.
        bool checked = true;
        int low = 1;
        int high = 0;
        switch (group.kind) {
            case SelectType::Frames:
                high = f;
                break;
            case SelectType::Lumps:
                low = n + 1, high = n + f;
                break;
            case SelectType::Points:
            case SelectType::Nodal:
                high = n + f;
                break;
            default:
                checked = false;
                break;
        }
        for (int i = 0; i < items; ++i) {
            const std::size_t at = in.Offset();
            const std::int32_t number = in.Int();
            if (IsLineKind(group.kind)) {
                LineSegment* s = segment(number);
                group.items.push_back(s == nullptr ? SelectRec{} : SegmentItem(s));
                continue;
            }
            if (checked && (number < low || number > high)) {
                in.FailAt(at, "group item outside its table");
            }
            group.items.push_back(NumberItem(number));
        }
        problem.groups.push_back(std::move(group));
    }
}

}  // namespace kova
