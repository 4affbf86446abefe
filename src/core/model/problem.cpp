#include "model/problem.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "model/length_units.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"

namespace kova {

Problem::Problem() {
    StartupDefaults();
}

void Problem::StartupDefaults() {
    settings.subject = ProbTypeA::HeatTrans;
    for (Frame& f : frames) f = Frame{};
    frames[0].type = FrameType::fluid;
    frameCount = 0;
    for (Material& m : materials) m = Material{};
    settings.unitSystem = Unittype::SI;
    settings.timeInHours = false;
    settings.displayGrid = false;
    // The unit system is SI, the library's own, and the pixel length follows below.
    ApplySubject(*this, ProbTypeA::HeatTrans, true);
    settings.lengthUnitIndex = 2;
    settings.drawingScale = 2.54L;
    settings.gridSpacingX = settings.gridSpacingY = 96.0L / 2.54L;
    settings.transient = false;
    settings.absoluteTemperatures = false;
    settings.transMethod = TransMethodType::CrankN;
    resultsCurrent = false;
    nodes.Reallocate(kNodeLimit);
    specs.Clear();
    templatePicture = TemplatePicture{};
    undoList.clear();
    ProblemReset();
}

void Problem::ProblemReset() {
    // 1. Mark the problem changed.
    MarkProblemChanged();

    // 2. Frames 1..60 become empty distributed frames.
    for (int k = 1; k <= kMaxFrames; ++k) {
        Frame& f = frames[k];
        f = Frame{};
        f.finThickness = 0.01L;
    }

    // 3. Every node slot's values (positions stay); 4. the tables are emptied.
    nodes.Reset();
    lines.Clear();
    specs.Clear();
    texts.clear();
    groups.clear();
    frameCount = 0;
    settings.activeNodeCount = 0;

    // 5. Display flags and the selection.
    settings.displayGrid = true;
    settings.displayNodes = true;
    settings.displayElementLines = true;
    settings.displayPatterns = true;
    settings.displayBoundaryConditions = true;
    settings.displayAxes = false;
    settings.displayTemplate = false;
    settings.displayReserved = 0;
    selection.items.clear();
    selection.state = SelectType::None;

    // 6. Run settings and scales.
    settings.transientStart = settings.transientStop = settings.transientStep = 0;
    settings.transient = false;
    SetCylindrical(false);
    settings.transMethod = TransMethodType::CrankN;
    settings.contourScaleMin = settings.contourScaleMax = kUnspecified;
    settings.gradientScaleMin = settings.gradientScaleMax = kUnspecified;
    settings.plotScaleMin = settings.plotScaleMax = kUnspecified;
    settings.bandCount = 10;
    settings.lineCount = 10;
    settings.palette = 2;
    settings.plot = PlotSettings{};
    settings.problemSaved = false;

    // 7. Origin, zoom, pixel length and template.
    settings.originX = 0;
    settings.originY = view.refHeight;
    view.zoom = 1.0L;
    RecomputePixelLength();
    templatePicture = TemplatePicture{};

    // 8. Blood settings: body temperature in the current scale; singular points.
    Real bodyTemperature;
    const bool si = settings.unitSystem == Unittype::SI;
    if (settings.absoluteTemperatures) {
        // 98.6 F on the Rankine scale with the program's offset of 460.
        bodyTemperature = si ? 310.15L : 558.6L;
    } else {
        bodyTemperature = si ? 37.0L : 98.6L;
    }
    blood.arterialSpec = FindOrAddSpecValue(*this, kSpecValue, bodyTemperature);
    blood.specificHeat = si ? 4200.0L : 1.0L;
    bernoulliConstant = 0;
    singularPoints.clear();

    // 9. The undo list.
    undoList.clear();
}

void Problem::MarkProblemChanged() {
    settings.problemSaved = false;
    resultsCurrent = false;
}

int Problem::AddNode(Real x, Real y) {
    const int n = nodes.Add(x, y);
    if (n == 0) {
        errorCode = MessageNumber(MessageId::InsufficientMemory);
        reporter().ShowError(GetMessage(MessageId::InsufficientMemory));
    }
    return n;
}

LineSegment* Problem::NewLineSegment(int number) {
    try {
        return &lines.Append(number);
    } catch (const std::bad_alloc&) {
        reporter().ShowError(std::string(kMsgNoMemoryForLine));
        return nullptr;
    }
}

LineSegment* Problem::AddLineSegment(int a, int b, int frameA, int frameB) {
    if (a == b || !nodes.Valid(a) || !nodes.Valid(b)) return nullptr;
    LineSegment* s = NewLineSegment(lines.Count() + 1);
    if (s == nullptr) return nullptr;
    s->node1 = std::min(a, b);
    s->node2 = std::max(a, b);
    s->frameA = frameA;
    s->frameB = frameB;
    s->active = 1;
    s->valueSpec = s->fluxSpec = s->transferSpec = s->ambientSpec = 0;
    s->areaFactor = AreaFactor(*s);
    return s;
}

bool Problem::RemoveLineSegment(const LineSegment* segment) {
    if (segment == nullptr || !lines.Contains(segment)) return false;
    auto refersTo = [segment](const SelectRec& r) { return r.segment == segment; };
    std::erase_if(selection.items, refersTo);
    for (SelectionGroup& g : groups) std::erase_if(g.items, refersTo);
    return lines.Remove(segment);
}

void Problem::ClassifyNodes() {
    // 1. Lump letters in frame order.
    int letter = 'A';
    for (int k = 1; k <= frameCount; ++k) {
        Frame& f = frames[k];
        f.lumpLetter = f.type != FrameType::Distributed ? letter++ : 0;
    }

    // 2. A node is active when it ends a segment bordering distributed material.
    const int n = nodes.Count();
    for (int i = 1; i <= n; ++i) nodes[i].active = 0;
    for (LineSegment& s : lines) {
        if (!FrameIsDistributed(s.frameA) && !FrameIsDistributed(s.frameB)) continue;
        if (nodes.Valid(s.node1)) nodes[s.node1].active = 1;
        if (nodes.Valid(s.node2)) nodes[s.node2].active = 1;
    }

    // 3. Move every inactive node behind the active ones: the first inactive node changes
    // places with the last node still counted active. The exchanges are collected in a
    // permutation and every reference is renumbered once at the end.
    std::vector<std::int32_t> oldAt(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) oldAt[static_cast<std::size_t>(i)] = i;
    int activeCount = n;
    int i = 1;
    while (i <= activeCount) {
        if (nodes[i].active != 0) {
            ++i;
            continue;
        }
        if (i != activeCount) {
            nodes.Swap(i, activeCount);
            std::swap(oldAt[static_cast<std::size_t>(i)],
                      oldAt[static_cast<std::size_t>(activeCount)]);
        }
        --activeCount;
    }
    settings.activeNodeCount = activeCount;
    std::vector<std::int32_t> newNumber(static_cast<std::size_t>(n) + 1, 0);
    for (int p = 0; p <= n; ++p)
        newNumber[static_cast<std::size_t>(oldAt[static_cast<std::size_t>(p)])] = p;
    RenumberNodes(newNumber);

    // 4. Segments inside one lump carry no unknowns.
    for (LineSegment& s : lines) {
        const bool insideOneLump =
            s.frameA == s.frameB && ValidFrame(s.frameA) && frames[s.frameA].IsLump();
        s.active = insideOneLump ? 0 : 1;
    }
}

void Problem::RenumberNodes(const std::vector<std::int32_t>& newNumber) {
    const int n = static_cast<int>(newNumber.size()) - 1;
    auto map = [&](std::int32_t& ref) {
        if (ref >= 1 && ref <= n) ref = newNumber[static_cast<std::size_t>(ref)];
    };
    for (LineSegment& s : lines) {
        map(s.node1);
        map(s.node2);
        if (s.node1 > s.node2) std::swap(s.node1, s.node2);
    }
    for (int k = 1; k <= frameCount; ++k) {
        Frame& f = frames[k];
        for (std::int32_t& v : f.vertices) map(v);
        map(f.outlineStart);
    }
    // References the outline walk does not own but that would otherwise point at another
    // node after the exchange: singular points, node selections and groups, plotted nodes.
    for (SingularPoint& p : singularPoints) map(p.node);
    if (HoldsNodes(selection.state))
        for (SelectRec& r : selection.items) map(r.selectNo);
    for (SelectionGroup& g : groups)
        if (HoldsNodes(g.kind))
            for (SelectRec& r : g.items) map(r.selectNo);
    const int plotted = std::clamp(settings.plot.nodeCount, 0, 15);
    for (int k = 0; k < plotted; ++k) map(settings.plot.nodes[static_cast<std::size_t>(k)]);
}

void Problem::UpdateFrameMeasures(int k) {
    Frame* f = FrameAt(k);
    if (f == nullptr) return;
    f->pixelPolygon.clear();
    f->area = 0;
    f->volume = 0;
    f->bounds = IntRect{};
    const bool allValid = std::all_of(f->vertices.begin(), f->vertices.end(),
                                      [this](std::int32_t v) { return nodes.Valid(v); });
    if (!allValid) {
        f->pixelPolygonSize = 0;
        UpdateFrameDrawOrder();
        return;
    }
    for (std::int32_t v : f->vertices) {
        const Node& node = nodes[v];
        f->pixelPolygon.push_back({static_cast<std::int32_t>(RoundHalfEven(node.x)),
                                   static_cast<std::int32_t>(RoundHalfEven(node.y))});
    }
    f->pixelPolygonSize = static_cast<std::int32_t>(8 * f->pixelPolygon.size());
    if (!f->pixelPolygon.empty()) {
        IntRect r{f->pixelPolygon[0].x, f->pixelPolygon[0].y, f->pixelPolygon[0].x,
                  f->pixelPolygon[0].y};
        for (const PixelPoint& p : f->pixelPolygon) {
            r.left = std::min(r.left, p.x);
            r.top = std::min(r.top, p.y);
            r.right = std::max(r.right, p.x);
            r.bottom = std::max(r.bottom, p.y);
        }
        f->bounds = r;
    }

    const Real pl = settings.pixelLength;
    const std::size_t vCount = f->vertices.size();
    if (vCount >= 2) {
        Real twiceArea = 0;
        Real volumeSum = 0;
        for (std::size_t j = 0; j + 1 < vCount; ++j) {
            const Node& a = nodes[f->vertices[j]];
            const Node& b = nodes[f->vertices[j + 1]];
            twiceArea += a.x * b.y - b.x * a.y;
            const Real r0 = RadiusPixels(a.x);
            const Real r1 = RadiusPixels(b.x);
            if (r0 != r1) {
                volumeSum += (b.y - a.y) / 6.0L * (r1 * r1 + r1 * r0 + r0 * r0);
            } else {
                volumeSum += r1 * r1 * (b.y - a.y) / 2.0L;
            }
        }
        f->area = std::fabs(twiceArea / 2.0L) * pl * pl;
        f->volume = std::fabs(volumeSum) * 2.0L * std::numbers::pi_v<Real> * pl * pl * pl;
    }
    UpdateFrameDrawOrder();
}

void Problem::UpdateFrameDrawOrder() {
    std::array<bool, kFrameSlots> picked{};
    settings.frameDrawOrder.fill(0);
    for (int slot = 0; slot < frameCount; ++slot) {
        int best = 0;
        long long bestArea = 0;
        for (int k = 1; k <= frameCount; ++k) {
            if (picked[static_cast<std::size_t>(k)]) continue;
            const IntRect& r = frames[k].bounds;
            const long long area = static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
            if (best == 0 || area > bestArea) {
                best = k;
                bestArea = area;
            }
        }
        picked[static_cast<std::size_t>(best)] = true;
        settings.frameDrawOrder[static_cast<std::size_t>(slot)] = best;
    }
}

Real Problem::AreaFactor(const LineSegment& segment) const {
    if (!settings.cylindrical) return 1.0L;
    if (!nodes.Valid(segment.node1) || !nodes.Valid(segment.node2)) return 0;
    const Node& a = nodes[segment.node2];
    const Node& b = nodes[segment.node1];
    const Real ra = RadiusPixels(a.x);
    const Real rb = RadiusPixels(b.x);
    const Real rMin = std::min(ra, rb);
    const Real rMax = std::max(ra, rb);
    const Real d = std::hypot(b.x - a.x, b.y - a.y);
    if (!(d > 0)) return 0;
    const Real radial = std::hypot(rMax - rMin, b.y - a.y);
    return radial * std::numbers::pi_v<Real> * (rMin + rMax) / d * settings.pixelLength;
}

void Problem::UpdateAreaFactors() {
    for (LineSegment& s : lines) s.areaFactor = AreaFactor(s);
}

void Problem::RecomputePixelLength() {
    const Real zoom = view.zoom > 0 ? view.zoom : 1.0L;
    settings.pixelLength = settings.drawingScale / 96.0L *
                           LengthFactor(settings.unitSystem, settings.lengthUnitIndex) / zoom;
}

void Problem::SetCylindrical(bool cylindrical) {
    settings.cylindrical = cylindrical;
    settings.axisLetters =
        cylindrical ? std::array<char, 2>{'R', 'Z'} : std::array<char, 2>{'X', 'Y'};
}

Frame* Problem::FrameAt(int k) {
    return k >= 0 && k <= frameCount ? &frames[k] : nullptr;
}

const Frame* Problem::FrameAt(int k) const {
    return k >= 0 && k <= frameCount ? &frames[k] : nullptr;
}

Material* Problem::MaterialAt(int m) {
    return m >= 0 && m <= kMaterialCount ? &materials[static_cast<std::size_t>(m)] : nullptr;
}

const Material* Problem::MaterialAt(int m) const {
    return m >= 0 && m <= kMaterialCount ? &materials[static_cast<std::size_t>(m)] : nullptr;
}

int FindOrAddSpecValue(Problem& problem, int kind, Real value) {
    problem.errorCode = 0;
    if (value == kUnspecified) return 0;
    if (const int found = problem.specs.FindConstant(kind, value)) return found;
    BoundarySpec spec;
    spec.kind = static_cast<std::uint8_t>(kind);
    spec.constant = 1;
    spec.value = value;
    spec.text = FormatGeneral(value, 4);
    if (problem.specs.Full()) {
        problem.errorCode = MessageNumber(MessageId::SpecificationLimit);
        problem.reporter().ShowError(std::string(kMsgSpecTableFull));
        return 0;
    }
    try {
        return problem.specs.Append(spec);
    } catch (const std::bad_alloc&) {
        problem.errorCode = MessageNumber(MessageId::NotEnoughMemory);
        problem.reporter().ShowError(std::string(kMsgSpecAllocationFailed));
        return 0;
    }
}

}  // namespace kova
