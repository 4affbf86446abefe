// The result dialogs' OK and time rules without a window: refused fields change
// nothing, the typed time picks the right stored level after a run with uneven steps.
#include <gtest/gtest.h>

#include "results/result_dialogs.hpp"
#include "support/mesh_builder.hpp"

namespace kova::test {
namespace {

struct Field : NumberField {
    explicit Field(std::string t) : text(std::move(t)) {}
    std::string Text() const override { return text; }
    void SelectAllAndFocus() override { ++selected; }
    std::string text;
    int selected = 0;
};

TEST(ContourDialog, OkTakesTheFieldsAndRefusalsChangeNothing) {
    RecordingReporter reporter;
    ContourSettings s;
    ContourDialogFields f;
    f.kind = ContourKind::Lines;
    f.lineCount = 7;
    f.bandCount = 33;  // not taken for lines
    Field low("junk"), high("5");
    EXPECT_EQ(ContourDialogOk(s, f, low, high, reporter), DialogRefusal::Minimum);
    EXPECT_EQ(low.selected, 1);
    EXPECT_EQ(s.scaleMin, kScaleUnset);
    low.text = "10";  // crossed ends
    EXPECT_EQ(ContourDialogOk(s, f, low, high, reporter), DialogRefusal::Maximum);
    EXPECT_EQ(high.selected, 1);
    EXPECT_EQ(s.scaleMax, kScaleUnset);
    f.timeOk = false;
    high.text = "20";
    EXPECT_EQ(ContourDialogOk(s, f, low, high, reporter), DialogRefusal::Time);
    f.timeOk = true;
    f.startToStop = true;
    ASSERT_EQ(ContourDialogOk(s, f, low, high, reporter), DialogRefusal::None);
    EXPECT_EQ(s.scaleMin, 10);
    EXPECT_EQ(s.scaleMax, 20);
    EXPECT_EQ(s.lineCount, 7);
    EXPECT_EQ(s.bandCount, 10);
    EXPECT_FALSE(s.autoScale);
    EXPECT_TRUE(s.runSequence);
}

TEST(GradientDialog, OkAndTheTemperatureChoiceOnlyWhereItIsShown) {
    RecordingReporter reporter;
    GradientSettings g;
    ContourSettings c;
    bool autoScale = true;
    GradientDialogFields f;
    f.userCaption = false;
    f.gradientTypeShown = false;
    f.temperatureChecked = false;
    Field low("1"), high("1");
    EXPECT_EQ(GradientDialogOk(g, c, autoScale, f, low, high, reporter), DialogRefusal::Maximum);
    high.text = "3";
    ASSERT_EQ(GradientDialogOk(g, c, autoScale, f, low, high, reporter), DialogRefusal::None);
    EXPECT_TRUE(g.temperatureGradient);
    EXPECT_TRUE(autoScale);
    EXPECT_EQ(g.fluxScaleMax, 3);
}

// The previews follow the bars: the black shaft is the arrow length and ends 5 pixels
// inside the bar; one upward arrow per spacing from the bar's left end to its right end.
TEST(GradientDialog, PreviewsDrawTheLengthAndTheSpacing) {
    const PreviewBar bar{10, 100, 200};
    const Rgb face{240, 240, 240};
    const DrawList length = ArrowLengthPreview(bar, 60, face);
    // Separate segments are stored in pairs of points, one item per pen.
    auto segments = [](const DrawList& list, Rgb colour) {
        std::vector<std::pair<DrawPoint, DrawPoint>> out;
        for (const Primitive& item : list.items) {
            if (item.kind != PrimitiveKind::Lines || item.pen.color != colour) continue;
            const auto pts = list.PointsOf(item);
            for (std::size_t i = 0; i + 1 < pts.size(); i += 2)
                out.emplace_back(pts[i], pts[i + 1]);
        }
        return out;
    };
    const auto shaft = segments(length, kBlack);
    ASSERT_EQ(shaft.size(), 1u);
    EXPECT_FLOAT_EQ(shaft[0].second.x - shaft[0].first.x, 60);
    EXPECT_FLOAT_EQ(shaft[0].second.x, 205);
    EXPECT_FLOAT_EQ(shaft[0].first.y, 90);
    const DrawList density = ArrowDensityPreview(bar, 50, face);
    std::vector<float> xs;
    for (const auto& [a, b] : segments(density, kBlack)) {
        EXPECT_GT(a.y, b.y);  // upward
        xs.push_back(a.x);
    }
    EXPECT_EQ(xs, (std::vector<float>{10, 60, 110, 160, 210}));
}

TEST(SelectTime, NearestStoredTimeNotARoundedQuotient) {
    Problem problem;
    problem.settings.transient = true;
    ElementTable elements;
    ResultTable results;
    ASSERT_TRUE(results.Allocate(6, 4));
    // Steps of 2 s, then a Continue with steps of 5 s.
    const Real times[] = {0, 2, 4, 9, 14, 0};
    for (int l = 0; l < 6; ++l) results.Level(l)[0] = times[l];
    const ResultView view{problem, elements, results, 4, 0};
    EXPECT_EQ(SelectTimeStep(view, "9"), 3);  // 9 / 2 rounds to 5
    EXPECT_EQ(SelectTimeStep(view, "12"), 4);
    EXPECT_EQ(SelectTimeStep(view, "500"), 4);  // beyond the last: the last
    EXPECT_EQ(SelectTimeStep(view, "x9"), std::nullopt);
    EXPECT_EQ(ContourDialogTimeStep(view, "5"), 3);
    EXPECT_EQ(ContourDialogTimeStep(view, "15"), std::nullopt);
    EXPECT_EQ(ContourDialogTimeStep(view, ""), std::nullopt);
    EXPECT_EQ(SpinStep(view, 4, 1), 0);
    EXPECT_EQ(SpinStep(view, 0, -1), 4);
    EXPECT_EQ(SpinStep(view, 2, 1), 3);
}

}  // namespace
}  // namespace kova::test
