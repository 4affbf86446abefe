#include "dialogs/calc_dialog.hpp"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "run/calculation.hpp"

namespace kova::ui {

TCalcDlg::TCalcDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("TCalcDlg");
    setWindowTitle("Calculations in progress...");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    Info1 = new QLabel(" ", this);
    Info1->setObjectName("Info1");
    Info1->setAlignment(Qt::AlignCenter);
    Info2 = new QLabel(" ", this);
    Info2->setObjectName("Info2");
    Info3 = new QLabel(" ", this);
    Info3->setObjectName("Info3");
    Gauge = new QProgressBar(this);
    Gauge->setObjectName("Gauge");
    Gauge->setRange(0, 100);
    Button = new QPushButton("Abort", this);
    Button->setObjectName("Button");
    for (QWidget* w : std::initializer_list<QWidget*>{Info1, Info2, Info3, Gauge})
        layout->addWidget(w);
    layout->addWidget(Button, 0, Qt::AlignHCenter);
    setMinimumWidth(360);
    connect(Button, &QPushButton::clicked, this, &TCalcDlg::ButtonClick);
    m_bandwidthTimer = new QTimer(this);
    m_bandwidthTimer->setInterval(100);
    connect(m_bandwidthTimer, &QTimer::timeout, this, &TCalcDlg::PollBandwidth);
}

void TCalcDlg::StartRun(bool transient) {
    StopWatchingBandwidth();
    m_abort = false;
    m_running = true;
    Info1->setText(" ");
    Info2->setText(" ");
    Info3->setText(" ");
    Gauge->setValue(0);
    Gauge->setVisible(transient);
    Button->setText("Abort");
    // Only a transient run can be cancelled between its levels.
    Button->setEnabled(transient);
    setWindowTitle("Calculations in progress...");
    adjustSize();
}

void TCalcDlg::RunEnded() {
    m_running = false;
    Button->setText("Continue");
    Button->setEnabled(true);
}

void TCalcDlg::ShowBandwidthWhenKnown(BandwidthFigure figure, std::function<bool()> stale) {
    m_bandwidth = std::move(figure);
    m_stale = std::move(stale);
    m_bandwidthTimer->start();
    PollBandwidth();
}

void TCalcDlg::PollBandwidth() {
    if (const std::optional<int> bandwidth = m_bandwidth.Value()) {
        Info2->setText(QString::fromStdString(BandwidthLine(*bandwidth)));
        StopWatchingBandwidth();
        return;
    }
    if (m_running) return;  // the search may not have started yet
    if (!m_bandwidth.Pending()) {
        StopWatchingBandwidth();
    } else if (m_stale && m_stale()) {
        m_bandwidth.Abandon();
        StopWatchingBandwidth();
    }
}

void TCalcDlg::StopWatchingBandwidth() {
    m_bandwidthTimer->stop();
    m_bandwidth = BandwidthFigure{};
    m_stale = nullptr;
}

void TCalcDlg::ButtonClick() {
    if (m_running) {
        m_abort = true;
        Button->setEnabled(false);
        return;
    }
    hide();
}

void TCalcDlg::Progress::SetCaption(const std::string& caption) {
    const QString c = QString::fromStdString(caption);
    QMetaObject::invokeMethod(&m_dialog, [d = &m_dialog, c] { d->setWindowTitle(c); });
}

void TCalcDlg::Progress::SetLine(int line, const std::string& text) {
    const QString t = QString::fromStdString(text);
    QMetaObject::invokeMethod(&m_dialog, [d = &m_dialog, line, t] {
        QLabel* label = line == 1 ? d->Info1 : line == 2 ? d->Info2 : d->Info3;
        label->setText(t);
    });
}

void TCalcDlg::Progress::ShowGauge(bool shown) {
    QMetaObject::invokeMethod(&m_dialog, [d = &m_dialog, shown] {
        d->Gauge->setVisible(shown);
        d->adjustSize();
    });
}

void TCalcDlg::Progress::SetGauge(int percent) {
    QMetaObject::invokeMethod(&m_dialog, [d = &m_dialog, percent] { d->Gauge->setValue(percent); });
}

void TCalcDlg::Progress::SetButtonCaption(const std::string& caption) {
    const QString c = QString::fromStdString(caption);
    QMetaObject::invokeMethod(&m_dialog, [d = &m_dialog, c] { d->Button->setText(c); });
}

void TCalcDlg::Progress::Close() {
    QMetaObject::invokeMethod(&m_dialog, [d = &m_dialog] {
        d->m_running = false;
        d->hide();
    });
}

}  // namespace kova::ui
