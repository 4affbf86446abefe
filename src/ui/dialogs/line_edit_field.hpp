// A QLineEdit as the core's NumberField: ReadNumberField reads its text and, on a
// refusal, gives it the focus with its whole text selected.
#pragma once

#include <QLineEdit>

#include "model/number_format.hpp"

namespace kova::ui {

class LineEditField : public NumberField {
public:
    explicit LineEditField(QLineEdit* edit) : m_edit(edit) {}
    std::string Text() const override { return m_edit->text().toStdString(); }
    void SelectAllAndFocus() override {
        m_edit->setFocus(Qt::OtherFocusReason);
        m_edit->selectAll();
    }

private:
    QLineEdit* m_edit;
};

// Gives an edit field the focus with its whole text selected.
inline void SelectField(QLineEdit* edit) {
    LineEditField(edit).SelectAllAndFocus();
}

}  // namespace kova::ui
