// "Transient Calculation Setup": stop time, step, time unit, method and the frames for
// nodal balances, shown by Calculate and Continue before every transient run. Its OK
// is the core's ApplyTransientSetup; a refused entry keeps the dialog open with the
// field selected and changes nothing.
#pragma once

#include <QDialog>
#include <QString>

#include "model/problem.hpp"
#include "run/calculation.hpp"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QLabel;

namespace kova::ui {

class TTransientDlg : public QDialog {
    Q_OBJECT
public:
    TTransientDlg(Problem& problem, CalculationState& state, QWidget* parent = nullptr);

    QLineEdit* StartEdit;
    QLineEdit* StopEdit;
    QLineEdit* StepEdit;
    QPushButton* TimeUnits;
    QCheckBox* Nodal;
    QListWidget* FrameBox;
    QRadioButton* EulerRB;
    QRadioButton* CrankRB;
    QLabel* MessageLine;

    void accept() override;

private:
    void NodalClick();
    void FrameBoxClick();
    void TimeUnitsClick();

    Problem& m_problem;
    CalculationState& m_state;
    bool m_hours = false;
    QString m_shownStop, m_shownStep;
};

}  // namespace kova::ui
