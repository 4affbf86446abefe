// The gradient dialog: the flux scale (typed or automatic), gradient or flux in the
// thermal subjects, arrow length and grid spacing, contours under the arrows, line
// switches and the time. OK is the core's GradientDialogOk; Cancel restores what the
// dialog found; closing either way fixes a scale whose maximum is not above its minimum.
#pragma once

#include <QDialog>

#include "results/flux_arrows.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolButton;

namespace kova {
class Reporter;
}

namespace kova::ui {

class TimeRow;

class TGradientDlg : public QDialog {
    Q_OBJECT
public:
    TGradientDlg(ResultView view, GradientSettings& gradient, ContourSettings& contour,
                 Reporter& reporter, QWidget* parent = nullptr);

    QPushButton* UserAuto;
    QLineEdit* MinEdit;
    QLineEdit* MaxEdit;
    QLabel* ScaleL;
    QGroupBox* GradientTypeBox;
    QRadioButton* TempRB;
    QRadioButton* HeatFluxRB;
    QScrollBar* LengthSB;
    // The arrow drawn above LengthSB and the row of arrows above DensitySB.
    QWidget* LengthPreview;
    QWidget* DensityPreview;
    QScrollBar* DensitySB;
    QCheckBox* SuperimposeBox;
    QCheckBox* ElementsBox;
    QCheckBox* OutlinesBox;
    QRadioButton* WhiteRB;
    QRadioButton* BlackRB;
    QRadioButton* StartStopRB;
    QRadioButton* AtTimeRB;
    QLineEdit* TimeEdit;
    QToolButton* SpinUp;
    QToolButton* SpinDown;
    TimeRow* Time;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    int ChosenStep() const;
    void UserAutoClick();
    void accept() override;
    void reject() override;

private:
    void TypeClick(bool temperature);

    ResultView m_view;
    GradientSettings& m_gradient;
    ContourSettings& m_contour;
    Reporter& m_reporter;
    GradientSettings m_hold;
};

}  // namespace kova::ui
