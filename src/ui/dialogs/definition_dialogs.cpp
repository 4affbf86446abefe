#include "dialogs/definition_dialogs.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kova::ui {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

// ---------------------------------------------------------------- boundary conditions

TSetBoundDlg::TSetBoundDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TSetBoundDlg", parent),
      m_problem(problem),
      m_state(OpenBoundaryDialog(problem)) {
    setWindowTitle("Specify Boundary Conditions");
    const BoundaryDialogState& s = m_state;
    auto* grid = new QGridLayout;
    TempBox = MakeBox("TempBox", s.temp);
    ValueLabel = MakeLabel("ValueLabel", s.valueLabel);
    ValueLabel->setVisible(!s.valueLabel.empty());
    TempEdit = MakeEdit("TempEdit", s.temp.field);
    TempUnits = MakeLabel("TempUnits", s.temp.field.unit);
    HeatFluxBox = MakeBox("HeatFluxBox", s.flux);
    HeatFluxBox->setEnabled(s.fluxEnabled);
    DensityLabel = MakeLabel("DensityLabel", s.densityLabel);
    DensityLabel->setVisible(!s.densityLabel.empty());
    HeatFluxEdit = MakeEdit("HeatFluxEdit", s.flux.field);
    HeatFluxUnits = MakeLabel("HeatFluxUnits", s.flux.field.unit);
    CoefBox = MakeBox("CoefBox", s.coef);
    CoefEdit = MakeEdit("CoefEdit", s.coef.field);
    CoefUnits = MakeLabel("CoefUnits", s.coef.field.unit);
    FTempBox = MakeLabel("FTempBox", s.ambient.label);
    FTempEdit = MakeEdit("FTempEdit", s.ambient);
    FTempUnits = MakeLabel("FTempUnits", s.ambient.unit);
    InfoL = MakeLabel("InfoL", s.info);
    InfoL->setWordWrap(true);

    grid->addWidget(TempBox, 0, 0);
    grid->addWidget(ValueLabel, 0, 1);
    grid->addWidget(TempEdit, 0, 2);
    grid->addWidget(TempUnits, 0, 3);
    grid->addWidget(HeatFluxBox, 1, 0);
    grid->addWidget(DensityLabel, 1, 1);
    grid->addWidget(HeatFluxEdit, 1, 2);
    grid->addWidget(HeatFluxUnits, 1, 3);
    grid->addWidget(CoefBox, 2, 0);
    grid->addWidget(CoefEdit, 2, 2);
    grid->addWidget(CoefUnits, 2, 3);
    grid->addWidget(FTempBox, 3, 0, 1, 2);
    grid->addWidget(FTempEdit, 3, 2);
    grid->addWidget(FTempUnits, 3, 3);
    grid->addWidget(InfoL, 4, 0, 1, 4);
    for (QWidget* w : {static_cast<QWidget*>(CoefBox), static_cast<QWidget*>(CoefEdit),
                       static_cast<QWidget*>(CoefUnits)})
        w->setVisible(s.coefOffered);
    for (QWidget* w : {static_cast<QWidget*>(FTempBox), static_cast<QWidget*>(FTempEdit),
                       static_cast<QWidget*>(FTempUnits)})
        w->setVisible(s.ambient.visible);
    FollowTicks(TempBox, TempEdit);
    FollowTicks(HeatFluxBox, HeatFluxEdit);
    FollowTicks(CoefBox, CoefEdit, FTempEdit);
    TickOnClick(CoefBox, FTempEdit);
    Finish(grid);
}

DialogResult TSetBoundDlg::Apply() {
    BoundaryDialogState s = m_state;
    s.temp.ticked = TempBox->isChecked();
    s.temp.field.text = Text(TempEdit);
    s.flux.ticked = HeatFluxBox->isChecked();
    s.flux.field.text = Text(HeatFluxEdit);
    s.coef.ticked = CoefBox->isChecked();
    s.coef.field.text = Text(CoefEdit);
    s.ambient.text = Text(FTempEdit);
    return ApplyBoundaryDialog(m_problem, s);
}

// ---------------------------------------------------------------- generation

