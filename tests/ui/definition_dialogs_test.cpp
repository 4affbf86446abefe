// The problem-definition dialogs through their widgets on the example problems: opened from
// the Specify menu, typed into with keys, confirmed with Enter. The heated plate and the
// composite wall get their materials, generation and boundary conditions only through
// the dialogs and must then solve to the example's own node values.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QLocale>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <map>
#include <tuple>

#include "dialogs/definition_dialogs.hpp"
#include "dialogs/property_dialog.hpp"
#include "examples.hpp"
#include "expressions/compiler.hpp"
#include "files/problem_file.hpp"
#include "files/undo_snapshots.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "model/selection.hpp"
#include "platform/draw_list.hpp"
#include "shell/main_window.hpp"
#include "solver/result_table.hpp"
#include "support/steady_run.hpp"
#include "ui/test_application.hpp"
#include "units/unit_labels.hpp"

namespace kova::ui {
namespace {

// A segment's conditions as texts, to group the segments that get one dialog.
using Conditions = std::tuple<std::string, std::string, std::string, std::string>;

struct DefinitionDialogs : MainWindowTest {
    // Builds the example, writes it without materials, generation and conditions, opens it.
    void OpenStripped(const char* name, Problem& reference) {
        reference.view.refHeight = 600;
        examples::BuildExample(*examples::FindExample(name), reference);
        Problem p;
        p.view.refHeight = 600;
        examples::BuildExample(*examples::FindExample(name), p);
        SetSubjectLabels(p, p.settings.subject, true);  // the library's materials again
        for (int k = 1; k <= p.frameCount; ++k) {
            p.frames[k].material = 0;
            p.frames[k].generationSpec = 0;
        }
        for (LineSegment& s : p.lines)
            s.valueSpec = s.fluxSpec = s.transferSpec = s.ambientSpec = 0;
        for (int n = 1; n <= p.nodes.Count(); ++n) p.nodes[n].valueSpec = 0;
        const QString path = dir.path() + "/" + name + ".KVX";
        ASSERT_TRUE(WriteProblemFile(p, path.toStdString()));
        ASSERT_TRUE(window->OpenFile(path));
    }

    template <typename D>
    D* Open(Cmd cmd) {
        window->UpdateMenu();
        QAction* a = window->action(cmd);
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
        a->trigger();
        for (D* d : window->findChildren<D*>())
            if (d->isVisible()) return d;
        ADD_FAILURE() << "no dialog";
        return nullptr;
    }
    // Waits for a closed dialog to go away, so that the next one is found.
    void Settle() {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static void Type(QLineEdit* edit, const std::string& text) {
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(text));
    }
    static void ClickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void Select(SelectType kind, const std::vector<int>& items) {
        problem().selection.items.clear();
        for (int i : items) problem().selection.items.push_back(SelectRec{i, nullptr});
        problem().selection.state = kind;
    }

