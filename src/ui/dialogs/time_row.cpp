#include "dialogs/time_row.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

#include "results/result_dialogs.hpp"

namespace kova::ui {

TimeRow::TimeRow(ResultView view, bool startToStop, QWidget* parent)
    : QWidget(parent), m_view(view) {
    StartStopRB = new QRadioButton("From start to stop", this);
    AtTimeRB = new QRadioButton("At time = ", this);
    TimeEdit = new QLineEdit(this);
    TimeEdit->setObjectName("TimeEdit");
    SpinUp = new QToolButton(this);
    SpinUp->setArrowType(Qt::UpArrow);
    SpinDown = new QToolButton(this);
    SpinDown->setArrowType(Qt::DownArrow);
    SecL = new QLabel(view.problem.settings.timeInHours ? "hr" : "sec", this);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w :
         std::initializer_list<QWidget*>{StartStopRB, AtTimeRB, TimeEdit, SpinUp, SpinDown, SecL})
        row->addWidget(w);
    setVisible(view.problem.settings.transient);

    (startToStop ? StartStopRB : AtTimeRB)->setChecked(true);
    SetStep(view.Step());
    connect(SpinUp, &QToolButton::clicked, this, [this] { Spin(1); });
    connect(SpinDown, &QToolButton::clicked, this, [this] { Spin(-1); });
}

void TimeRow::SetStep(int step) {
    m_step = step;
    TimeEdit->setText(QString::fromStdString(AutoText(m_view.TimeOf(step), 5)));
}

bool TimeRow::WholeSequence() const {
    return m_view.problem.settings.transient && StartStopRB->isChecked();
}

void TimeRow::Spin(int delta) {
    SetStep(SpinStep(m_view, m_step, delta));
    emit stepped();
    AtTimeRB->setChecked(true);
}

}  // namespace kova::ui
