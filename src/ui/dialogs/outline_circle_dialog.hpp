// "Outline Circular Shape" (TOutlineC): diameter, shape and orientation with a picture of
// the chosen shape, centre point and number of points. OK's checks and arithmetic are the
// core's CircleDialogOk; an invalid entry keeps the dialog open with that entry selected.
#pragma once

#include <QDialog>

#include "editing/circle_dialog.hpp"
#include "model/problem.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QSpinBox;

namespace kova::ui {

class TOutlineC : public QDialog {
    Q_OBJECT
public:
    // `centre` is the drawing point the centre fields start at.
    TOutlineC(Problem& problem, QPointF centre, QWidget* parent = nullptr);

    const CircleDialogResult& result() const { return m_result; }

    QLineEdit* DEdit;
    QLabel* DUnits;
    QComboBox* ShapesDD;
    QLabel* CImage;
    QScrollBar* CScroll;
    QLineEdit* xedit;
    QLineEdit* yEdit;
    QLabel* xlabel;
    QLabel* yLabel;
    QSpinBox* NPtsSpin;

    void accept() override;

private:
    void ShowShape();

    Problem& m_problem;
    CircleDialogResult m_result;
};

// The picture of a shape (0 circle, 1 semi-circle, 2 quarter-circle) at an orientation
// (0 to 3, quarter turns clockwise from the right on the screen).
QPixmap CircleShapePicture(int shape, int orientation, int size);

}  // namespace kova::ui
