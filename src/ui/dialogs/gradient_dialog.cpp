#include "dialogs/gradient_dialog.hpp"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <functional>

#include "dialogs/line_edit_field.hpp"
#include "dialogs/time_row.hpp"
#include "painting/painter.hpp"
#include "results/result_dialogs.hpp"

namespace kova::ui {
namespace {

// The strip above a bar where its preview is drawn; the bar starts at the strip's foot.
class PreviewStrip : public QWidget {
public:
    PreviewStrip(int height, std::function<DrawList(PreviewBar, Rgb)> draw, QWidget* parent)
        : QWidget(parent), m_draw(std::move(draw)) {
        setFixedHeight(height);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor face = palette().color(QPalette::Button);
        const Rgb rgb{static_cast<std::uint8_t>(face.red()),
                      static_cast<std::uint8_t>(face.green()),
                      static_cast<std::uint8_t>(face.blue())};
        Paint(m_draw(PreviewBar{0, static_cast<float>(height()), static_cast<float>(width() - 20)},
                     rgb),
              painter);
    }

private:
    std::function<DrawList(PreviewBar, Rgb)> m_draw;
};

// The bar under its preview strip, as one form field.
QWidget* WithPreview(QScrollBar* bar, PreviewStrip* strip, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(strip);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 20, 0);  // the density strip reaches 20 pixels past the bar
    row->addWidget(bar);
    column->addLayout(row);
    return box;
}

constexpr int kBarMax = 135;  // ArrowLength runs 15..135, ArrowSpacing 15..115

QString Auto(Real v, int digits) {
    return QString::fromStdString(AutoText(v, digits));
}

}  // namespace

TGradientDlg::TGradientDlg(ResultView view, GradientSettings& gradient, ContourSettings& contour,
                           Reporter& reporter, QWidget* parent)
    : QDialog(parent),
      m_view(view),
      m_gradient(gradient),
      m_contour(contour),
      m_reporter(reporter),
      m_hold(gradient) {
    const Problem& p = view.problem;
    UserAuto = new QPushButton("User", this);
    MinEdit = new QLineEdit(this);
    MinEdit->setObjectName("MinEdit");
    MaxEdit = new QLineEdit(this);
    MaxEdit->setObjectName("MaxEdit");
    ScaleL = new QLabel(this);
    GradientTypeBox = new QGroupBox("Gradient Type", this);
    TempRB = new QRadioButton("Temperature", GradientTypeBox);
    HeatFluxRB = new QRadioButton("Heat flux", GradientTypeBox);
    auto* type = new QHBoxLayout(GradientTypeBox);
    type->addWidget(TempRB);
    type->addWidget(HeatFluxRB);
    LengthSB = new QScrollBar(Qt::Horizontal, this);
    LengthSB->setRange(15, kBarMax);
    DensitySB = new QScrollBar(Qt::Horizontal, this);
    DensitySB->setRange(35, kBarMax);
    SuperimposeBox = new QCheckBox("Superimpose on contours", this);
    ElementsBox = new QCheckBox("Show element lines", this);
    OutlinesBox = new QCheckBox("Show outlines", this);
    WhiteRB = new QRadioButton("White", this);
    BlackRB = new QRadioButton("Black", this);
    Time = new TimeRow(view, contour.startToStop, this);
    StartStopRB = Time->StartStopRB;
    AtTimeRB = Time->AtTimeRB;
    TimeEdit = Time->TimeEdit;
    TimeEdit->setReadOnly(true);
    SpinUp = Time->SpinUp;
    SpinDown = Time->SpinDown;
    OKBtn = new QPushButton("OK", this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);

    auto* form = new QFormLayout;
    auto* scale = new QHBoxLayout;
    scale->addWidget(MinEdit);
    scale->addWidget(MaxEdit);
    scale->addWidget(UserAuto);
    form->addRow(ScaleL, scale);
    form->addRow(GradientTypeBox);
    LengthPreview = new PreviewStrip(
        20,
        [this](PreviewBar b, Rgb face) {
            return ArrowLengthPreview(b, m_gradient.arrowLength, face);
        },
        this);
    DensityPreview = new PreviewStrip(
        40,
        [this](PreviewBar b, Rgb face) {
            return ArrowDensityPreview(b, m_gradient.arrowSpacing, face);
        },
        this);
    form->addRow("Arrow length",
                 WithPreview(LengthSB, static_cast<PreviewStrip*>(LengthPreview), this));
    form->addRow("Arrow density",
                 WithPreview(DensitySB, static_cast<PreviewStrip*>(DensityPreview), this));
    form->addRow(SuperimposeBox);
    auto* lines = new QHBoxLayout;
    lines->addWidget(OutlinesBox);
    lines->addWidget(ElementsBox);
    lines->addWidget(WhiteRB);
    lines->addWidget(BlackRB);
    form->addRow(lines);
    form->addRow(Time);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    const ProbTypeA s = p.settings.subject;
    const bool thermal =
        s == ProbTypeA::HeatTrans || s == ProbTypeA::Bio || s == ProbTypeA::ThinFins;
    GradientTypeBox->setVisible(thermal);
    switch (s) {
        case ProbTypeA::ElecFieldC:
            setWindowTitle("Current Density");
            break;
        case ProbTypeA::ElecFieldNC:
            setWindowTitle("Electric Flux Density");
            break;
        case ProbTypeA::MagField:
            setWindowTitle("Magnetic Flux Density");
            break;
        case ProbTypeA::Potential:
            setWindowTitle("Flux Density");
            break;
        case ProbTypeA::Hydrodynamics:
            setWindowTitle("Volumetric Flux");
            break;
        default:
            break;
    }
    ScaleL->setText("Scale " + QString::fromStdString(FluxUnitLabel(p, false)));
    LengthSB->setValue(LengthSB->maximum() - gradient.arrowLength + 15);
    DensitySB->setValue(DensitySB->maximum() - gradient.arrowSpacing + 15);
    ElementsBox->setChecked(gradient.showFluxLines);
    OutlinesBox->setChecked(m_contour.showOutlines);
    SuperimposeBox->setChecked(gradient.superimpose);
    (m_contour.whiteLines ? WhiteRB : BlackRB)->setChecked(true);
    WhiteRB->setEnabled(gradient.showFluxLines);
    BlackRB->setEnabled(gradient.showFluxLines);
    MinEdit->setText(Auto(gradient.fluxScaleMin, 5));
    MaxEdit->setText(Auto(gradient.fluxScaleMax, 5));
    if (thermal) {
        (gradient.temperatureGradient ? TempRB : HeatFluxRB)->setChecked(true);
        TypeClick(gradient.temperatureGradient);
    } else if (m_contour.autoScale || gradient.fluxScaleMin == kScaleUnset ||
               gradient.fluxScaleMax == kScaleUnset) {
        UserAuto->setText("User");
        UserAutoClick();
    }

    connect(UserAuto, &QPushButton::clicked, this, &TGradientDlg::UserAutoClick);
    const auto toUser = [this] {
        UserAuto->setText("User");
        m_contour.autoScale = false;
    };
    connect(MinEdit, &QLineEdit::textEdited, this, toUser);
    connect(MaxEdit, &QLineEdit::textEdited, this, toUser);
    connect(TempRB, &QRadioButton::clicked, this, [this] { TypeClick(true); });
    connect(HeatFluxRB, &QRadioButton::clicked, this, [this] { TypeClick(false); });
    connect(LengthSB, &QScrollBar::valueChanged, this, [this](int v) {
        m_gradient.arrowLength = LengthSB->maximum() - v + 15;
        LengthPreview->update();
    });
    connect(DensitySB, &QScrollBar::valueChanged, this, [this](int v) {
        m_gradient.arrowSpacing = DensitySB->maximum() - v + 15;
        DensityPreview->update();
    });
    connect(ElementsBox, &QCheckBox::toggled, this, [this](bool on) {
        WhiteRB->setEnabled(on);
        BlackRB->setEnabled(on);
    });
    connect(StartStopRB, &QRadioButton::clicked, this, [this] {
        UserAuto->setText("User");
        UserAutoClick();
    });
    connect(Time, &TimeRow::stepped, this, [this] {
        if (UserAuto->text() == "Auto") {
            UserAuto->setText("User");
            UserAutoClick();
        }
    });
    connect(OKBtn, &QPushButton::clicked, this, &TGradientDlg::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TGradientDlg::reject);
}

