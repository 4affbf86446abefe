#include "support/problem_builders.hpp"

#include <algorithm>
#include <stdexcept>

#include "model/subjects.hpp"
#include "units/unit_labels.hpp"

namespace kova::test {

int AddTestNode(Problem& problem, Real x, Real y) {
    const int n = problem.AddNode(x, y);
    if (n == 0) throw std::runtime_error("node table full");
    return n;
}

LineSegment& AddTestSegment(Problem& problem, int a, int b, int frameA, int frameB) {
    LineSegment* s = problem.NewLineSegment(problem.lines.Count() + 1);
    if (s == nullptr) throw std::runtime_error("no segment");
    s->node1 = std::min(a, b);
    s->node2 = std::max(a, b);
    s->frameA = frameA;
    s->frameB = frameB;
    return *s;
}

int AddTestFrame(Problem& problem, std::initializer_list<int> outline, int material,
                 FrameType type) {
    if (problem.frameCount >= kMaxFrames) throw std::runtime_error("frame table full");
    const int k = ++problem.frameCount;
    Frame& f = problem.frames[k];
    f = Frame{};
    f.vertices.assign(outline.begin(), outline.end());
    if (!f.vertices.empty()) f.vertices.push_back(f.vertices.front());
    f.outlineStart = f.vertices.empty() ? 0 : f.vertices.front();
    f.material = material;
    f.type = type;
    problem.UpdateFrameMeasures(k);
    return k;
}

int AddRectangleFrame(Problem& problem, Real left, Real top, Real right, Real bottom,
                      int material) {
    const int a = AddTestNode(problem, left, top);
    const int b = AddTestNode(problem, right, top);
    const int c = AddTestNode(problem, right, bottom);
    const int d = AddTestNode(problem, left, bottom);
    const int k = problem.frameCount + 1;
    AddTestSegment(problem, a, b, k, 0);
    AddTestSegment(problem, b, c, k, 0);
    AddTestSegment(problem, c, d, k, 0);
    AddTestSegment(problem, d, a, k, 0);
    return AddTestFrame(problem, {a, b, c, d}, material);
}

void RefreshGeometry(Problem& problem) {
    for (int k = 1; k <= problem.frameCount; ++k) problem.UpdateFrameMeasures(k);
    problem.UpdateAreaFactors();
}

namespace {

bool CompileText(BoundarySpec& spec) {
    if (spec.text.empty() || spec.text.find('!') != std::string::npos) return false;
    spec.compiled.fill(0);
    const std::size_t count = std::min<std::size_t>(spec.text.size(), kCompiledSize - 1);
    spec.compiled[0] = static_cast<Real>(count);
    for (std::size_t i = 0; i < count; ++i) {
        spec.compiled[i + 1] = static_cast<Real>(static_cast<unsigned char>(spec.text[i])) / 3.0L;
    }
    spec.constant = 0;
    spec.value = static_cast<Real>(spec.text.size());
    return true;
}

// A material property block holding a plain number.
BoundarySpec ConstantProperty(Real value, const std::string& text) {
    BoundarySpec spec;
    spec.kind = kSpecProperty;
    spec.constant = 1;
    spec.value = value;
    spec.text = text;
    return spec;
}

}  // namespace

bool StandInCompile(Problem&, BoundarySpec& spec) {
    return CompileText(spec);
}

void CompileWithStandIn(Problem& problem) {
    auto compile = [](BoundarySpec& spec) {
        if (spec.compiled[0] > 0) CompileText(spec);
    };
    for (int i = 1; i <= problem.specs.Count(); ++i) compile(problem.specs[i]);
    for (Material& m : problem.materials) {
        compile(m.density);
        compile(m.specificHeat);
        compile(m.conductivity);
        compile(m.perfusion);
    }
}

BoundarySpec StandInExpression(int kind, const std::string& text) {
    BoundarySpec spec;
    spec.kind = static_cast<std::uint8_t>(kind);
    spec.text = text;
    CompileText(spec);
    return spec;
}

std::vector<std::uint8_t> TestPictureBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 37 + 11) % 256);
    if (size >= 2) {
        bytes[0] = 'B';
        bytes[1] = 'M';
    }
    return bytes;
}