    // Gives the open problem the reference's materials, generation and conditions through
    // the dialogs only.
    void SpecifyLike(Problem& ref) {
        for (int k = 1; k <= ref.frameCount; ++k) {
            const Material& m = ref.materials[static_cast<std::size_t>(ref.frames[k].material)];
            Select(SelectType::Frames, {k});
            auto* d = Open<TSetPropDlg>(Cmd::MaterialProperties);
            ASSERT_NE(d, nullptr);
            ClickRow(d->PropertiesBox, ref.frames[k].material - 1);
            Type(d->NameEdit, m.name);
            EXPECT_EQ(d->PropertiesBox->currentItem()->text().toStdString(), m.name);
            Type(d->ConductEdit, m.conductivity.text);
            Type(d->DensityEdit, m.density.text);
            Type(d->SpecHeatEdit, m.specificHeat.text);
            QTest::keyClick(d->SpecHeatEdit, Qt::Key_Return);
            ASSERT_FALSE(d->isVisible()) << d->MessageLine->text().toStdString();
            Settle();
            EXPECT_EQ(problem().selection.state, SelectType::None);
            if (ref.frames[k].generationSpec > 0) {
                Select(SelectType::Frames, {k});
                auto* g = Open<TSetGenDlg>(Cmd::Generation);
                ASSERT_NE(g, nullptr);
                Type(g->GenEdit, ref.specs[ref.frames[k].generationSpec].text);
                QTest::keyClick(g->GenEdit, Qt::Key_Return);
                ASSERT_FALSE(g->isVisible());
                Settle();
            }
        }
        auto text = [&](int spec) { return spec > 0 ? ref.specs[spec].text : std::string(); };
        std::map<Conditions, std::vector<std::pair<int, int>>> groups;
        for (const LineSegment& s : ref.lines) {
            const Conditions c{text(s.valueSpec), text(s.fluxSpec), text(s.transferSpec),
                               text(s.ambientSpec)};
            if (c != Conditions{}) groups[c].push_back({s.node1, s.node2});
        }
        ASSERT_FALSE(groups.empty());
        for (const auto& [c, ends] : groups) {
            problem().selection.items.clear();
            for (LineSegment& s : problem().lines)
                for (auto [a, b] : ends)
                    if (s.node1 == a && s.node2 == b) problem().selection.items.push_back({0, &s});
            ASSERT_EQ(problem().selection.items.size(), ends.size());
            problem().selection.state = SelectType::Bounds;
            auto* d = Open<TSetBoundDlg>(Cmd::BoundaryConditions);
            ASSERT_NE(d, nullptr);
            const auto& [value, flux, coef, ambient] = c;
            QLineEdit* last = d->TempEdit;
            if (!value.empty()) Type(last = d->TempEdit, value);
            if (!flux.empty()) Type(last = d->HeatFluxEdit, flux);
            if (!coef.empty()) {
                Type(last = d->CoefEdit, coef);
                Type(last = d->FTempEdit, ambient);
            }
            EXPECT_EQ(d->TempBox->isChecked(), !value.empty());
            EXPECT_EQ(d->HeatFluxBox->isChecked(), !flux.empty());
            EXPECT_EQ(d->CoefBox->isChecked(), !coef.empty());
            QTest::keyClick(last, Qt::Key_Return);
            ASSERT_FALSE(d->isVisible()) << d->MessageLine->text().toStdString();
            Settle();
        }
    }

