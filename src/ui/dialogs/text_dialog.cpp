#include "dialogs/text_dialog.hpp"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kova::ui {
namespace {

// Colours are stored as 0x00BBGGRR.
QColor ToQColor(std::int32_t c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}
std::int32_t FromQColor(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

}  // namespace

TNewTextDlg::TNewTextDlg(Problem& problem, TextState& state, QWidget* parent)
    : QDialog(parent), m_problem(problem), m_state(state) {
    setObjectName("TNewTextDlg");
    setWindowTitle("Enter Text Information");
    m_values = OpenTextDialog(problem, state, m_backup);

    auto* layout = new QVBoxLayout(this);
    TextEdit = new QLineEdit(QString::fromStdString(m_values.text));
    TextEdit->setObjectName("TextEdit");
    TextEdit->setMaxLength(static_cast<int>(kMaxTextLength));
    TextEdit->setEnabled(m_values.textEnabled);
    layout->addWidget(TextEdit);

    auto* fontRow = new QHBoxLayout;
    FontBtn = new QPushButton("Set Font");
    ColorBtn = new QPushButton("Colour");
    fontRow->addWidget(FontBtn);
    fontRow->addWidget(ColorBtn);
    layout->addLayout(fontRow);

    auto* background = new QGroupBox("Background");
    auto* bl = new QHBoxLayout(background);
    TransparentB = new QRadioButton("Transparent");
    OpaqueB = new QRadioButton("Opaque");
    bl->addWidget(TransparentB);
    bl->addWidget(OpaqueB);
    (m_values.transparent ? TransparentB : OpaqueB)->setChecked(true);
    layout->addWidget(background);

    auto* orientation = new QGroupBox("Orientation");
    auto* ol = new QHBoxLayout(orientation);
    HorizontalRB = new QRadioButton("Horizontal");
    InclinedRB = new QRadioButton("Inclined");
    SpinAngle = new QSpinBox;
    SpinAngle->setRange(-90, 90);
    SpinAngle->setValue(m_values.angle);
    ol->addWidget(HorizontalRB);
    ol->addWidget(InclinedRB);
    ol->addWidget(SpinAngle);
    (m_values.inclined ? InclinedRB : HorizontalRB)->setChecked(true);
    layout->addWidget(orientation);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Delete = buttons->addButton("Delete", QDialogButtonBox::ActionRole);
    CopyBtn = buttons->addButton("Copy", QDialogButtonBox::ActionRole);
    Delete->setEnabled(m_values.deleteEnabled);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &TNewTextDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(SpinAngle, &QSpinBox::valueChanged, this, [this] { InclinedRB->setChecked(true); });
    connect(Delete, &QPushButton::clicked, this, [this] {
        TextDialogDelete(m_problem, m_state);
        QDialog::accept();
    });
    connect(CopyBtn, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(TextEdit->text()); });
    // The platform dialogs open without loops of their own.
    connect(FontBtn, &QPushButton::clicked, this, [this] {
        QFont font(QString::fromStdString(m_values.fontName), m_values.size);
        font.setBold(m_values.style & 1);
        font.setItalic(m_values.style & 2);
        font.setUnderline(m_values.style & 4);
        auto* dialog = new QFontDialog(font, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QFontDialog::fontSelected, this, [this](const QFont& f) {
            m_values.fontName = f.family().left(31).toStdString();
            m_values.size = f.pointSize() > 0 ? f.pointSize() : m_values.size;
            m_values.style = static_cast<std::uint8_t>((f.bold() ? 1 : 0) | (f.italic() ? 2 : 0) |
                                                       (f.underline() ? 4 : 0));
        });
        dialog->open();
    });
    connect(ColorBtn, &QPushButton::clicked, this, [this] {
        auto* dialog = new QColorDialog(ToQColor(m_values.color), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QColorDialog::colorSelected, this,
                [this](const QColor& c) { m_values.color = FromQColor(c); });
        dialog->open();
    });
    if (m_values.textEnabled) {
        TextEdit->setFocus();
        TextEdit->selectAll();
    }
}

void TNewTextDlg::accept() {
    TextDialogValues v = m_values;
    if (TextEdit->isEnabled()) v.text = TextEdit->text().toStdString();
    v.transparent = TransparentB->isChecked();
    v.inclined = InclinedRB->isChecked() && SpinAngle->value() != 0;
    v.angle = SpinAngle->value();
    TextDialogOk(m_problem, m_state, m_backup, v);
    QDialog::accept();
}

}  // namespace kova::ui