void TGradientDlg::TypeClick(bool temperature) {
    setWindowTitle(temperature ? "Temperature Gradients" : "Heat Flux Gradients");
    ScaleL->setText("Scale [" + QString::fromStdString(FluxUnitLabel(m_view.problem, temperature)) +
                    "]");
    UserAuto->setText("User");
    UserAutoClick();
}

void TGradientDlg::UserAutoClick() {
    if (UserAuto->text() == "Auto") {
        UserAuto->setText("User");
        return;
    }
    UserAuto->setText("Auto");
    m_contour.autoScale = true;
    int first = Time->Step(), last = Time->Step();
    if (Time->WholeSequence()) {
        first = 0;
        last = m_view.LastStep();
    }
    const bool temperature = !GradientTypeBox->isVisible() || TempRB->isChecked();
    const auto [low, high] = GetFluxMinMax(m_view, first, last, temperature);
    MinEdit->setText(Auto(low, 4));
    MaxEdit->setText(Auto(high, 4));
}

int TGradientDlg::ChosenStep() const {
    return Time->Step();
}

void TGradientDlg::accept() {
    GradientDialogFields f;
    f.userCaption = UserAuto->text() == "User";
    f.gradientTypeShown = GradientTypeBox->isVisible();
    f.temperatureChecked = TempRB->isChecked();
    f.showFluxLines = ElementsBox->isChecked();
    f.whiteChecked = WhiteRB->isChecked();
    f.showOutlines = OutlinesBox->isChecked();
    f.superimpose = SuperimposeBox->isChecked();
    f.startToStop = Time->WholeSequence();
    LineEditField low(MinEdit), high(MaxEdit);
    bool autoScale = m_contour.autoScale;
    if (GradientDialogOk(m_gradient, m_contour, autoScale, f, low, high, m_reporter) !=
        DialogRefusal::None)
        return;
    m_contour.autoScale = autoScale;
    FixFluxScale(m_gradient);
    QDialog::accept();
}

void TGradientDlg::reject() {
    m_gradient.arrowLength = m_hold.arrowLength;
    m_gradient.arrowSpacing = m_hold.arrowSpacing;
    m_gradient.fluxScaleMin = m_hold.fluxScaleMin;
    m_gradient.fluxScaleMax = m_hold.fluxScaleMax;
    m_gradient.superimpose = m_hold.superimpose;
    m_gradient.showFluxLines = m_hold.showFluxLines;
    if (m_gradient.fluxScaleMin != kScaleUnset && m_gradient.fluxScaleMax != kScaleUnset)
        FixFluxScale(m_gradient);
    QDialog::reject();
}

}  // namespace kova::ui
