#include "dialogs/scale_size_dialog.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "dialogs/line_edit_field.hpp"
#include "model/length_units.hpp"
#include "model/number_format.hpp"
#include "painting/painter.hpp"
#include "units/scale_arithmetic.hpp"
#include "units/unit_labels.hpp"

namespace kova::ui {
namespace {

QString Four(Real v) {
    return QString::fromStdString(FormatGeneral(v, 4));
}

}  // namespace

TUnitsScaleDlg::TUnitsScaleDlg(Problem& problem, const ClientArea& client, QWidget* parent)
    : QDialog(parent), m_problem(problem), m_client(client) {
    setObjectName("TUnitsScaleDlg");
    setWindowTitle("Scale and Size");
    const ProblemSettings& s = problem.settings;
    m_system = s.unitSystem;
    m_index = s.lengthUnitIndex;
    m_shownScale = ShownScale(s.unitSystem, s.drawingScale);
    m_gridX = s.gridSpacingX;
    m_gridY = s.gridSpacingY;
    m_originX = s.originX;
    m_originY = s.originY;

    UnitsL = new QGroupBox(" Units ", this);
    SIButton = new QRadioButton("SI", UnitsL);
    SIButton->setObjectName("SIButton");
    EnglishButton = new QRadioButton("English", UnitsL);
    EnglishButton->setObjectName("EnglishButton");
    auto* units = new QHBoxLayout(UnitsL);
    units->addWidget(SIButton);
    units->addWidget(EnglishButton);
    const bool selectable = UnitSystemSelectable(s.subject);
    SIButton->setEnabled(selectable);
    EnglishButton->setEnabled(selectable);

    OriginBox = new QGroupBox(this);
    X0L = new QLabel(s.cylindrical ? "r0=" : "X0=", OriginBox);
    X0Edit = new QLineEdit(OriginBox);
    X0Edit->setObjectName("X0Edit");
    Y0L = new QLabel(s.cylindrical ? "Z0=" : "Y0=", OriginBox);
    Y0Edit = new QLineEdit(OriginBox);
    Y0Edit->setObjectName("Y0Edit");
    CenterBox = new QCheckBox("Center", OriginBox);
    CenterBox->setObjectName("CenterBox");
    auto* origin = new QGridLayout(OriginBox);
    origin->addWidget(X0L, 0, 0);
    origin->addWidget(X0Edit, 0, 1);
    origin->addWidget(Y0L, 1, 0);
    origin->addWidget(Y0Edit, 1, 1);
    origin->addWidget(CenterBox, 2, 0, 1, 2);

    ScaleBox = new QGroupBox(this);
    ScaleEdit = new QLineEdit(ScaleBox);
    ScaleEdit->setObjectName("ScaleEdit");
    ScaleUnitsP = new QPushButton(ScaleBox);
    ScaleUnitsP->setObjectName("ScaleUnitsP");
    ScaleUnitsP->setAutoDefault(false);
    ScaleUnitsP->setToolTip("Click to change the length unit");
    auto* scale = new QHBoxLayout(ScaleBox);
    scale->addWidget(ScaleEdit);
    scale->addWidget(ScaleUnitsP);

    GridSpacingBox = new QGroupBox(" Grid Spacing ", this);
    HorzLabel = new QLabel("Horz", GridSpacingBox);
    HGridEdit = new QLineEdit(GridSpacingBox);
    HGridEdit->setObjectName("HGridEdit");
    HGridUnitL = new QLabel(GridSpacingBox);
    VertLabel = new QLabel("Vert", GridSpacingBox);
    VGridEdit = new QLineEdit(GridSpacingBox);
    VGridEdit->setObjectName("VGridEdit");
    VGridUnitL = new QLabel(GridSpacingBox);
    auto* grid = new QGridLayout(GridSpacingBox);
    grid->addWidget(HorzLabel, 0, 0);
    grid->addWidget(HGridEdit, 0, 1);
    grid->addWidget(HGridUnitL, 0, 2);
    grid->addWidget(VertLabel, 1, 0);
    grid->addWidget(VGridEdit, 1, 1);
    grid->addWidget(VGridUnitL, 1, 2);

    FitSizeBox = new QCheckBox("Size to fill screen", this);
    FitSizeBox->setObjectName("FitSizeBox");
    const bool hasNodes = problem.nodes.Count() > 0;
    CenterBox->setEnabled(hasNodes);
    FitSizeBox->setEnabled(hasNodes);

    MessageLine = new QLabel(this);
    MessageLine->setObjectName("MessageLine");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    HelpButton = buttons->addButton(QDialogButtonBox::Help);
    HelpButton->setEnabled(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(UnitsL, 0, 0);
    layout->addWidget(ScaleBox, 0, 1);
    layout->addWidget(OriginBox, 1, 0);
    layout->addWidget(GridSpacingBox, 1, 1);
    layout->addWidget(FitSizeBox, 2, 0, 1, 2);
    layout->addWidget(MessageLine, 3, 0, 1, 2);
    layout->addWidget(buttons, 4, 0, 1, 2);

    connect(buttons, &QDialogButtonBox::accepted, this, &TUnitsScaleDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TUnitsScaleDlg::reject);
    connect(SIButton, &QRadioButton::clicked, this, [this] { SystemClick(Unittype::SI); });
    connect(EnglishButton, &QRadioButton::clicked, this, [this] { SystemClick(Unittype::Eng); });
    connect(ScaleUnitsP, &QPushButton::clicked, this, &TUnitsScaleDlg::LengthUnitClick);
    connect(ScaleEdit, &QLineEdit::editingFinished, this, &TUnitsScaleDlg::ScaleEditExit);
    connect(CenterBox, &QCheckBox::toggled, this, &TUnitsScaleDlg::BoxesChanged);
    connect(FitSizeBox, &QCheckBox::toggled, this, &TUnitsScaleDlg::BoxesChanged);
    ShowFields();
}

void TUnitsScaleDlg::ShowFields() {
    const bool si = m_system == Unittype::SI;
    (si ? SIButton : EnglishButton)->setChecked(true);
    OriginBox->setTitle(si ? "Origin  [cm]" : "Origin  [in]");
    ScaleBox->setTitle(si ? "Scale: 1 cm = " : "Scale: 1 in =");
    const QString label = QString::fromStdString(LengthLabel(m_system, m_index));
    ScaleUnitsP->setText(label);
    HGridUnitL->setText(label);
    VGridUnitL->setText(label);
    ScaleEdit->setText(Four(m_shownScale));
    const Real drawingScale = DrawingScaleFromShown(m_system, m_shownScale);
    HGridEdit->setText(Four(GridSpacingLength(m_gridX, drawingScale)));
    VGridEdit->setText(Four(GridSpacingLength(m_gridY, drawingScale)));
    const Real toPix = PixelsPerDrawingUnit(m_system);
    X0Edit->setText(Four(m_originX / toPix));
    Y0Edit->setText(Four((m_problem.view.refHeight - m_originY) / toPix));
}

void TUnitsScaleDlg::SystemClick(Unittype system) {
    if (system == m_system) return;
    m_shownScale = ConvertShownScale(m_shownScale, m_system, system, m_index);
    m_system = system;
    ShowFields();
}

void TUnitsScaleDlg::LengthUnitClick() {
    const int next = NextLengthUnitIndex(m_index);
    m_shownScale = ShownScaleForLengthUnit(m_shownScale, m_system, m_index, next);
    m_index = next;
    ShowFields();
}

void TUnitsScaleDlg::ScaleEditExit() {
    LineEditField field(ScaleEdit);
    const FieldNumber scale = ReadNumberField(field, 0, 0, kAnyNumber, m_problem.reporter());
    if (!scale.ok || !(scale.value > 0) || scale.value == m_shownScale) return;
    // The grid keeps its pixel spacing: its shown lengths follow the scale.
    m_shownScale = scale.value;
    ShowFields();
}

void TUnitsScaleDlg::BoxesChanged() {
    const bool fit = FitSizeBox->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(ScaleEdit), static_cast<QWidget*>(HGridEdit),
                       static_cast<QWidget*>(VGridEdit), static_cast<QWidget*>(ScaleUnitsP),
                       static_cast<QWidget*>(CenterBox)})
        w->setEnabled(!fit);
    const bool selectable = UnitSystemSelectable(m_problem.settings.subject);
    SIButton->setEnabled(!fit && selectable);
    EnglishButton->setEnabled(!fit && selectable);
    const bool originFixed = fit || CenterBox->isChecked();
    X0Edit->setEnabled(!originFixed);
    Y0Edit->setEnabled(!originFixed);
}

