#include "dialogs/transient_dialog.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/line_edit_field.hpp"
#include "model/number_format.hpp"

namespace kova::ui {
namespace {

QString Shown(Real v) {
    return v == kUnspecified ? QString()
                             : QString::fromStdString(FormatNumber(AutoFormat(v, 5), v));
}

}  // namespace

TTransientDlg::TTransientDlg(Problem& problem, CalculationState& state, QWidget* parent)
    : QDialog(parent), m_problem(problem), m_state(state) {
    setObjectName("TTransientDlg");
    setWindowTitle("Transient Calculation Setup");
    const ProblemSettings& s = problem.settings;
    m_hours = s.timeInHours;

    StartEdit = new QLineEdit(Shown(s.transientStart), this);
    StartEdit->setObjectName("StartEdit");
    StartEdit->setEnabled(false);
    StopEdit = new QLineEdit(Shown(s.transientStop), this);
    StopEdit->setObjectName("StopEdit");
    StepEdit = new QLineEdit(Shown(s.transientStep), this);
    StepEdit->setObjectName("StepEdit");
    m_shownStop = StopEdit->text();
    m_shownStep = StepEdit->text();
    TimeUnits = new QPushButton(m_hours ? "hr" : "sec", this);
    TimeUnits->setObjectName("TimeUnits");
    TimeUnits->setAutoDefault(false);

    auto* times = new QFormLayout;
    times->addRow("Start", StartEdit);
    times->addRow("Stop", StopEdit);
    times->addRow("Step", StepEdit);
    times->addRow("Time unit", TimeUnits);

    EulerRB = new QRadioButton("Euler", this);
    EulerRB->setObjectName("EulerRB");
    CrankRB = new QRadioButton("Crank-Nicolson", this);
    CrankRB->setObjectName("CrankRB");
    (s.transMethod == TransMethodType::Euler ? EulerRB : CrankRB)->setChecked(true);
    auto* method = new QGroupBox("Method", this);
    auto* methodLayout = new QVBoxLayout(method);
    methodLayout->addWidget(EulerRB);
    methodLayout->addWidget(CrankRB);

    Nodal = new QCheckBox("Do Nodal Balances", this);
    Nodal->setObjectName("Nodal");
    FrameBox = new QListWidget(this);
    FrameBox->setObjectName("FrameBox");
    FrameBox->setSelectionMode(QAbstractItemView::MultiSelection);
    if (problem.frameCount == 1) problem.frames[1].balanceSelected = 1;
    for (int k = 1; k <= problem.frameCount; ++k) {
        const Frame& f = problem.frames[static_cast<std::size_t>(k)];
        const Material* m = problem.MaterialAt(f.material);
        FrameBox->addItem(QString::number(k) + ". " +
                          QString::fromStdString(m != nullptr ? m->name : std::string()));
    }
    // The dialog starts with balances off and nothing chosen.
    FrameBox->setEnabled(false);

    MessageLine = new QLabel(this);
    MessageLine->setObjectName("MessageLine");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addLayout(times);
    top->addWidget(method);
    layout->addLayout(top);
    layout->addWidget(Nodal);
    layout->addWidget(FrameBox);
    layout->addWidget(MessageLine);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &TTransientDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TTransientDlg::reject);
    connect(Nodal, &QCheckBox::clicked, this, &TTransientDlg::NodalClick);
    connect(FrameBox, &QListWidget::itemClicked, this, &TTransientDlg::FrameBoxClick);
    connect(TimeUnits, &QPushButton::clicked, this, &TTransientDlg::TimeUnitsClick);
    // "sec"/"hr" would change the meaning of the stored times while continuing.
    TimeUnits->setEnabled(!state.continueRun);
}

void TTransientDlg::NodalClick() {
    FrameBox->setEnabled(Nodal->isChecked());
    FrameBox->clearSelection();
    if (Nodal->isChecked() && FrameBox->count() > 0) FrameBox->item(0)->setSelected(true);
}

void TTransientDlg::FrameBoxClick() {
    Nodal->setChecked(!FrameBox->selectedItems().isEmpty());
}

void TTransientDlg::TimeUnitsClick() {
    // Takes effect at OK; entered times are not converted.
    m_hours = !m_hours;
    TimeUnits->setText(m_hours ? "hr" : "sec");
}

void TTransientDlg::accept() {
    Reporter& reporter = m_problem.reporter();
    ProblemSettings& s = m_problem.settings;
    TransientSetupInput input;
    // A number shown and left as it was keeps its stored value exactly.
    if (StopEdit->text() == m_shownStop && s.transientStop != kUnspecified) {
        input.stop = s.transientStop;
    } else {
        LineEditField field(StopEdit);
        const FieldNumber stop = ReadNumberField(field, 0, 0, kAnyNumber, reporter);
        if (!stop.ok) {
            MessageLine->setText(QString::fromStdString(reporter.StatusText(StatusPanel::Info)));
            return;
        }
        input.stop = stop.value;
    }
    if (StepEdit->text() == m_shownStep && s.transientStep != kUnspecified) {
        input.step = s.transientStep;
    } else {
        LineEditField field(StepEdit);
        const FieldNumber step = ReadNumberField(field, 0, 0, kAnyNumber, reporter);
        if (!step.ok) {
            MessageLine->setText(QString::fromStdString(reporter.StatusText(StatusPanel::Info)));
            return;
        }
        input.step = step.value;
    }
    input.method = EulerRB->isChecked() ? TransMethodType::Euler : TransMethodType::CrankN;
    input.doBalances = Nodal->isChecked();
    for (int i = 0; i < FrameBox->count(); ++i)
        if (FrameBox->item(i)->isSelected()) input.balanceFrames.push_back(i + 1);
    const TransientSetupResult result = ApplyTransientSetup(m_problem, m_state, input);
    switch (result.failure) {
        case SetupFailure::None:
            s.timeInHours = m_hours;
            QDialog::accept();
            return;
        case SetupFailure::StopNotAboveStart:
            SelectField(StopEdit);
            break;
        case SetupFailure::StepOutOfRange:
        case SetupFailure::ZeroStep:
            SelectField(StepEdit);
            break;
        case SetupFailure::NoFrameSelected:
            MessageLine->setText("Choose at least one frame for the nodal balances.");
            return;
        case SetupFailure::NoMemory:
            break;
    }
    MessageLine->setText(QString::fromStdString(result.message));
}

}  // namespace kova::ui