TSetGenDlg::TSetGenDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TSetGenDlg", parent),
      m_problem(problem),
      m_state(OpenGenerationDialog(problem)) {
    setWindowTitle(Q(m_state.caption));
    GenEdit = MakeEdit("GenEdit", m_state.gen);
    NoteL = MakeLabel("NoteL", m_state.note);
    NoteL->setWordWrap(true);
    auto* layout = new QVBoxLayout;
    layout->addWidget(GenEdit);
    layout->addWidget(NoteL);
    Finish(layout);
}

DialogResult TSetGenDlg::Apply() {
    GenerationDialogState s = m_state;
    s.gen.text = Text(GenEdit);
    return ApplyGenerationDialog(m_problem, s);
}

// ---------------------------------------------------------------- node values

TSetNodeDlg::TSetNodeDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TSetNodeDlg", parent),
      m_problem(problem),
      m_state(OpenNodeDialog(problem)) {
    setWindowTitle("Specify Node Information");
    const NodeDialogState& s = m_state;
    auto* grid = new QGridLayout;
    TempBox = MakeBox("TempBox", s.temp);
    TempEdit = MakeEdit("TempEdit", s.temp.field);
    TempUnits = MakeLabel("TempUnits", s.temp.field.unit);
    grid->addWidget(TempBox, 0, 0);
    grid->addWidget(TempEdit, 0, 1);
    grid->addWidget(TempUnits, 0, 2);
    MakeRow(grid, 1, s.x, {"XLabel", "XEdit", "XUnits"}, XLabel, XEdit, XUnits);
    MakeRow(grid, 2, s.y, {"YLabel", "YEdit", "YUnits"}, YLabel, YEdit, YUnits);
    InfoL = MakeLabel("InfoL", s.info);
    grid->addWidget(InfoL, 3, 0, 1, 3);
    FollowTicks(TempBox, TempEdit);
    Finish(grid);
}

DialogResult TSetNodeDlg::Apply() {
    NodeDialogState s = m_state;
    s.temp.ticked = TempBox->isChecked();
    s.temp.field.text = Text(TempEdit);
    s.x.text = Text(XEdit);
    s.y.text = Text(YEdit);
    return ApplyNodeDialog(m_problem, s);
}

// ---------------------------------------------------------------- initial values

TSetInitDlg::TSetInitDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TSetInitDlg", parent),
      m_problem(problem),
      m_state(OpenInitialDialog(problem)) {
    setWindowTitle(Q(m_state.caption));
    TempEdit = MakeEdit("TempEdit", m_state.value);
    TempUnits = MakeLabel("TempUnits", m_state.value.unit);
    NodesinAllBox = new QCheckBox("Set nodes in all materials", this);
    NodesinAllBox->setObjectName("NodesinAllBox");
    NodesinAllBox->setVisible(m_state.allNodesOffered);
    auto* grid = new QGridLayout;
    grid->addWidget(TempEdit, 0, 0);
    grid->addWidget(TempUnits, 0, 1);
    grid->addWidget(NodesinAllBox, 1, 0, 1, 2);
    Finish(grid);
}

DialogResult TSetInitDlg::Apply() {
    InitialDialogState s = m_state;
    s.value.text = Text(TempEdit);
    s.allNodes = NodesinAllBox->isChecked();
    return ApplyInitialDialog(m_problem, s);
}

// ---------------------------------------------------------------- blood

TBloodPropDlg::TBloodPropDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TBloodPropDlg", parent),
      m_problem(problem),
      m_state(OpenBloodDialog(problem)) {
    setWindowTitle("Specify Blood Properties");
    auto* grid = new QGridLayout;
    MakeRow(grid, 0, m_state.temp, {"TempL", "TempEdit", "TempU"}, TempL, TempEdit, TempU);
    MakeRow(grid, 1, m_state.specHeat, {"SpecHeatL", "SpecHeatEdit", "SpecHeatU"}, SpecHeatL,
            SpecHeatEdit, SpecHeatU);
    Finish(grid);
}

DialogResult TBloodPropDlg::Apply() {
    BloodDialogState s = m_state;
    s.temp.text = Text(TempEdit);
    s.specHeat.text = Text(SpecHeatEdit);
    return ApplyBloodDialog(m_problem, s);
}

// ---------------------------------------------------------------- extended surfaces

