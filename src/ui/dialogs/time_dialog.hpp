// "Select Time": the step a values, heat-flow or balance window shows in a transient
// problem, chosen with a scroll bar over the computed levels or by typing a time. A bad
// time beeps with the text selected and keeps the step; OK takes the step chosen.
#pragma once

#include <QDialog>

#include "results/contours.hpp"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace kova {
class Reporter;
}

namespace kova::ui {

class TTempDlg : public QDialog {
    Q_OBJECT
public:
    TTempDlg(ResultView view, Reporter& reporter, QWidget* parent = nullptr);

    QScrollBar* ScrollBar;
    QLineEdit* TimeBox;
    QLabel* TimeBox2;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    int ChosenStep() const { return m_step; }

    // The bar moved: its step, and that step's time in the box.
    void ScrollBarChange(int position);
    // Typing: a readable time moves the bar to the nearest computed level, the text and
    // caret staying as typed.
    void TimeBoxChange(const QString& text);
    // Leaving the box (or OK): a bad time selects the text and beeps; false then.
    bool TimeBoxExit();

    void accept() override;

private:
    ResultView m_view;
    Reporter& m_reporter;
    int m_step = 0;
};

}  // namespace kova::ui