void BuildRichProblem(Problem& p) {
    p.ProblemReset();
    SetSubjectLabels(p, ProbTypeA::Bio, false);
    p.SetCylindrical(true);
    ProblemSettings& s = p.settings;
    s.transient = true;
    s.transMethod = TransMethodType::Euler;
    s.timeInHours = true;
    s.displayAxes = true;
    s.displayTemplate = true;
    s.displayPatterns = false;
    s.gridSpacingX = 40.0L;
    s.gridSpacingY = 96.0L / 2.54L;
    s.originX = 20.0L;
    s.originY = 400.25L;
    s.lengthUnitIndex = 3;
    s.drawingScale = 5.08L;
    p.RecomputePixelLength();
    s.contourScaleMin = 10.5L;
    s.contourScaleMax = 99.0L;
    s.gradientScaleMax = 1.0e-3L;
    s.transientStart = 0;
    s.transientStop = 3600.0L;
    s.transientStep = 0.1L;
    s.bandCount = 12;
    s.lineCount = 7;
    s.palette = 1;
    s.plot.nodeCount = 2;
    s.plot.nodes[0] = 1;
    s.plot.nodes[1] = 5;
    s.plot.yMin = -5.0L;
    s.plot.drawZeroLine = 1;
    s.plot.clearedOnOk = 1;
    s.plot.valueFormat = DecForm{1, 4};
    s.plot.timeFontSize = 12;

    // Two distributed squares side by side and a lumped square below them.
    const int a = AddTestNode(p, 50, 50);
    const int b = AddTestNode(p, 150.5L, 50);
    const int c = AddTestNode(p, 250, 50);
    const int d = AddTestNode(p, 250, 150);
    const int e = AddTestNode(p, 150.5L, 150);
    const int f = AddTestNode(p, 50, 150);
    const int g = AddTestNode(p, 250, 250);
    const int h = AddTestNode(p, 50, 250);
    const int inner = AddTestNode(p, 150, 200);  // inside the lump

    const int v37 = FindOrAddSpecValue(p, kSpecValue, 37.0L);
    const int flux = FindOrAddSpecValue(p, kSpecFlux, 250.0L);
    const int hCoef = p.specs.Append(StandInExpression(kSpecTransfer, "10+T/100"));
    const int ambient = FindOrAddSpecValue(p, kSpecValue, 20.0L);
    const int gen = p.specs.Append(StandInExpression(kSpecGeneration, "1E3*SIN(TIME)"));
    const int lumpValue = FindOrAddSpecValue(p, kSpecValue, 55.5L);

    p.nodes[a].valueSpec = static_cast<std::int16_t>(v37);
    p.nodes[f].valueSpec = static_cast<std::int16_t>(v37);
    p.nodes[b].initialValue = 30.0L;
    p.nodes[c].currentValue = 41.25L;

    AddTestSegment(p, a, b, 1, 0).valueSpec = v37;
    AddTestSegment(p, b, c, 2, 0).fluxSpec = flux;
    LineSegment& right = AddTestSegment(p, c, d, 2, 0);
    right.transferSpec = hCoef;
    right.ambientSpec = ambient;
    AddTestSegment(p, b, e, 1, 2);  // interface
    AddTestSegment(p, a, e, 1, 1);  // element line
    AddTestSegment(p, d, e, 2, 3);  // interface with the lump
    AddTestSegment(p, e, f, 1, 3);
    AddTestSegment(p, f, a, 1, 0).valueSpec = v37;
    AddTestSegment(p, d, g, 3, 0);
    AddTestSegment(p, g, h, 3, 0).lineFlow = 12.5L;
    AddTestSegment(p, h, f, 3, 0);
    AddTestSegment(p, e, inner, 3, 3);  // inside the lump

    const int f1 = AddTestFrame(p, {a, b, e, f}, 1);
    const int f2 = AddTestFrame(p, {b, c, d, e}, 2);
    const int f3 = AddTestFrame(p, {f, e, d, g, h}, 3, FrameType::Lumped);
    p.frames[f1].generationSpec = gen;
    p.frames[f2].balanceSelected = 1;
    Frame& lump = p.frames[f3];
    lump.lumpValueSpec = lumpValue;
    lump.lumpInitialValue = 60.0L;
    lump.labelX = 150;
    lump.labelY = 210;
    lump.lumpResult = 57.125L;
    lump.finThickness = 0.02L;
    lump.finTransferSpec = static_cast<std::int16_t>(hCoef);
    lump.finFluidSpec = static_cast<std::int16_t>(ambient);
    lump.finFluxSpec = static_cast<std::int16_t>(flux);

    Material& m1 = p.materials[1];
    m1.name = "Tissue \xC3\xA9t\xC3\xA9";  // "Tissue été"
    m1.fillPattern = 3;
    m1.colorGridIndex = 7;
    m1.color = 0x00336699;
    m1.conductivity = StandInExpression(kSpecProperty, "0.5+0.001*T");
    m1.density = ConstantProperty(1050.0L, "1050");
    m1.specificHeat = ConstantProperty(3600.0L, "3600");
    m1.perfusion = StandInExpression(kSpecProperty, "0.002*(1+T/40)");
    Material& m2 = p.materials[2];
    m2.name = "Bone";
    m2.anisotropic = 1;
    m2.kyOverKx = 2.5L;
    m2.conductivity = ConstantProperty(0.3L, "0.3");

    TextItem t1;
    t1.theText =
        "Temp\xC3\xA9rature 25 \xC2\xB0"
        "C \xE2\x82\xAC";  // "Température 25 °C €"
    t1.fontName = "Arial";
    t1.theRect = IntRect{10, 20, 110, 40};
    t1.color = 0x000000FF;
    t1.fSize = 12;
    t1.style = 0b0101;
    t1.orientation = OrientationType::Inclined;
    t1.angle = 30;
    t1.extra2 = -4;
    TextItem t2;
    t2.winNo = 3;
    t2.theText = "Lump A";
    t2.fontName = "Courier New";
    t2.mode = TextMode::opaq;
    t2.nt = 6;
    p.texts.push_back(t1);
    p.texts.push_back(t2);

    p.templatePicture.kind = 2;
    p.templatePicture.rect = IntRect{-5, 0, 300, 260};
    p.templatePicture.SetData(TestPictureBytes(333));

    p.singularPoints.push_back({2.5L, 1, c});
    p.singularPoints.push_back({-1.0L, 3, inner});
    p.bernoulliConstant = 101325.0L;
    p.blood.specificHeat = 3800.0L;

    p.ClassifyNodes();
    RefreshGeometry(p);
    CompileWithStandIn(p);

    // Groups refer to the numbers after classification.
    SelectionGroup points{SelectType::Points, {NumberItem(1), NumberItem(3)}};
    SelectionGroup bounds{SelectType::Bounds,
                          {SegmentItem(p.lines.AtPosition(2)), SegmentItem(p.lines.AtPosition(8))}};
    SelectionGroup frames{SelectType::Frames, {NumberItem(2), NumberItem(1)}};
    SelectionGroup lumps{SelectType::Lumps, {NumberItem(p.nodes.Count() + 3)}};
    p.groups = {points, bounds, frames, lumps};
}

}  // namespace kova::test
