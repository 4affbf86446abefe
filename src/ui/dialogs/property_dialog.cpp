#include "dialogs/property_dialog.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "painting/painter.hpp"
#include "platform/draw_list.hpp"
#include "results/input_drawing.hpp"

namespace kova::ui {
namespace {

// The swatch and the pattern glyph fill as the drawing fills a frame of the material.
QIcon BrushIcon(int colorIndex, int pattern, Rgb background = kWhite) {
    const Brush brush = MaterialBrush(colorIndex, pattern);
    QPixmap pm(24, 16);
    pm.fill(ToQColor(background));
    QPainter painter(&pm);
    painter.fillRect(pm.rect(), QBrush(ToQColor(brush.color), HatchPattern(brush.hatch)));
    return QIcon(pm);
}

QIcon ColorIcon(int index) {
    return BrushIcon(index, -1);
}

QIcon PatternIcon(int pattern) {
    return BrushIcon(0, pattern);
}

struct PatternButton {
    const char* name;
    int value;
};
constexpr PatternButton kPatternButtons[] = {{"HorzB", 0},  {"VertB", 1},  {"LDiagB", 2},
                                             {"RDiagB", 3}, {"CrossB", 4}, {"DCrossB", 5},
                                             {"SolidB", -1}};

}  // namespace

PopupPanel::PopupPanel(QWidget* parent) : QFrame(parent, Qt::Popup) {
    setFrameShape(QFrame::StyledPanel);
}

void PopupPanel::ShowBelow(QWidget* anchor) {
    adjustSize();
    move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
    setFocus(Qt::PopupFocusReason);
}

void PopupPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

TSetPropDlg::TSetPropDlg(Problem& problem, QWidget* parent)
    : DefinitionDialogBase("TSetPropDlg", parent),
      m_problem(problem),
      m_state(OpenPropertyDialog(problem)) {
    setWindowTitle("Specify Properties");
    PropertiesBox = new QListWidget(this);
    PropertiesBox->setObjectName("PropertiesBox");
    // As wide as the names need, so that the fields beside it get their full width.
    PropertiesBox->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    for (const std::string& name : m_state.names)
        PropertiesBox->addItem(QString::fromStdString(name));
    NameEdit = new QLineEdit(this);
    NameEdit->setObjectName("NameEdit");
    NameEdit->setMaxLength(static_cast<int>(kMaterialNameLength));
    NameEdit->installEventFilter(this);  // a double click selects the whole name
    TypeP = new QPushButton(this);
    TypeP->setObjectName("TypeP");
    TypeP->setAutoDefault(false);
    kykxedit = MakeEdit("kykxedit", m_state.kykx);

    ColorBox = new QToolButton(this);
    ColorBox->setObjectName("ColorBox");
    FrameColor = new PopupPanel(this);
    FrameColor->setObjectName("FrameColor");
    auto* gridLayout = new QGridLayout(FrameColor);
    for (int i = 0; i < 16; ++i) {
        auto* cell = new QToolButton(FrameColor);
        cell->setObjectName(QString("FrameColor%1").arg(i));
        cell->setIcon(ColorIcon(i));
        gridLayout->addWidget(cell, i / 4, i % 4);
        connect(cell, &QToolButton::clicked, this, [this, i] {
            m_state.colorIndex = i;
            m_state.colorPicked = true;
            ColorBox->setIcon(ColorIcon(i));
            FrameColor->hide();
        });
    }
    connect(ColorBox, &QToolButton::clicked, this, [this] { FrameColor->ShowBelow(ColorBox); });

    PatternBox = new QToolButton(this);
    PatternBox->setObjectName("PatternBox");
    PatternP = new PopupPanel(this);
    PatternP->setObjectName("PatternP");
    auto* patternLayout = new QHBoxLayout(PatternP);
    for (const PatternButton& b : kPatternButtons) {
        auto* button = new QToolButton(PatternP);
        button->setObjectName(b.name);
        button->setIcon(PatternIcon(b.value));
        patternLayout->addWidget(button);
        const int value = b.value;
        connect(button, &QToolButton::clicked, this, [this, value] {
            m_state.pattern = value;
            PatternBox->setIcon(PatternIcon(value));
            PatternP->hide();
        });
    }
    connect(PatternBox, &QToolButton::clicked, this, [this] { PatternP->ShowBelow(PatternBox); });

    ConductEdit = MakeEdit("ConductEdit", m_state.conduct);
    DensityEdit = MakeEdit("DensityEdit", m_state.density);
    SpecHeatEdit = MakeEdit("SpecHeatEdit", m_state.specHeat);
    PerfusionEdit = MakeEdit("PerfusionEdit", m_state.perfusion);
    ConductLabel = MakeLabel("ConductLabel", "");
    DensityLabel = MakeLabel("DensityLabel", "");
    SpecHeatLabel = MakeLabel("SpecHeatLabel", "");
    PerfusionLabel = MakeLabel("PerfusionLabel", "");
    ConductU = MakeLabel("ConductU", "");
    DensityU = MakeLabel("DensityU", "");
    SpecHeatU = MakeLabel("SpecHeatU", "");
    PerfusionU = MakeLabel("PerfusionU", "");
    TXYTime = MakeLabel("TXYTime", "");
    TXYTime->setWordWrap(true);

    auto* fields = new QGridLayout;
    fields->addWidget(MakeLabel("", "Name"), 0, 0);
    fields->addWidget(NameEdit, 0, 1, 1, 2);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(TypeP);
    typeRow->addWidget(kykxedit);
    fields->addLayout(typeRow, 1, 0, 1, 3);
    fields->addWidget(ConductLabel, 2, 0);
    fields->addWidget(ConductEdit, 2, 1);
    fields->addWidget(ConductU, 2, 2);
    fields->addWidget(DensityLabel, 3, 0);
    fields->addWidget(DensityEdit, 3, 1);
    fields->addWidget(DensityU, 3, 2);
    fields->addWidget(SpecHeatLabel, 4, 0);
    fields->addWidget(SpecHeatEdit, 4, 1);
    fields->addWidget(SpecHeatU, 4, 2);
    fields->addWidget(PerfusionLabel, 5, 0);
    fields->addWidget(PerfusionEdit, 5, 1);
    fields->addWidget(PerfusionU, 5, 2);
    auto* looks = new QHBoxLayout;
    looks->addWidget(MakeLabel("", "Colour"));
    looks->addWidget(ColorBox);
    looks->addWidget(MakeLabel("", "Pattern"));
    looks->addWidget(PatternBox);
    looks->addStretch();
    fields->addLayout(looks, 6, 0, 1, 3);
    fields->addWidget(TXYTime, 7, 0, 1, 3);
    auto* content = new QHBoxLayout;
    content->addWidget(PropertiesBox);
    content->addLayout(fields, 1);
    Finish(content);

    connect(PropertiesBox, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row == m_state.propNo - 1) return;
        SelectMaterial(m_problem, m_state, row);
        ShowState();
    });
    connect(NameEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        EditName(m_state, text.toStdString());
        if (!m_state.ShowsHole()) PropertiesBox->item(m_state.propNo - 1)->setText(text);
    });
    connect(TypeP, &QPushButton::clicked, this, [this] {
        ReadTexts();
        ClickType(m_problem, m_state);
        ShowState();
    });
    ShowState();
}