    void SolveAndCompare(Problem& ref) {
        test::SteadyRun expected(ref);
        ASSERT_EQ(expected.Run(), 0);
        window->UpdateMenu();
        window->action(Cmd::Calculate)->trigger();
        KOVA_WAIT_FOR(!window->document().Running(), 60000);
        QApplication::processEvents();
        ASSERT_TRUE(problem().resultsCurrent);
        EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
        const ResultTable& got = window->document().calculation().results;
        ASSERT_EQ(problem().nodes.Count(), ref.nodes.Count());
        for (int n = 1; n <= ref.nodes.Count(); ++n)
            EXPECT_NEAR(static_cast<double>(got.Level(0)[static_cast<std::size_t>(n)]),
                        static_cast<double>(expected.Value(n)), 1e-9)
                << "node " << n;
    }
};

TEST_F(DefinitionDialogs, HeatedPlateSpecifiedThroughTheDialogsSolvesLikeTheExample) {
    Problem ref;
    OpenStripped("heated_plate", ref);
    SpecifyLike(ref);
    SolveAndCompare(ref);
}

TEST_F(DefinitionDialogs, CompositeWallSpecifiedThroughTheDialogsSolvesLikeTheExample) {
    Problem ref;
    OpenStripped("composite_wall", ref);
    SpecifyLike(ref);
    SolveAndCompare(ref);
}

TEST_F(DefinitionDialogs, RefusedEntriesKeepTheDialogOpenAndChangeNothing) {
    Problem ref;
    OpenStripped("composite_wall", ref);
    LineSegment* outer = nullptr;
    for (LineSegment& s : problem().lines)
        if (s.frameA == 0 || s.frameB == 0) outer = &s;
    ASSERT_NE(outer, nullptr);
    // The coefficients read before a later refusal share entries made here, so that the
    // whole image, specification table included, must come out unchanged.
    for (const char* text : {"5*Y", "10"})
        ASSERT_GT(FindOrAddSpec(problem(), kSpecTransfer, false, text, 0), 0);
    const std::vector<std::uint8_t> before = EncodeUndoSnapshot(problem());
    const std::size_t undoCount = problem().undoList.size();

    problem().selection.items = {SelectRec{0, outer}};
    problem().selection.state = SelectType::Bounds;
    auto* d = Open<TSetBoundDlg>(Cmd::BoundaryConditions);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->FTempEdit->isVisible());
    EXPECT_FALSE(d->findChild<QPushButton*>("HelpBtn")->isEnabled());
    struct Bad {
        QLineEdit* edit;
        const char* text;
    };
    for (const Bad& bad :
         {Bad{d->HeatFluxEdit, "3+"}, Bad{d->HeatFluxEdit, "2*(X"}, Bad{d->HeatFluxEdit, "1.2.3"},
          Bad{d->CoefEdit, "5*Y"}, Bad{d->TempEdit, "T+1"}}) {
        for (QLineEdit* e : {d->TempEdit, d->HeatFluxEdit, d->CoefEdit, d->FTempEdit}) e->clear();
        for (QCheckBox* b : {d->TempBox, d->HeatFluxBox, d->CoefBox}) b->setChecked(false);
        Type(bad.edit, bad.text);
        if (bad.edit == d->CoefEdit) Type(d->FTempEdit, "20");
        const int beeps = window->document().beeps;
        QTest::keyClick(d->FTempEdit, Qt::Key_Return);
        EXPECT_TRUE(d->isVisible()) << bad.text;
        EXPECT_FALSE(d->MessageLine->text().isEmpty()) << bad.text;
        // The same text in the information panel, with one beep.
        EXPECT_EQ(d->MessageLine->text().toStdString(),
                  problem().reporter().StatusText(StatusPanel::Info))
            << bad.text;
        EXPECT_EQ(window->document().beeps, beeps + 1) << bad.text;
        EXPECT_EQ(d->focusWidget(), bad.edit) << bad.text;
        EXPECT_EQ(bad.edit->selectedText(), bad.edit->text()) << bad.text;
    }
    // Unticking by the box empties the field; a ticked coefficient needs its ambient.
    d->TempBox->setChecked(false);
    EXPECT_TRUE(d->TempEdit->text().isEmpty());
    d->CoefBox->setChecked(false);
    EXPECT_TRUE(d->CoefEdit->text().isEmpty());
    Type(d->CoefEdit, "10");
    EXPECT_TRUE(d->CoefBox->isChecked());
    d->FTempEdit->clear();
    QTest::keyClick(d->CoefEdit, Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->focusWidget(), d->FTempEdit);
    QTest::keyClick(d->CoefEdit, Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    Settle();
    EXPECT_EQ(problem().undoList.size(), undoCount);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), before);

    // A refused ratio in the property dialog keeps the material as it was.
    Select(SelectType::Frames, {1});
    const Material m = problem().materials[1];
    const std::vector<std::uint8_t> beforeProperties = EncodeUndoSnapshot(problem());
    auto* pd = Open<TSetPropDlg>(Cmd::MaterialProperties);
    ASSERT_NE(pd, nullptr);
    Type(pd->NameEdit, "Renamed");
    QTest::mouseClick(pd->TypeP, Qt::LeftButton);
    EXPECT_EQ(pd->TypeP->text(), "Anisotropic ky/kx=");
    EXPECT_EQ(pd->ConductLabel->text(), "x-Conductivity = ");
    Type(pd->kykxedit, "0");
    const int beeps = window->document().beeps;
    QTest::keyClick(pd->kykxedit, Qt::Key_Return);
    EXPECT_EQ(window->document().beeps, beeps + 1);
    EXPECT_EQ(problem().reporter().StatusText(StatusPanel::Info), "Value must be > 0");
    EXPECT_TRUE(pd->isVisible());
    EXPECT_EQ(pd->MessageLine->text(), "Value must be > 0");
    EXPECT_EQ(pd->focusWidget(), pd->kykxedit);
    pd->reject();
    Settle();
    EXPECT_EQ(problem().materials[1].name, m.name);
    EXPECT_EQ(problem().materials[1].anisotropic, m.anisotropic);
    EXPECT_EQ(problem().materials[1].kyOverKx, m.kyOverKx);
    EXPECT_EQ(EncodeUndoSnapshot(problem()), beforeProperties);
}