ScaleSizeEntry TUnitsScaleDlg::Entry() const {
    ScaleSizeEntry e;
    e.unitSystem = m_system;
    e.lengthUnitIndex = m_index;
    e.scale = ScaleEdit->text().toStdString();
    e.hGrid = HGridEdit->text().toStdString();
    e.vGrid = VGridEdit->text().toStdString();
    e.x0 = X0Edit->text().toStdString();
    e.y0 = Y0Edit->text().toStdString();
    e.center = CenterBox->isChecked();
    e.fitSize = FitSizeBox->isChecked();
    return e;
}

void TUnitsScaleDlg::accept() {
    const QtTextMetrics metrics;
    const ScaleSizeResult r = ApplyScaleAndSize(m_problem, Entry(), m_client, metrics, false);
    if (r.ok()) {
        QDialog::accept();
        return;
    }
    MessageLine->setText(QString::fromStdString(r.message));
    switch (r.failed) {
        case ScaleSizeField::Scale:
            SelectField(ScaleEdit);
            break;
        case ScaleSizeField::HGrid:
            SelectField(HGridEdit);
            break;
        case ScaleSizeField::VGrid:
            SelectField(VGridEdit);
            break;
        case ScaleSizeField::X0:
            SelectField(X0Edit);
            break;
        case ScaleSizeField::Y0:
            SelectField(Y0Edit);
            break;
        default:
            MessageLine->setText("The drawing does not fit the window.");
            break;
    }
}

TChangeSizeDlg::TChangeSizeDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("TChangeSizeDlg");
    setWindowTitle("Center and Change Display Size");
    TrackBar = new QSlider(Qt::Horizontal, this);
    TrackBar->setObjectName("TrackBar");
    TrackBar->setRange(1, 10);
    TrackBar->setValue(10);
    TrackBar->setTickPosition(QSlider::TicksBelow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Share of the window the drawing fills", this));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Smaller", this));
    row->addWidget(TrackBar, 1);
    row->addWidget(new QLabel("Larger", this));
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(320);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int TChangeSizeDlg::Position() const {
    return TrackBar->value();
}

}  // namespace kova::ui
