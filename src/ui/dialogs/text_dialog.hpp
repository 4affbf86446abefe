// "Enter Text Information" (TNewTextDlg): the text, its font and colour, background and
// orientation, with Delete and Copy. What OK and Delete change is the core's
// TextDialogOk and TextDialogDelete; the form only shows and collects the fields.
#pragma once

#include <QDialog>
#include <QFont>

#include "editing/text_commands.hpp"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kova::ui {

class TNewTextDlg : public QDialog {
    Q_OBJECT
public:
    TNewTextDlg(Problem& problem, TextState& state, QWidget* parent = nullptr);

    QLineEdit* TextEdit;
    QPushButton* FontBtn;
    QPushButton* ColorBtn;
    QRadioButton* TransparentB;
    QRadioButton* OpaqueB;
    QRadioButton* HorizontalRB;
    QRadioButton* InclinedRB;
    QSpinBox* SpinAngle;
    QPushButton* Delete;
    QPushButton* CopyBtn;

    // The values the font and colour buttons chose.
    TextDialogValues& values() { return m_values; }

    void accept() override;

private:
    Problem& m_problem;
    TextState& m_state;
    TextItem m_backup;
    TextDialogValues m_values;
};

}  // namespace kova::ui