TEST_F(DefinitionDialogs, NodeInitialAndGenerationDialogsThroughTheMenus) {
    Problem ref;
    OpenStripped("heated_plate", ref);
    problem().settings.transient = true;
    Select(SelectType::Points, {1});
    auto* n = Open<TSetNodeDlg>(Cmd::BoundaryConditions);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->XLabel->text(), "X =");
    EXPECT_TRUE(n->XEdit->isEnabled());
    const Real x = problem().nodes[1].x;
    Type(n->TempEdit, "75");
    EXPECT_TRUE(n->TempBox->isChecked());
    QTest::keyClick(n->TempEdit, Qt::Key_Return);
    ASSERT_FALSE(n->isVisible()) << n->MessageLine->text().toStdString();
    Settle();
    EXPECT_EQ(problem().nodes[1].x, x);
    EXPECT_EQ(problem().nodes[1].initialValue, 75);
    EXPECT_EQ(problem().undoList.back().name, "Boundary Conditions");

    Select(SelectType::Frames, {1});
    auto* i = Open<TSetInitDlg>(Cmd::InitialConditions);
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->windowTitle(), "Set Initial Temperatures");
    Type(i->TempEdit, "x1");
    QTest::keyClick(i->TempEdit, Qt::Key_Return);
    EXPECT_TRUE(i->isVisible());  // a bad number keeps it open
    EXPECT_EQ(i->MessageLine->text(), "Illegal entry.");
    QTest::mouseClick(i->NodesinAllBox, Qt::LeftButton);
    Type(i->TempEdit, "15");
    QTest::keyClick(i->TempEdit, Qt::Key_Return);
    ASSERT_FALSE(i->isVisible());
    Settle();
    for (int k = 1; k <= problem().nodes.Count(); ++k)
        EXPECT_EQ(problem().nodes[k].initialValue, 15);

    Select(SelectType::Frames, {1});
    auto* g = Open<TSetGenDlg>(Cmd::Generation);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->windowTitle().toStdString(),
              "Enter Internal Generation [" + UnitLabel(problem(), Quantity::Generation) + "]");
    QTest::keyClick(g->GenEdit, Qt::Key_Escape);
    EXPECT_FALSE(g->isVisible());
    Settle();
    EXPECT_EQ(problem().frames[1].generationSpec, 0);
    EXPECT_EQ(problem().selection.state, SelectType::None);
}

// A lump selection opens the node dialog from "Lump Information": no position to edit, the
// value goes to the lump (evaluated at the drawing point (0, 0)), and a value that refers
// to the potential is refused with the dialog left open.
TEST_F(DefinitionDialogs, LumpInformationGivesTheLumpItsValue) {
    Problem ref;
    OpenStripped("lump_beside_solid", ref);
    int lump = 0;
    for (int k = 1; k <= problem().frameCount; ++k)
        if (problem().frames[k].type == FrameType::Lumped) lump = k;
    ASSERT_GT(lump, 0);
    problem().frames[lump].lumpValueSpec = 0;
    const int nodeCount = problem().nodes.Count();
    std::vector<int> nodeSpecs;
    for (int n = 1; n <= nodeCount; ++n) nodeSpecs.push_back(problem().nodes[n].valueSpec);
    Select(SelectType::Lumps, {nodeCount + lump});
    window->UpdateMenu();
    EXPECT_EQ(window->action(Cmd::BoundaryConditions)->text(), "&Lump Information");
    auto* d = Open<TSetNodeDlg>(Cmd::BoundaryConditions);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Specify Node Information");
    EXPECT_EQ(d->TempBox->text(), "T = ");
    EXPECT_FALSE(d->TempBox->isChecked());
    EXPECT_EQ(d->TempUnits->text().toStdString(), UnitLabel(problem(), Quantity::Potential));
    for (QLineEdit* e : {d->XEdit, d->YEdit}) {
        EXPECT_EQ(e->text(), "not applicable");
        EXPECT_FALSE(e->isEnabled());
    }
    Type(d->TempEdit, "T+1");
    QTest::keyClick(d->TempEdit, Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->MessageLine->text().isEmpty());
    EXPECT_EQ(d->TempEdit->selectedText(), d->TempEdit->text());
    EXPECT_EQ(problem().frames[lump].lumpValueSpec, 0);
    Type(d->TempEdit, "150");
    EXPECT_TRUE(d->TempBox->isChecked());
    QTest::keyClick(d->TempEdit, Qt::Key_Return);
    ASSERT_FALSE(d->isVisible()) << d->MessageLine->text().toStdString();
    Settle();
    const Frame& f = problem().frames[lump];
    ASSERT_GT(f.lumpValueSpec, 0);
    EXPECT_EQ(problem().specs[f.lumpValueSpec].value, 150);
    EXPECT_EQ(f.lumpInitialValue, 150);
    for (int n = 1; n <= nodeCount; ++n)
        EXPECT_EQ(problem().nodes[n].valueSpec, nodeSpecs[static_cast<std::size_t>(n - 1)]);
    EXPECT_EQ(problem().undoList.back().name, "Boundary Conditions");
    EXPECT_EQ(problem().selection.state, SelectType::None);
}

