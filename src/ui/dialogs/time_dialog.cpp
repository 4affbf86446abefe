#include "dialogs/time_dialog.hpp"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "dialogs/line_edit_field.hpp"
#include "model/number_format.hpp"
#include "results/result_dialogs.hpp"
#include "solver/transient_solution.hpp"

namespace kova::ui {

TTempDlg::TTempDlg(ResultView view, Reporter& reporter, QWidget* parent)
    : QDialog(parent), m_view(view), m_reporter(reporter) {
    setObjectName("TTempDlg");
    setWindowTitle("Select Time");
    ScrollBar = new QScrollBar(Qt::Horizontal, this);
    ScrollBar->setObjectName("ScrollBar");
    ScrollBar->setMinimumWidth(240);
    TimeBox = new QLineEdit(this);
    TimeBox->setObjectName("TimeBox");
    TimeBox2 = new QLabel(view.problem.settings.timeInHours ? "hr" : "sec", this);
    TimeBox2->setObjectName("TimeBox2");
    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton(QDialogButtonBox::Ok);
    CancelBtn = buttons->addButton(QDialogButtonBox::Cancel);
    auto* time = new QHBoxLayout;
    time->addWidget(TimeBox);
    time->addWidget(TimeBox2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ScrollBar);
    layout->addLayout(time);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TTempDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // Only computed levels: a cancelled run offers no more than it stored.
    const int last = std::max(view.LastStep(), 0);
    ScrollBar->setRange(0, last);
    ScrollBar->setPageStep(std::max(1, last / 5));
    ScrollBar->setValue(std::clamp(view.Step(), 0, last));
    connect(ScrollBar, &QScrollBar::valueChanged, this, &TTempDlg::ScrollBarChange);
    connect(TimeBox, &QLineEdit::textEdited, this, &TTempDlg::TimeBoxChange);
    connect(TimeBox, &QLineEdit::editingFinished, this, [this] { TimeBoxExit(); });
    ScrollBarChange(ScrollBar->value());
}

void TTempDlg::ScrollBarChange(int position) {
    m_step = position;
    TimeBox->setText(QString::fromStdString(AutoText(m_view.TimeOf(m_step), 4)));
}

void TTempDlg::TimeBoxChange(const QString& text) {
    const std::optional<int> step = SelectTimeStep(m_view, text.toStdString());
    if (!step) return;  // judged when the box is left: a half-typed number is no error
    const QSignalBlocker block(ScrollBar);
    ScrollBar->setValue(*step);
    m_step = ScrollBar->value();
}

bool TTempDlg::TimeBoxExit() {
    const std::optional<int> step = SelectTimeStep(m_view, TimeBox->text().toStdString());
    if (!step) {
        SelectField(TimeBox);
        m_reporter.Beep();
        return false;
    }
    ScrollBar->setValue(*step);
    ScrollBarChange(ScrollBar->value());
    return true;
}

void TTempDlg::accept() {
    if (!TimeBoxExit()) return;
    QDialog::accept();
}

}  // namespace kova::ui