void TSetPropDlg::ShowState() {
    const PropertyDialogState& s = m_state;
    {
        const QSignalBlocker block(PropertiesBox);
        PropertiesBox->setCurrentRow(s.ShowsHole() ? -1 : s.propNo - 1);
    }
    NameEdit->setText(QString::fromStdString(s.name));
    TypeP->setText(QString::fromStdString(s.typeCaption));
    TypeP->setVisible(!s.ShowsHole());
    kykxedit->setText(QString::fromStdString(s.kykx.text));
    kykxedit->setVisible(s.kykx.visible);
    const struct {
        const DialogField& f;
        QLabel* label;
        QLineEdit* edit;
        QLabel* unit;
    } rows[] = {{s.conduct, ConductLabel, ConductEdit, ConductU},
                {s.density, DensityLabel, DensityEdit, DensityU},
                {s.specHeat, SpecHeatLabel, SpecHeatEdit, SpecHeatU},
                {s.perfusion, PerfusionLabel, PerfusionEdit, PerfusionU}};
    for (const auto& r : rows) {
        r.label->setText(QString::fromStdString(r.f.label));
        r.edit->setText(QString::fromStdString(r.f.text));
        r.unit->setText(QString::fromStdString(r.f.unit));
        for (QWidget* w : {static_cast<QWidget*>(r.label), static_cast<QWidget*>(r.edit),
                           static_cast<QWidget*>(r.unit)})
            w->setVisible(r.f.visible);
    }
    TXYTime->setText(QString::fromStdString(s.hint));
    TXYTime->setVisible(!s.ShowsHole());
    ColorBox->setIcon(ColorIcon(s.colorIndex));
    PatternBox->setIcon(PatternIcon(s.pattern));
}

void TSetPropDlg::ReadTexts() {
    m_state.name = Text(NameEdit);
    m_state.conduct.text = Text(ConductEdit);
    m_state.density.text = Text(DensityEdit);
    m_state.specHeat.text = Text(SpecHeatEdit);
    m_state.perfusion.text = Text(PerfusionEdit);
    m_state.kykx.text = Text(kykxedit);
}

bool TSetPropDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == NameEdit && event->type() == QEvent::MouseButtonDblClick) {
        NameEdit->setFocus(Qt::MouseFocusReason);
        NameEdit->selectAll();
        return true;
    }
    return DefinitionDialogBase::eventFilter(watched, event);
}

DialogResult TSetPropDlg::Apply() {
    ReadTexts();
    return ApplyPropertyDialog(m_problem, m_state);
}

}  // namespace kova::ui