// Specification texts go through the one table: equal texts typed for two frames share an
// entry, and once the table is full a new text is refused in the dialog. Plain numbers
// take "." as the decimal point whatever the locale.
TEST_F(DefinitionDialogs, SharedEntriesAFullTableAndTheDecimalPoint) {
    Problem ref;
    OpenStripped("composite_wall", ref);
    ASSERT_GE(problem().frameCount, 2);
    for (int k : {1, 2}) {
        Select(SelectType::Frames, {k});
        auto* g = Open<TSetGenDlg>(Cmd::Generation);
        ASSERT_NE(g, nullptr);
        Type(g->GenEdit, k == 1 ? "5*X+1" : "5 * X + 1");
        QTest::keyClick(g->GenEdit, Qt::Key_Return);
        ASSERT_FALSE(g->isVisible()) << g->MessageLine->text().toStdString();
        Settle();
    }
    EXPECT_GT(problem().frames[1].generationSpec, 0);
    EXPECT_EQ(problem().frames[2].generationSpec, problem().frames[1].generationSpec);

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Select(SelectType::Frames, {1});
    auto* i = Open<TSetInitDlg>(Cmd::InitialConditions);
    ASSERT_NE(i, nullptr);
    Type(i->TempEdit, "2,5");
    QTest::keyClick(i->TempEdit, Qt::Key_Return);
    EXPECT_TRUE(i->isVisible());
    EXPECT_EQ(i->MessageLine->text(), "Illegal entry.");
    QTest::mouseClick(i->NodesinAllBox, Qt::LeftButton);
    Type(i->TempEdit, "2.5");
    QTest::keyClick(i->TempEdit, Qt::Key_Return);
    ASSERT_FALSE(i->isVisible()) << i->MessageLine->text().toStdString();
    Settle();
    QLocale::setDefault(before);
    EXPECT_EQ(problem().nodes[1].currentValue, Real(2.5));  // a steady guess

    for (int n = 0; !problem().specs.Full(); ++n)
        ASSERT_GT(FindOrAddSpec(problem(), kSpecFlux, false, std::to_string(n) + "*Y", 0), 0);
    const int stored = problem().frames[1].generationSpec;
    Select(SelectType::Frames, {1});
    auto* g = Open<TSetGenDlg>(Cmd::Generation);
    ASSERT_NE(g, nullptr);
    Type(g->GenEdit, "7*Y");
    QTest::keyClick(g->GenEdit, Qt::Key_Return);
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(g->MessageLine->text(), "Error 41");
    EXPECT_EQ(g->focusWidget(), g->GenEdit);
    EXPECT_EQ(g->GenEdit->selectedText(), "7*Y");
    g->reject();
    Settle();
    EXPECT_EQ(problem().frames[1].generationSpec, stored);
}

