// What the problem-definition dialogs' forms share: OK, Cancel and a disabled Help button,
// a message line at the foot that repeats a refusal, rows of label, edit field and unit,
// and check boxes that follow their fields. The OK logic is the core's; a form reads its
// widgets into the core's state, runs the OK function and either closes or selects the
// field the refusal names.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

#include "editing/dialog_fields.hpp"

class QDialogButtonBox;
class QGridLayout;
class QVBoxLayout;

namespace kova::ui {

class DefinitionDialogBase : public QDialog {
    Q_OBJECT
public:
    explicit DefinitionDialogBase(const QString& objectName, QWidget* parent);

    QLabel* MessageLine = nullptr;
    QDialogButtonBox* Buttons = nullptr;

    void accept() override;

protected:
    // Reads the widgets and runs the core OK.
    virtual DialogResult Apply() = 0;

    // Call at the end of the constructor: the rows' layout above the message line and buttons.
    void Finish(QLayout* content);

    // An edit field named `name` showing `field`'s text, enabled as it says.
    QLineEdit* MakeEdit(const char* name, const DialogField& field);
    // A label named `name` (empty name: unnamed).
    QLabel* MakeLabel(const char* name, const std::string& text);
    // Adds label, edit and unit as a row of a grid and hides the row when the field is.
    void AddRow(QGridLayout* grid, int row, QWidget* label, QLineEdit* edit, QLabel* unit,
                const DialogField& field);
    // The object names of a row's label, edit field and unit.
    struct RowNames {
        const char* label;
        const char* edit;
        const char* unit;
    };
    // Makes `field`'s label, edit field and unit, in that order, under `names` and adds
    // them as row `row` of the grid (AddRow).
    void MakeRow(QGridLayout* grid, int row, const DialogField& field, RowNames names,
                 QLabel*& label, QLineEdit*& edit, QLabel*& unit);
    // A check box named `name` with `ticked`'s field label, ticked as it says.
    QCheckBox* MakeBox(const char* name, const TickedField& ticked);

    // The box ticks on a mouse click into the field and follows typing; leaving an edited
    // field ticks it exactly when the text has more than spaces; unticking empties the
    // field (and `alsoClear`).
    void FollowTicks(QCheckBox* box, QLineEdit* edit, QLineEdit* alsoClear = nullptr);

    // A mouse click into `edit` ticks `box`.
    void TickOnClick(QCheckBox* box, QLineEdit* edit);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, QCheckBox*> m_tickOnClick;
};

// The text of a QLineEdit as the core takes it.
inline std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace kova::ui