TFinSurfacePropDlg::TFinSurfacePropDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TFinSurfacePropDlg", parent),
      m_problem(problem),
      m_state(OpenFinDialog(problem)) {
    setWindowTitle("Extended Surface Conditions");
    auto* grid = new QGridLayout;
    MakeRow(grid, 0, m_state.coef, {"Label1", "FinConvCoefEdit", "ConvCoefU"}, Label1,
            FinConvCoefEdit, ConvCoefU);
    MakeRow(grid, 1, m_state.temp, {"TempL", "TempEdit", "TempU"}, TempL, TempEdit, TempU);
    MakeRow(grid, 2, m_state.flux, {"SpecHeatL", "FinHeatFluxEdit", "HeatFluxU"}, SpecHeatL,
            FinHeatFluxEdit, HeatFluxU);
    Finish(grid);
}

DialogResult TFinSurfacePropDlg::Apply() {
    FinDialogState s = m_state;
    s.coef.text = Text(FinConvCoefEdit);
    s.temp.text = Text(TempEdit);
    s.flux.text = Text(FinHeatFluxEdit);
    return ApplyFinDialog(m_problem, s);
}

// ---------------------------------------------------------------- node specification choice

TPotentialSpecDlg::TPotentialSpecDlg(bool& singular, QWidget* parent)
    : DefinitionDialogBase("TPotentialSpecDlg", parent), m_singular(singular) {
    setWindowTitle("Choose Node Specification");
    StreamBtn = new QRadioButton("Specify Stream Function Value", this);
    StreamBtn->setObjectName("StreamBtn");
    SingularBtn = new QRadioButton("Specify Point Singularity", this);
    SingularBtn->setObjectName("SingularBtn");
    (singular ? SingularBtn : StreamBtn)->setChecked(true);
    auto* layout = new QVBoxLayout;
    layout->addWidget(StreamBtn);
    layout->addWidget(SingularBtn);
    Finish(layout);
}

DialogResult TPotentialSpecDlg::Apply() {
    m_singular = SingularBtn->isChecked();
    return {};
}

// ---------------------------------------------------------------- point singularities

TSingularDlg::TSingularDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TSingularDlg", parent),
      m_problem(problem),
      m_state(OpenSingularDialog(problem)) {
    setWindowTitle("Specify Point Singularity");
    static constexpr const char* kBoxes[kSingularKinds] = {"SourceB", "SinkB", "VortexB",
                                                           "DoubletXB", "DoubletYB"};
    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel("TypeLabel", "Type"), 0, 0);
    grid->addWidget(MakeLabel("StrengthL", "Strength [m2/s]"), 0, 1);
    for (std::size_t i = 0; i < kSingularKinds; ++i) {
        const TickedField& row = m_state.rows[i];
        boxes[i] = MakeBox(kBoxes[i], row);
        edits[i] = MakeEdit(SingularRowFields()[i], row.field);
        grid->addWidget(boxes[i], static_cast<int>(i) + 1, 0);
        grid->addWidget(edits[i], static_cast<int>(i) + 1, 1);
        FollowTicks(boxes[i], edits[i]);
    }
    Finish(grid);
}

DialogResult TSingularDlg::Apply() {
    SingularDialogState s = m_state;
    for (std::size_t i = 0; i < kSingularKinds; ++i) {
        s.rows[i].ticked = boxes[i]->isChecked();
        s.rows[i].field.text = Text(edits[i]);
    }
    return ApplySingularDialog(m_problem, s);
}

// ---------------------------------------------------------------- outline choice

TSelectFrameDlg::TSelectFrameDlg(Problem& problem, ResultTable& balances, QWidget* parent)
    : DefinitionDialogBase("TSelectFrameDlg", parent), m_problem(problem), m_balances(balances) {
    setWindowTitle("Select Outline");
    FrameBox = new QListWidget(this);
    FrameBox->setObjectName("FrameBox");
    FrameBox->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const std::string& text : FrameListTexts(problem)) FrameBox->addItem(Q(text));
    for (int k : PreselectedFrames(problem)) FrameBox->item(k - 1)->setSelected(true);
    auto* layout = new QVBoxLayout;
    layout->addWidget(FrameBox);
    Finish(layout);
}

DialogResult TSelectFrameDlg::Apply() {
    std::vector<int> chosen;
    for (int i = 0; i < FrameBox->count(); ++i)
        if (FrameBox->item(i)->isSelected()) chosen.push_back(i + 1);
    return ApplySelectOutline(m_problem, m_balances, chosen);
}

}  // namespace kova::ui