// In English units the material list is the subject's library with its values converted
// and the English unit labels beside the fields.
TEST_F(DefinitionDialogs, TheLibraryInEnglishUnits) {
    Problem ref;
    OpenStripped("heated_plate", ref);
    problem().settings.unitSystem = Unittype::Eng;
    SetSubjectLabels(problem(), ProbTypeA::HeatTrans, true);
    Select(SelectType::Frames, {1});
    auto* d = Open<TSetPropDlg>(Cmd::MaterialProperties);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->PropertiesBox->count(), 20);
    for (int i = 1; i <= 20; ++i) {
        const std::string entry = MaterialLibraryEntry(ProbTypeA::HeatTrans, i);
        EXPECT_EQ(d->PropertiesBox->item(i - 1)->text().toStdString(),
                  entry.substr(0, entry.find('|')));
    }
    ClickRow(d->PropertiesBox, 8);  // Copper, 385.9 W/m-K in the library
    EXPECT_EQ(d->NameEdit->text(), "Copper");
    EXPECT_NEAR(d->ConductEdit->text().toDouble(), 385.9 * 0.5778, 0.05);
    EXPECT_NEAR(d->DensityEdit->text().toDouble(), 8954 * 0.06243, 0.05);
    EXPECT_EQ(d->ConductU->text(), "Btu/hr-ft-R");
    EXPECT_EQ(d->ConductLabel->text(), "Conductivity = ");
    d->reject();
    Settle();
}

TEST_F(DefinitionDialogs, ColourAndPatternPopUpsAndTabbingThroughTicks) {
    Problem ref;
    OpenStripped("heated_plate", ref);
    Select(SelectType::Frames, {1});
    auto* d = Open<TSetPropDlg>(Cmd::MaterialProperties);
    ASSERT_NE(d, nullptr);
    // A double click in the name selects all of it, not one word.
    Type(d->NameEdit, "Mild steel");
    QTest::mouseDClick(d->NameEdit, Qt::LeftButton, {}, QPoint(4, d->NameEdit->height() / 2));
    EXPECT_EQ(d->NameEdit->selectedText(), "Mild steel");
    QTest::mouseClick(d->PatternBox, Qt::LeftButton);
    ASSERT_TRUE(d->PatternP->isVisible());
    QTest::keyClick(d->PatternP, Qt::Key_Escape);  // closes the panel only
    EXPECT_FALSE(d->PatternP->isVisible());
    EXPECT_TRUE(d->isVisible());
    QTest::mouseClick(d->PatternBox, Qt::LeftButton);
    QTest::mouseClick(d->PatternP->findChild<QToolButton*>("CrossB"), Qt::LeftButton);
    EXPECT_FALSE(d->PatternP->isVisible());
    QTest::mouseClick(d->ColorBox, Qt::LeftButton);
    ASSERT_TRUE(d->FrameColor->isVisible());
    QTest::keyClick(d->FrameColor, Qt::Key_Escape);  // closes the grid only
    EXPECT_FALSE(d->FrameColor->isVisible());
    EXPECT_TRUE(d->isVisible());
    QTest::mouseClick(d->ColorBox, Qt::LeftButton);
    ASSERT_TRUE(d->FrameColor->isVisible());
    QTest::mouseClick(d->FrameColor->findChild<QToolButton*>("FrameColor9"), Qt::LeftButton);
    EXPECT_FALSE(d->FrameColor->isVisible());
    QTest::keyClick(d->ConductEdit, Qt::Key_Return);
    ASSERT_FALSE(d->isVisible()) << d->MessageLine->text().toStdString();
    Settle();
    const Material& m = problem().materials[1];
    EXPECT_EQ(m.fillPattern, 4);
    EXPECT_EQ(m.colorGridIndex, 9);
    EXPECT_EQ(RgbFromStored(m.color), ColorGridColor(9));
    EXPECT_EQ(problem().frames[1].material, 1);

    // Tabbing through the boundary dialog leaves its boxes as they opened.
    LineSegment* outer = nullptr;
    for (LineSegment& seg : problem().lines)
        if (seg.frameA == 0 || seg.frameB == 0) outer = &seg;
    problem().selection.items = {SelectRec{0, outer}};
    problem().selection.state = SelectType::Bounds;
    auto* b = Open<TSetBoundDlg>(Cmd::BoundaryConditions);
    ASSERT_NE(b, nullptr);
    b->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(b));
    b->TempEdit->setFocus();
    QSet<QWidget*> seen;
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(b->focusWidget(), Qt::Key_Tab);
        seen.insert(b->focusWidget());
    }
    EXPECT_TRUE(seen.contains(b->CoefEdit) && seen.contains(b->FTempEdit));
    EXPECT_FALSE(b->TempBox->isChecked() || b->HeatFluxBox->isChecked() || b->CoefBox->isChecked());
    b->reject();
    Settle();
}

