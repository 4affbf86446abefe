// "Contour Information": the scale (typed or automatic), the kind of picture, band and
// line counts, palette, outline switches and, for a transient problem, the time shown or
// the whole sequence. Its OK is the core's ContourDialogOk; a refused field keeps the
// dialog open with the field selected and changes nothing.
#pragma once

#include <QDialog>

#include "results/contours.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace kova {
class Reporter;
}

namespace kova::ui {

class TimeRow;

class TContourDlg : public QDialog {
    Q_OBJECT
public:
    TContourDlg(ResultView view, ContourSettings& settings, Reporter& reporter,
                QWidget* parent = nullptr);

    QPushButton* UserAuto;
    QLineEdit* MinEdit;
    QLineEdit* MaxEdit;
    QLabel* TempL;
    QComboBox* ContourType;
    QSpinBox* NContoursEdit;
    QSpinBox* NLinesEdit;
    QComboBox* ContourFillDB;
    QCheckBox* OutlinesBox;
    QCheckBox* ElementsBox;
    QRadioButton* WhiteRB;
    QRadioButton* BlackRB;
    QRadioButton* StartStopRB;
    QRadioButton* AtTimeRB;
    QLineEdit* TimeEdit;
    QToolButton* SpinUp;
    QToolButton* SpinDown;
    QLabel* SecL;
    TimeRow* Time;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // The step chosen with the spin buttons or the time field.
    int ChosenStep() const;
    bool TimeOK() const { return m_timeOk; }

    void accept() override;
    // The time field loses the focus: a stored time selects its step, anything else
    // beeps and keeps the focus.
    void TimeEditExit();
    void UserAutoClick();

private:
    // An automatic scale follows the chosen time or sequence.
    void RefreshAutoScale();
    void ElementsBoxClick();

    ResultView m_view;
    ContourSettings& m_settings;
    Reporter& m_reporter;
    bool m_timeOk = true;
};

}  // namespace kova::ui
