// "Scale and Size" (TUnitsScaleDlg): unit system, origin, drawing scale with its length
// unit, grid spacing, "Center" and "Size to fill screen". The form keeps what it shows
// and changes nothing before OK, whose checks and storing are the core's
// ApplyScaleAndSize; Cancel therefore leaves every setting as it was.
#pragma once

#include <QDialog>

#include "model/problem.hpp"
#include "results/view_geometry.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace kova::ui {

class TUnitsScaleDlg : public QDialog {
    Q_OBJECT
public:
    TUnitsScaleDlg(Problem& problem, const ClientArea& client, QWidget* parent = nullptr);

    QGroupBox* UnitsL;
    QRadioButton* SIButton;
    QRadioButton* EnglishButton;
    QGroupBox* OriginBox;
    QLabel* X0L;
    QLineEdit* X0Edit;
    QLabel* Y0L;
    QLineEdit* Y0Edit;
    QCheckBox* CenterBox;
    QGroupBox* ScaleBox;
    QLineEdit* ScaleEdit;
    QPushButton* ScaleUnitsP;
    QGroupBox* GridSpacingBox;
    QLabel* HorzLabel;
    QLineEdit* HGridEdit;
    QLabel* HGridUnitL;
    QLabel* VertLabel;
    QLineEdit* VGridEdit;
    QLabel* VGridUnitL;
    QCheckBox* FitSizeBox;
    QPushButton* HelpButton;
    QLabel* MessageLine;

    void accept() override;

private:
    void SystemClick(Unittype system);
    void LengthUnitClick();
    void ScaleEditExit();
    void BoxesChanged();
    void ShowFields();
    ScaleSizeEntry Entry() const;

    Problem& m_problem;
    ClientArea m_client;
    Unittype m_system;
    int m_index;
    Real m_shownScale;      // the scale as shown, in m_system and m_index
    Real m_gridX, m_gridY;  // grid spacings in pixels
    Real m_originX, m_originY;
};

// "Center and Change Display Size": the share of the window a refitted drawing fills.
class TChangeSizeDlg : public QDialog {
    Q_OBJECT
public:
    explicit TChangeSizeDlg(QWidget* parent = nullptr);
    int Position() const;
    QSlider* TrackBar;
};

}  // namespace kova::ui