TEST_F(DefinitionDialogs, PotentialFlowNodesGoThroughTheRememberedChoice) {
    Problem ref;
    OpenStripped("source_near_wall", ref);
    const int before = static_cast<int>(problem().singularPoints.size());
    Select(SelectType::Points, {3});
    auto* choice = Open<TPotentialSpecDlg>(Cmd::BoundaryConditions);
    ASSERT_NE(choice, nullptr);
    EXPECT_TRUE(choice->StreamBtn->isChecked());
    QTest::mouseClick(choice->SingularBtn, Qt::LeftButton);
    QTest::keyClick(choice->SingularBtn, Qt::Key_Return);
    Settle();
    TSingularDlg* d = nullptr;
    for (TSingularDlg* w : window->findChildren<TSingularDlg*>())
        if (w->isVisible()) d = w;
    ASSERT_NE(d, nullptr);
    Type(d->edits[0], "2.5");
    EXPECT_TRUE(d->boxes[0]->isChecked());
    Type(d->edits[3], "1");
    QTest::keyClick(d->edits[3], Qt::Key_Return);
    ASSERT_FALSE(d->isVisible()) << d->MessageLine->text().toStdString();
    Settle();
    ASSERT_EQ(static_cast<int>(problem().singularPoints.size()), before + 2);
    EXPECT_EQ(problem().singularPoints.back().type, 4);
    EXPECT_EQ(problem().singularPoints.back().node, 3);
    EXPECT_EQ(problem().selection.state, SelectType::None);
    // The choice is remembered; Escape there changes nothing.
    Select(SelectType::Points, {3});
    choice = Open<TPotentialSpecDlg>(Cmd::BoundaryConditions);
    ASSERT_NE(choice, nullptr);
    EXPECT_TRUE(choice->SingularBtn->isChecked());
    QTest::mouseClick(choice->StreamBtn, Qt::LeftButton);
    QTest::keyClick(choice->StreamBtn, Qt::Key_Escape);
    Settle();
    EXPECT_EQ(problem().selection.state, SelectType::None);
    Select(SelectType::Points, {3});
    choice = Open<TPotentialSpecDlg>(Cmd::BoundaryConditions);
    ASSERT_NE(choice, nullptr);
    EXPECT_TRUE(choice->SingularBtn->isChecked());  // Cancel kept the choice
    choice->reject();
    Settle();
}

TEST_F(DefinitionDialogs, BloodAndSurfaceConditionsFromTheLastSpecifyItem) {
    Problem ref;
    OpenStripped("tissue_layer", ref);
    Select(SelectType::Frames, {1});
    const BloodSettings blood = problem().blood;
    auto* b = Open<TBloodPropDlg>(Cmd::BloodProperties);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->SpecHeatEdit->text().toStdString(),
              FormatNumber(DecForm{0, 0}, blood.specificHeat));
    Type(b->TempEdit, "36");
    Type(b->SpecHeatEdit, "-1");
    QTest::keyClick(b->SpecHeatEdit, Qt::Key_Return);
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(b->MessageLine->text(), "Value must be > 0");
    QTest::keyClick(b->SpecHeatEdit, Qt::Key_Escape);
    Settle();
    EXPECT_EQ(problem().blood.arterialSpec, blood.arterialSpec);
    EXPECT_EQ(problem().blood.specificHeat, blood.specificHeat);

    Problem finRef;
    OpenStripped("fin", finRef);
    Select(SelectType::Frames, {1});
    auto* f = Open<TFinSurfacePropDlg>(Cmd::BloodProperties);
    ASSERT_NE(f, nullptr);
    Type(f->FinConvCoefEdit, "12");
    Type(f->TempEdit, "25");
    f->FinHeatFluxEdit->clear();
    QTest::keyClick(f->TempEdit, Qt::Key_Return);
    ASSERT_FALSE(f->isVisible()) << f->MessageLine->text().toStdString();
    Settle();
    const Frame& frame = problem().frames[1];
    EXPECT_EQ(problem().specs[frame.finTransferSpec].value, 12);
    EXPECT_EQ(problem().specs[frame.finFluidSpec].value, 25);
    EXPECT_EQ(frame.finFluxSpec, 0);
    EXPECT_EQ(problem().undoList.back().name, "Surface Conditions");
}

