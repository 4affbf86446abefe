// The time row of the contour and gradient dialogs: "From start to stop" or "At time = "
// with the displayed level's time and the two spin buttons that step through the
// computed levels. It is shown only for a transient problem.
#pragma once

#include <QWidget>

#include "results/contours.hpp"

class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace kova::ui {

class TimeRow : public QWidget {
    Q_OBJECT
public:
    TimeRow(ResultView view, bool startToStop, QWidget* parent);

    QRadioButton* StartStopRB;
    QRadioButton* AtTimeRB;
    QLineEdit* TimeEdit;
    QToolButton* SpinUp;
    QToolButton* SpinDown;
    QLabel* SecL;

    int Step() const { return m_step; }
    // Chooses a level and shows its time.
    void SetStep(int step);
    // The whole sequence is chosen (only a transient problem has one).
    bool WholeSequence() const;

signals:
    // A spin button moved to another level; "At time = " is checked right after, so
    // a handler still sees the choice the user had made before.
    void stepped();

private:
    void Spin(int delta);

    ResultView m_view;
    int m_step = 0;
};

}  // namespace kova::ui
