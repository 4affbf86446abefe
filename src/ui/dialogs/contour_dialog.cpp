#include "dialogs/contour_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dialogs/line_edit_field.hpp"
#include "dialogs/time_row.hpp"
#include "results/result_dialogs.hpp"
#include "units/unit_labels.hpp"

namespace kova::ui {
namespace {

QString Caption(const Problem& p, bool pressure) {
    switch (p.settings.subject) {
        case ProbTypeA::ElecFieldC:
        case ProbTypeA::ElecFieldNC:
            return "Voltage Contour Information";
        case ProbTypeA::MagField:
            return "Magnetic Potential Contour Information";
        case ProbTypeA::Potential:
            return pressure ? "Pressure Contour Information"
                            : "Stream Function Contour Information";
        case ProbTypeA::Hydrodynamics:
            return "Head Contour Information";
        default:
            return "Temperature Contour Information";
    }
}

QString Auto(Real v, int digits) {
    return QString::fromStdString(AutoText(v, digits));
}

}  // namespace

TContourDlg::TContourDlg(ResultView view, ContourSettings& settings, Reporter& reporter,
                         QWidget* parent)
    : QDialog(parent), m_view(view), m_settings(settings), m_reporter(reporter) {
    const Problem& p = view.problem;
    const bool pressure = view.pressures != nullptr;
    setWindowTitle(Caption(p, pressure));
    UserAuto = new QPushButton("User", this);
    UserAuto->setObjectName("UserAuto");
    MinEdit = new QLineEdit(this);
    MinEdit->setObjectName("MinEdit");
    MaxEdit = new QLineEdit(this);
    MaxEdit->setObjectName("MaxEdit");
    TempL =
        new QLabel(pressure ? QString("Scale [Pa]")
                            : "Scale " + QString::fromStdString(UnitLabel(p, Quantity::Potential)),
                   this);
    ContourType = new QComboBox(this);
    ContourType->setObjectName("ContourType");
    ContourType->addItems({"Shaded bands", "Continuous", "Isopotential lines"});
    NContoursEdit = new QSpinBox(this);
    NContoursEdit->setObjectName("NContoursEdit");
    NContoursEdit->setRange(5, 99);
    NLinesEdit = new QSpinBox(this);
    NLinesEdit->setObjectName("NLinesEdit");
    NLinesEdit->setRange(2, 99);
    ContourFillDB = new QComboBox(this);
    ContourFillDB->setObjectName("ContourFillDB");
    ContourFillDB->addItems({"Blue to red", "Gray scale", "Full spectrum"});
    OutlinesBox = new QCheckBox("Show outlines", this);
    ElementsBox = new QCheckBox("Show element lines", this);
    WhiteRB = new QRadioButton("White", this);
    BlackRB = new QRadioButton("Black", this);
    Time = new TimeRow(view, settings.startToStop, this);
    StartStopRB = Time->StartStopRB;
    AtTimeRB = Time->AtTimeRB;
    TimeEdit = Time->TimeEdit;
    SpinUp = Time->SpinUp;
    SpinDown = Time->SpinDown;
    SecL = Time->SecL;
    OKBtn = new QPushButton("OK", this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);

    auto* form = new QFormLayout;
    auto* scale = new QHBoxLayout;
    scale->addWidget(MinEdit);
    scale->addWidget(MaxEdit);
    scale->addWidget(UserAuto);
    form->addRow(TempL, scale);
    form->addRow("Type", ContourType);
    form->addRow("Bands", NContoursEdit);
    form->addRow("Lines", NLinesEdit);
    form->addRow("Fill", ContourFillDB);
    auto* lines = new QHBoxLayout;
    lines->addWidget(OutlinesBox);
    lines->addWidget(ElementsBox);
    lines->addWidget(WhiteRB);
    lines->addWidget(BlackRB);
    form->addRow(lines);
    form->addRow(Time);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    MinEdit->setText(Auto(settings.scaleMin, 5));
    MaxEdit->setText(Auto(settings.scaleMax, 5));
    ContourType->setCurrentIndex(static_cast<int>(settings.kind));
    NContoursEdit->setValue(settings.bandCount);
    NLinesEdit->setValue(settings.lineCount);
    ContourFillDB->setCurrentIndex(static_cast<int>(settings.palette));
    OutlinesBox->setChecked(settings.showOutlines);
    if (settings.autoScale || settings.scaleMin == kScaleUnset ||
        settings.scaleMax == kScaleUnset) {
        UserAuto->setText("User");
        UserAutoClick();
    }
    ElementsBox->setChecked(settings.showElementLines);
    ElementsBoxClick();
    MinEdit->setFocus();

    connect(UserAuto, &QPushButton::clicked, this, &TContourDlg::UserAutoClick);
    const auto toUser = [this] {
        UserAuto->setText("User");
        m_settings.autoScale = false;
    };
    connect(MinEdit, &QLineEdit::textEdited, this, toUser);
    connect(MaxEdit, &QLineEdit::textEdited, this, toUser);
    connect(Time, &TimeRow::stepped, this, [this] {
        m_timeOk = true;
        RefreshAutoScale();
    });
    connect(TimeEdit, &QLineEdit::editingFinished, this, &TContourDlg::TimeEditExit);
    connect(StartStopRB, &QRadioButton::clicked, this, &TContourDlg::RefreshAutoScale);
    connect(ElementsBox, &QCheckBox::toggled, this, &TContourDlg::ElementsBoxClick);
    connect(OKBtn, &QPushButton::clicked, this, &TContourDlg::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TContourDlg::reject);
}

int TContourDlg::ChosenStep() const {
    return Time->Step();
}

void TContourDlg::RefreshAutoScale() {
    if (UserAuto->text() == "Auto") {
        UserAuto->setText("User");
        UserAutoClick();
    }
}

void TContourDlg::UserAutoClick() {
    if (UserAuto->text() == "Auto") {
        UserAuto->setText("User");
        return;
    }
    UserAuto->setText("Auto");
    m_settings.autoScale = true;
    const Problem& p = m_view.problem;
    int first = Time->Step(), last = Time->Step();
    if (Time->WholeSequence()) {
        first = StepOfTime(m_view, p.settings.transientStart);
        last = StepOfTime(m_view, p.settings.transientStop);
        if (last < first || p.settings.transientStop <= 0) last = m_view.LastStep();
    }
    const auto [low, high] = ComputeScaleRange(m_view, first, last);
    MinEdit->setText(Auto(low, 4));
    MaxEdit->setText(Auto(high, 4));
}

void TContourDlg::TimeEditExit() {
    m_timeOk = true;
    const std::optional<int> step = ContourDialogTimeStep(m_view, TimeEdit->text().toStdString());
    if (!step) {
        m_timeOk = false;
        SelectField(TimeEdit);
        m_reporter.Beep();
        return;
    }
    Time->SetStep(*step);
    RefreshAutoScale();
    AtTimeRB->setChecked(true);
}

void TContourDlg::ElementsBoxClick() {
    const bool on = ElementsBox->isChecked();
    WhiteRB->setEnabled(on);
    BlackRB->setEnabled(on);
    if (on) (m_settings.whiteLines ? WhiteRB : BlackRB)->setChecked(true);
}

void TContourDlg::accept() {
    ContourDialogFields f;
    f.userCaption = UserAuto->text() == "User";
    f.timeOk = m_timeOk;
    f.kind = static_cast<ContourKind>(ContourType->currentIndex());
    f.bandCount = NContoursEdit->value();
    f.lineCount = NLinesEdit->value();
    f.palette = static_cast<ContourPalette>(ContourFillDB->currentIndex());
    f.showElementLines = ElementsBox->isChecked();
    f.whiteChecked = WhiteRB->isChecked();
    f.showOutlines = OutlinesBox->isChecked();
    f.startToStop = Time->WholeSequence();
    LineEditField low(MinEdit), high(MaxEdit);
    if (ContourDialogOk(m_settings, f, low, high, m_reporter) != DialogRefusal::None) return;
    QDialog::accept();
}

}  // namespace kova::ui
