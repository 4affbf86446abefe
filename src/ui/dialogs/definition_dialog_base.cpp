#include "dialogs/definition_dialog_base.hpp"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/line_edit_field.hpp"

namespace kova::ui {

DefinitionDialogBase::DefinitionDialogBase(const QString& objectName, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    MessageLine = new QLabel(this);
    MessageLine->setObjectName("MessageLine");
    MessageLine->setWordWrap(true);
    Buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    Buttons->button(QDialogButtonBox::Ok)->setObjectName("OKBtn");
    Buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelBtn");
    QPushButton* help = Buttons->button(QDialogButtonBox::Help);
    help->setObjectName("HelpBtn");
    help->setEnabled(false);
    connect(Buttons, &QDialogButtonBox::accepted, this, &DefinitionDialogBase::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &DefinitionDialogBase::reject);
}

void DefinitionDialogBase::Finish(QLayout* content) {
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(content);
    layout->addWidget(MessageLine);
    layout->addWidget(Buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

QLineEdit* DefinitionDialogBase::MakeEdit(const char* name, const DialogField& field) {
    auto* edit = new QLineEdit(QString::fromStdString(field.text), this);
    edit->setObjectName(name);
    edit->setEnabled(field.enabled);
    edit->setMinimumWidth(fontMetrics().horizontalAdvance(QString(14, QChar('0'))));
    return edit;
}

QLabel* DefinitionDialogBase::MakeLabel(const char* name, const std::string& text) {
    auto* label = new QLabel(QString::fromStdString(text), this);
    if (name != nullptr && *name != '\0') label->setObjectName(name);
    return label;
}

void DefinitionDialogBase::AddRow(QGridLayout* grid, int row, QWidget* label, QLineEdit* edit,
                                  QLabel* unit, const DialogField& field) {
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    if (unit != nullptr) grid->addWidget(unit, row, 2);
    for (QWidget* w : {label, static_cast<QWidget*>(edit), static_cast<QWidget*>(unit)})
        if (w != nullptr) w->setVisible(field.visible);
}

void DefinitionDialogBase::MakeRow(QGridLayout* grid, int row, const DialogField& field,
                                   RowNames names, QLabel*& label, QLineEdit*& edit,
                                   QLabel*& unit) {
    label = MakeLabel(names.label, field.label);
    edit = MakeEdit(names.edit, field);
    unit = MakeLabel(names.unit, field.unit);
    AddRow(grid, row, label, edit, unit, field);
}

QCheckBox* DefinitionDialogBase::MakeBox(const char* name, const TickedField& ticked) {
    auto* box = new QCheckBox(QString::fromStdString(ticked.field.label), this);
    box->setObjectName(name);
    box->setChecked(ticked.ticked);
    return box;
}

void DefinitionDialogBase::FollowTicks(QCheckBox* box, QLineEdit* edit, QLineEdit* alsoClear) {
    TickOnClick(box, edit);
    connect(edit, &QLineEdit::textEdited, box,
            [box](const QString& t) { box->setChecked(!t.trimmed().isEmpty()); });
    connect(edit, &QLineEdit::editingFinished, box, [box, edit] {
        if (edit->isModified()) box->setChecked(!edit->text().remove(' ').isEmpty());
    });
    connect(box, &QCheckBox::toggled, edit, [edit, alsoClear](bool on) {
        if (on) return;
        edit->clear();
        if (alsoClear != nullptr) alsoClear->clear();
    });
}

void DefinitionDialogBase::TickOnClick(QCheckBox* box, QLineEdit* edit) {
    m_tickOnClick.insert(edit, box);
    edit->installEventFilter(this);
}

bool DefinitionDialogBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
        if (QCheckBox* box = m_tickOnClick.value(watched, nullptr)) box->setChecked(true);
    }
    return QDialog::eventFilter(watched, event);
}

void DefinitionDialogBase::accept() {
    const DialogResult r = Apply();
    if (r.ok) {
        QDialog::accept();
        return;
    }
    MessageLine->setText(QString::fromStdString(r.message));
    if (auto* edit = findChild<QLineEdit*>(QString::fromStdString(r.field))) {
        SelectField(edit);
    } else if (auto* w = findChild<QWidget*>(QString::fromStdString(r.field))) {
        w->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace kova::ui
