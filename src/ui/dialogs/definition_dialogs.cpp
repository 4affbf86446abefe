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
    TempBox = new QCheckBox(Q(s.temp.field.label), this);
    TempBox->setObjectName("TempBox");
    TempBox->setChecked(s.temp.ticked);
    ValueLabel = MakeLabel("ValueLabel", s.valueLabel);
    ValueLabel->setVisible(!s.valueLabel.empty());
    TempEdit = MakeEdit("TempEdit", s.temp.field);
    TempUnits = MakeLabel("TempUnits", s.temp.field.unit);
    HeatFluxBox = new QCheckBox(Q(s.flux.field.label), this);
    HeatFluxBox->setObjectName("HeatFluxBox");
    HeatFluxBox->setChecked(s.flux.ticked);
    HeatFluxBox->setEnabled(s.fluxEnabled);
    DensityLabel = MakeLabel("DensityLabel", s.densityLabel);
    DensityLabel->setVisible(!s.densityLabel.empty());
    HeatFluxEdit = MakeEdit("HeatFluxEdit", s.flux.field);
    HeatFluxUnits = MakeLabel("HeatFluxUnits", s.flux.field.unit);
    CoefBox = new QCheckBox(Q(s.coef.field.label), this);
    CoefBox->setObjectName("CoefBox");
    CoefBox->setChecked(s.coef.ticked);
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
    TempBox = new QCheckBox(Q(s.temp.field.label), this);
    TempBox->setObjectName("TempBox");
    TempBox->setChecked(s.temp.ticked);
    TempEdit = MakeEdit("TempEdit", s.temp.field);
    TempUnits = MakeLabel("TempUnits", s.temp.field.unit);
    XLabel = MakeLabel("XLabel", s.x.label);
    XEdit = MakeEdit("XEdit", s.x);
    XUnits = MakeLabel("XUnits", s.x.unit);
    YLabel = MakeLabel("YLabel", s.y.label);
    YEdit = MakeEdit("YEdit", s.y);
    YUnits = MakeLabel("YUnits", s.y.unit);
    InfoL = MakeLabel("InfoL", s.info);
    auto* grid = new QGridLayout;
    grid->addWidget(TempBox, 0, 0);
    grid->addWidget(TempEdit, 0, 1);
    grid->addWidget(TempUnits, 0, 2);
    AddRow(grid, 1, XLabel, XEdit, XUnits, s.x);
    AddRow(grid, 2, YLabel, YEdit, YUnits, s.y);
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
    TempL = MakeLabel("TempL", m_state.temp.label);
    TempEdit = MakeEdit("TempEdit", m_state.temp);
    TempU = MakeLabel("TempU", m_state.temp.unit);
    SpecHeatL = MakeLabel("SpecHeatL", m_state.specHeat.label);
    SpecHeatEdit = MakeEdit("SpecHeatEdit", m_state.specHeat);
    SpecHeatU = MakeLabel("SpecHeatU", m_state.specHeat.unit);
    auto* grid = new QGridLayout;
    AddRow(grid, 0, TempL, TempEdit, TempU, m_state.temp);
    AddRow(grid, 1, SpecHeatL, SpecHeatEdit, SpecHeatU, m_state.specHeat);
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
    Label1 = MakeLabel("Label1", m_state.coef.label);
    FinConvCoefEdit = MakeEdit("FinConvCoefEdit", m_state.coef);
    ConvCoefU = MakeLabel("ConvCoefU", m_state.coef.unit);
    TempL = MakeLabel("TempL", m_state.temp.label);
    TempEdit = MakeEdit("TempEdit", m_state.temp);
    TempU = MakeLabel("TempU", m_state.temp.unit);
    SpecHeatL = MakeLabel("SpecHeatL", m_state.flux.label);
    FinHeatFluxEdit = MakeEdit("FinHeatFluxEdit", m_state.flux);
    HeatFluxU = MakeLabel("HeatFluxU", m_state.flux.unit);
    auto* grid = new QGridLayout;
    AddRow(grid, 0, Label1, FinConvCoefEdit, ConvCoefU, m_state.coef);
    AddRow(grid, 1, TempL, TempEdit, TempU, m_state.temp);
    AddRow(grid, 2, SpecHeatL, FinHeatFluxEdit, HeatFluxU, m_state.flux);
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
        boxes[i] = new QCheckBox(Q(row.field.label), this);
        boxes[i]->setObjectName(kBoxes[i]);
        boxes[i]->setChecked(row.ticked);
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