// Every form on a problem of its subject: it fits 960×540 logical pixels, no visible
// control is narrower than its minimum size hint, and Tab visits the edit fields from
// top to bottom (left to right within a row). Run at 100 % and, by CTest, at 200 %.
TEST_F(DefinitionDialogs, EveryFormFitsAndTabsInVisualOrder) {
    Problem ref;
    OpenStripped("heated_plate", ref);
    Problem& p = problem();
    ResultTable balances;
    ASSERT_TRUE(balances.Allocate(2, ResultTable::ValuesFor(p)));
    bool singular = false;
    LineSegment* outer = nullptr;
    for (LineSegment& s : p.lines)
        if (s.frameA == 0 || s.frameB == 0) outer = &s;
    // At twice the scale the test runs on a 1920×1080 screen, 960×540 logical pixels.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
        EXPECT_EQ(screen.size(), QSize(960, 540));
    }
    auto check = [&](QDialog* d) {
        const std::string name = d->objectName().toStdString();
        d->show();
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d)) << name;
        EXPECT_LE(d->frameGeometry().width(), std::min(960, screen.width())) << name;
        EXPECT_LE(d->frameGeometry().height(), std::min(540, screen.height())) << name;
        for (QWidget* w : d->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->isWindow()) continue;
            EXPECT_GE(w->width(), w->sizeHint().width())
                << name << " " << w->objectName().toStdString();
            EXPECT_GE(w->height(), w->minimumSizeHint().height())
                << name << " " << w->objectName().toStdString();
        }
        std::vector<QLineEdit*> order;
        QWidget* w = d->nextInFocusChain();
        for (int guard = 0; w != d && guard < 500; ++guard, w = w->nextInFocusChain())
            if (auto* e = qobject_cast<QLineEdit*>(w); e && e->isVisible() && e->isEnabled())
                order.push_back(e);
        for (std::size_t i = 1; i < order.size(); ++i) {
            const QPoint a = order[i - 1]->mapTo(d, QPoint());
            const QPoint b = order[i]->mapTo(d, QPoint());
            EXPECT_TRUE(a.y() < b.y() || (a.y() == b.y() && a.x() < b.x()))
                << name << " " << order[i]->objectName().toStdString();
        }
        // The Tab key itself walks the fields in that order.
        if (!order.empty()) {
            order.front()->setFocus(Qt::TabFocusReason);
            std::vector<QLineEdit*> typed{order.front()};
            for (int guard = 0; typed.size() < order.size() && guard < 100; ++guard) {
                QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
                if (auto* e = qobject_cast<QLineEdit*>(d->focusWidget()))
                    if (e != typed.back()) typed.push_back(e);
            }
            EXPECT_EQ(typed, order) << name;
            // Enter in a field runs OK: the dialog closes or says why not.
            if (auto* spec = qobject_cast<DefinitionDialogBase*>(d)) {
                QTest::keyClick(order.back(), Qt::Key_Return);
                EXPECT_TRUE(!d->isVisible() || !spec->MessageLine->text().isEmpty()) << name;
            }
        }
        // Escape is Cancel.
        if (d->isVisible()) {
            QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Escape);
            EXPECT_FALSE(d->isVisible()) << name;
        }
        delete d;
    };
    Select(SelectType::Frames, {1});
    check(new TSetPropDlg(p, window.get()));
    check(new TSetGenDlg(p, window.get()));
    check(new TSetInitDlg(p, window.get()));
    check(new TFinSurfacePropDlg(p, window.get()));
    check(new TBloodPropDlg(p, window.get()));
    check(new TSelectFrameDlg(p, balances, window.get()));
    p.selection.items = {SelectRec{0, outer}};
    p.selection.state = SelectType::Bounds;
    check(new TSetBoundDlg(p, window.get()));
    Select(SelectType::Points, {1});
    check(new TSetNodeDlg(p, window.get()));
    check(new TSingularDlg(p, window.get()));
    check(new TPotentialSpecDlg(singular, window.get()));
    ClearSelection(p);
}

}  // namespace
}  // namespace kova::ui
