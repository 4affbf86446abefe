#include "views/output_window.hpp"

#include <QCursor>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <utility>

#include "dialogs/contour_dialog.hpp"
#include "dialogs/definition_dialogs.hpp"
#include "dialogs/gradient_dialog.hpp"
#include "dialogs/time_dialog.hpp"
#include "model/messages.hpp"
#include "model/selection.hpp"
#include "painting/painter.hpp"
#include "results/input_drawing.hpp"
#include "results/node_table_text.hpp"
#include "results/pressures.hpp"
#include "results/readout.hpp"
#include "results/view_geometry.hpp"
#include "run/calculation.hpp"
#include "shell/document.hpp"
#include "units/unit_labels.hpp"

namespace kova::ui {
namespace {

constexpr int kLegendHeight = 18;
constexpr int kSequenceInterval = 1;  // ms between the steps of a sequence

bool HeatSubject(ProbTypeA s) {
    return s == ProbTypeA::HeatTrans || s == ProbTypeA::Bio || s == ProbTypeA::ThinFins ||
           s == ProbTypeA::Nada;
}

std::size_t Mix(std::size_t h, std::size_t v) {
    return h ^ (v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
}

// What the drawing layers of a window depend on besides the results and the view.
std::size_t DisplayKey(const Problem& p) {
    std::size_t h = 0;
    const ProblemSettings& s = p.settings;
    for (bool flag : {s.displayGrid, s.displayAxes, s.displayNodes, s.displayElementLines,
                      s.displayPatterns, s.displayBoundaryConditions, s.displayNodeNumbers})
        h = Mix(h, flag ? 1 : 0);
    return h;
}

// What the texts of a window look like and where they lie (0 while texts are hidden).
std::size_t TextsKey(const Problem& p, int kind) {
    if (!p.settings.displayText) return 0;
    std::size_t h = 1;
    const std::hash<std::string> text;
    for (const TextItem& t : p.texts) {
        if (t.winNo != kind) continue;
        h = Mix(h, text(t.theText));
        h = Mix(h, text(t.fontName));
        for (std::int64_t v :
             {std::int64_t{t.theRect.left}, std::int64_t{t.theRect.top}, std::int64_t{t.color},
              std::int64_t{t.fSize}, std::int64_t{t.style}, static_cast<std::int64_t>(t.mode),
              std::int64_t{t.angle}, std::int64_t{t.selected}})
            h = Mix(h, static_cast<std::size_t>(v));
    }
    return h;
}

}  // namespace

// --- canvas and legend ----------------------------------------------------------------

OutputCanvas::OutputCanvas(TOutputForm& window) : QWidget(&window), m_window(window) {
    setObjectName("OutputCanvas");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void OutputCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_window.picture());
    if (m_window.m_zoom) m_window.m_zoom->Paint(painter, size());
    if (const auto r = m_window.rubberRectangle()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(*r);
    }
}

void OutputCanvas::mousePressEvent(QMouseEvent* event) {
    // A press stops a running sequence after the current picture (contours: either
    // button; gradients: the left one).
    if (m_window.SequenceRunning()) {
        if (event->button() == Qt::LeftButton ||
            (m_window.WinID() == kContoursWindow && event->button() == Qt::RightButton))
            m_window.StopSequence();
        return;
    }
    if (m_window.Zooming()) {
        m_window.ZoomPress(event->position());
        return;
    }
    // A press on a text item is the text's, in every result window.
    if (m_window.TextPress(event->position(), event->button(), event->modifiers())) return;
    if (event->button() != Qt::LeftButton) return;
    if (m_window.WinID() == kFlowsWindow || m_window.WinID() == kBalancesWindow) {
        m_window.SelectionClick(event->position(), (event->modifiers() & Qt::ControlModifier) != 0);
        return;
    }
    m_window.m_leftDown = true;
    mouseMoveEvent(event);
}

void OutputCanvas::mouseMoveEvent(QMouseEvent* event) {
    Document& doc = m_window.document();
    if (m_window.m_zoom) {
        m_window.m_zoom->Move(event->position());
        update();
    }
    if (m_window.m_textDrag) {
        const QPoint at = event->position().toPoint();
        if (at != m_window.m_textLast) {
            Problem& p = doc.problem();
            if (!m_window.m_textMoved) BeginTextDrag(p, m_window.m_texts);
            m_window.m_textMoved = true;
            TextDrag(p, m_window.WinID(), at.x() - m_window.m_textLast.x(),
                     at.y() - m_window.m_textLast.y());
            m_window.m_textLast = at;
            update();
        }
        doc.ShowStatusText(CoordinatesText(doc.problem(), at.x(), at.y()), StatusPanel::Coords);
        return;
    }
    if (m_window.m_rubberStart) {
        m_window.m_rubberEnd = event->position();
        update();
    }
    if (m_window.m_leftDown) {
        if (const auto text = m_window.ReadoutAt(event->position()))
            doc.ShowStatusText(*text, StatusPanel::Coords);
        return;
    }
    const QPointF p = event->position();
    doc.ShowStatusText(CoordinatesText(doc.problem(), p.x(), p.y()), StatusPanel::Coords);
}

void OutputCanvas::mouseReleaseEvent(QMouseEvent* event) {
    m_window.m_leftDown = false;
    if (m_window.m_textDrag) {
        mouseMoveEvent(event);
        m_window.m_textDrag = false;
        if (m_window.onSelectionChanged) m_window.onSelectionChanged();
        return;
    }
    if (m_window.m_rubberStart) m_window.SelectionRelease(event->position());
}

void OutputCanvas::mouseDoubleClickEvent(QMouseEvent*) {
    m_window.m_leftDown = false;
    m_window.m_textDrag = false;
    // On a text (the press before selected it) the text's dialog, else the command that
    // opened the window again.
    if (TextAt(m_window.document().problem(), m_window.m_texts.current) != nullptr) {
        if (m_window.onTextDialog) m_window.onTextDialog();
        return;
    }
    if (m_window.onRerun) m_window.onRerun();
}

LegendStrip::LegendStrip(TOutputForm& window) : QWidget(&window) {
    setObjectName("LegendBox");
    setFixedHeight(kLegendHeight);
}

void LegendStrip::SetLegend(DrawList legend) {
    m_legend = std::move(legend);
    update();
}

void LegendStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    Paint(m_legend, painter);
}

// --- the window -------------------------------------------------------------------------

TOutputForm::TOutputForm(Document& document, ResultSettings& settings, ClickState& clicks,
                         TextState& texts, int kind, QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_settings(settings),
      m_kind(kind),
      m_clicks(clicks),
      m_texts(texts) {
    setObjectName("TOutputForm");
    m_legendBox = new LegendStrip(*this);
    m_canvas = new OutputCanvas(*this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_legendBox);
    layout->addWidget(m_canvas, 1);
    // Only the contour and gradient pictures have a legend.
    m_legendBox->setVisible(kind == kContoursWindow || kind == kGradientsWindow);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(CreationCaption(document.problem().settings.subject, kind));
    m_sequence.setInterval(kSequenceInterval);
    connect(&m_sequence, &QTimer::timeout, this, &TOutputForm::SequenceTick);
}

QString TOutputForm::CreationCaption(ProbTypeA subject, int kind) {
    const bool heat = HeatSubject(subject);
    switch (kind) {
        case kValuesWindow:
            if (heat) return "Temperatures";
            if (subject == ProbTypeA::MagField) return "Magnetic Potentials";
            if (subject == ProbTypeA::Potential) return "Stream Function Values";
            if (subject == ProbTypeA::Hydrodynamics) return "Head Values";
            return "Voltages";
        case kContoursWindow:
            if (heat) return "Temperature Contours";
            if (subject == ProbTypeA::MagField) return "Magnetic Potential Contours";
            if (subject == ProbTypeA::Potential) return "Stream Function Contours";
            if (subject == ProbTypeA::Hydrodynamics) return "Head Contours";
            return "Voltage Contours";
        case kGradientsWindow:
            switch (subject) {
                case ProbTypeA::ElecFieldC:
                    return "Current Density";
                case ProbTypeA::ElecFieldNC:
                    return "Electric Flux Density";
                case ProbTypeA::MagField:
                    return "Flux Density";
                case ProbTypeA::Potential:
                    return "Pressure Contours";
                case ProbTypeA::Hydrodynamics:
                    return "Volumetric Flux";
                default:
                    return "Gradients";
            }
        case kFlowsWindow:
            switch (subject) {
                case ProbTypeA::ElecFieldC:
                    return "Current";
                case ProbTypeA::ElecFieldNC:
                    return "Charge";
                case ProbTypeA::MagField:
                    return "Magnetic Flux";
                case ProbTypeA::Potential:
                    return "";
                case ProbTypeA::Hydrodynamics:
                    return "Volumetric Flow";
                default:
                    return "Heat Flows";
            }
        case kBalancesWindow:
            return "Nodal Balances";
        default:
            return "";
    }
}

QString TOutputForm::ActiveCaption(int kind, const QString& fileName) {
    static const char* names[] = {"Potentials", "Contours", "Fluxes", "Heat Flows",
                                  "Nodal Balances"};
    if (kind < kValuesWindow || kind > kBalancesWindow) return fileName;
    return QString(names[kind - kValuesWindow]) + ":  " + fileName;
}

ResultView TOutputForm::View() {
    CalculationState& c = m_document.calculation();
    ResultView view{m_document.problem(), c.checked.elements, c.results, c.lastStepIndex,
                    c.displayedStep};
    if (m_kind == kGradientsWindow && m_settings.pressureDisplay)
        view.pressures = &m_settings.pressures;
    return view;
}

void TOutputForm::Render(QImage& image) {
    RenderResults(image);
    RenderTexts(image);
}

void TOutputForm::RenderTexts(QImage& image) {
    const Problem& p = m_document.problem();
    if (!p.resultsCurrent || !View().HasResults() || !p.settings.displayText) return;
    QPainter painter(&image);
    const QtTextMetrics metrics;
    DrawList texts;
    AddTextItems(p, m_kind, &metrics, texts);
    Paint(texts, painter);
}

void TOutputForm::RenderResults(QImage& image) {
    image.fill(Qt::white);
    Problem& p = m_document.problem();
    const ResultView view = View();
    if (!p.resultsCurrent || !view.HasResults()) {
        m_legendBox->SetLegend({});
        return;
    }
    QPainter painter(&image);
    const QtTextMetrics metrics;
    const ClipRect clip{0, 0, static_cast<float>(image.width()),
                        static_cast<float>(image.height())};
    // The input drawing's layers for the values, heat-flow and balance windows; their texts
    // are laid over the picture as in the other windows.
    auto drawingOptions = [&] {
        InputDrawingOptions o;
        o.clientWidth = static_cast<float>(image.width());
        o.clientHeight = static_cast<float>(image.height());
        o.templateSizing = true;  // the template belongs to the input window only
        o.textWindow = 0;         // no window's texts
        return o;
    };
    if (m_kind == kContoursWindow || m_kind == kGradientsWindow) {
        if (m_kind == kContoursWindow || m_settings.pressureDisplay) {
            ContourDrawOptions o;
            o.clip = clip;
            const ContourPicture picture = DrawContours(view, m_settings.contour, o);
            Paint(picture.picture, painter);
            m_legendBox->SetLegend(ContourLegend(picture, m_settings.contour,
                                                 UnitLabel(p, Quantity::Potential), metrics));
        } else {
            ArrowDrawOptions o;
            o.clip = clip;
            o.zoom = p.view.zoom;
            const ArrowPicture picture =
                DrawFluxArrows(view, m_settings.gradient, m_settings.contour, o);
            Paint(picture.picture, painter);
            m_legendBox->SetLegend(
                ArrowLegend(picture, m_settings.gradient,
                            FluxUnitLabel(p, m_settings.gradient.temperatureGradient), metrics));
        }
        return;
    }
    if (m_kind == kFlowsWindow) {
        const InputDrawingOptions o = drawingOptions();
        DrawList drawing = BuildInputDrawing(p, o);
        ShowSummary();
        if (m_settings.displayFlows && p.selection.state == SelectType::Flow)
            for (const SelectRec& item : p.selection.items)
                if (item.segment != nullptr) DrawFlowMark(p, *item.segment, drawing);
        Paint(drawing, painter);
    } else if (m_kind == kValuesWindow) {
        const InputDrawingOptions o = drawingOptions();
        const bool nodes = p.settings.displayNodes;
        p.settings.displayNodes = false;
        DrawList drawing = BuildInputDrawing(p, o);
        p.settings.displayNodes = nodes;
        DrawNodeValueLabels(p, view.Values(view.Step()), drawing);
        Paint(drawing, painter);
    } else if (m_kind == kBalancesWindow) {
        const InputDrawingOptions o = drawingOptions();
        // The frames without node marks: the balance labels take the nodes' places.
        const bool nodes = p.settings.displayNodes;
        p.settings.displayNodes = false;
        DrawList drawing = BuildInputDrawing(p, o);
        p.settings.displayNodes = nodes;
        if (m_settings.displayNodeValues)
            DrawBalanceLayout(p, m_document.calculation().checked.elements,
                              view.Values(view.Step()), drawing);
        Paint(drawing, painter);
        ShowSummary();
    }
}

void TOutputForm::ShowSummary() {
    Problem& p = m_document.problem();
    CalculationState& c = m_document.calculation();
    if (!p.resultsCurrent || !View().HasResults()) return;
    const FlowContext context{p, c.checked.elements, c.results, &c.balances};
    if (m_kind == kFlowsWindow) {
        // The segments' flows hold the level last asked for: a transient window computes
        // its path again at the step it shows before the marks and the sum are drawn.
        if (m_settings.displayFlows && p.selection.state == SelectType::Flow &&
            !p.selection.items.empty())
            SelectionFlow(context, m_flowPath, View().Step());
        m_document.ShowStatusText(FlowSummaryText(p), StatusPanel::Info);
    } else if (m_kind == kBalancesWindow)
        m_document.ShowStatusText(BalanceSummaryText(context, View().Step()), StatusPanel::Info);
}

std::optional<QRectF> TOutputForm::rubberRectangle() const {
    if (!m_rubberStart) return std::nullopt;
    return QRectF(*m_rubberStart, m_rubberEnd).normalized();
}

void TOutputForm::SelectionRelease(QPointF at) {
    const QPointF start = *m_rubberStart;
    m_rubberStart.reset();
    Problem& p = m_document.problem();
    if (p.resultsCurrent) SelectInRectangle(p, m_kind, start.x(), start.y(), at.x(), at.y());
    ShowSummary();
    ++m_selectionRevision;
    m_canvas->update();
    if (onSelectionChanged) onSelectionChanged();
}

std::size_t TOutputForm::PictureKey() const {
    const Problem& p = m_document.problem();
    const CalculationState& c = m_document.calculation();
    const ContourSettings& cs = m_settings.contour;
    const GradientSettings& gs = m_settings.gradient;
    std::size_t h = DisplayKey(p);
    auto add = [&h](auto v) { h = Mix(h, std::hash<decltype(v)>{}(v)); };
    auto real = [&add](Real v) { add(static_cast<double>(v)); };
    add(p.resultsCurrent);
    add(c.resultsRevision);
    add(c.lastStepIndex);
    add(c.displayedStep);
    real(p.view.scrollX);
    real(p.view.scrollY);
    real(p.view.zoom);
    real(cs.scaleMin);
    real(cs.scaleMax);
    for (int v : {static_cast<int>(cs.autoScale), static_cast<int>(cs.kind), cs.bandCount,
                  cs.lineCount, static_cast<int>(cs.palette), static_cast<int>(cs.showOutlines),
                  static_cast<int>(cs.showElementLines), static_cast<int>(cs.whiteLines),
                  static_cast<int>(cs.runSequence)})
        add(v);
    real(gs.fluxScaleMin);
    real(gs.fluxScaleMax);
    for (int v : {gs.arrowLength, gs.arrowSpacing, static_cast<int>(gs.temperatureGradient),
                  static_cast<int>(gs.superimpose), static_cast<int>(gs.showFluxLines)})
        add(v);
    add(m_settings.pressureDisplay);
    add(m_settings.displayNodeValues);
    add(m_settings.displayFlows);
    // The selection's marks and labels, whoever changed it, and the frames chosen for
    // the balance.
    add(m_selectionRevision);
    add(static_cast<int>(p.selection.state));
    for (const SelectRec& item : p.selection.items) {
        add(item.selectNo);
        add(static_cast<const void*>(item.segment));
    }
    for (int k = 1; k <= p.frameCount; ++k)
        add(p.frames[static_cast<std::size_t>(k)].balanceSelected);
    return h;
}

const QImage& TOutputForm::picture() {
    const Problem& p = m_document.problem();
    const std::size_t key = PictureKey();
    const QSize size = m_canvas->size().expandedTo(QSize(1, 1));
    const std::size_t texts = TextsKey(p, m_kind);
    // A canvas that has shrunk shows part of the picture computed before; one that has
    // grown beyond it needs the uncovered area computed.
    const bool covered = m_base.width() >= size.width() && m_base.height() >= size.height();
    if (!m_keyValid || key != m_key || !covered) {
        m_base = QImage(size, QImage::Format_RGB32);
        RenderResults(m_base);
        ++m_computations;
        m_key = key;
        m_keyValid = true;
        m_textsKey = texts + 1;  // the texts go on again
    }
    if (texts != m_textsKey) {
        m_cache = m_base.copy();
        RenderTexts(m_cache);
        m_textsKey = texts;
        m_shown = QImage();
    }
    if (m_shown.size() != size)
        m_shown = m_cache.size() == size ? m_cache : m_cache.copy(QRect(QPoint(0, 0), size));
    return m_shown;
}

std::optional<std::string> TOutputForm::ReadoutAt(QPointF p) {
    if (!m_document.problem().resultsCurrent) return std::nullopt;
    ReadoutOptions o;
    o.window = m_kind == kGradientsWindow  ? ReadoutWindow::Gradients
               : m_kind == kContoursWindow ? ReadoutWindow::Contours
                                           : ReadoutWindow::Values;
    o.temperatureGradient = m_settings.gradient.temperatureGradient;
    return ReadoutText(View(), o, p.x(), p.y());
}

void TOutputForm::SelectionClick(QPointF at, bool ctrl) {
    Problem& p = m_document.problem();
    if (!p.resultsCurrent) return;
    const ClickReply reply = ClickAt(p, m_clicks, ClickInput{at.x(), at.y(), m_kind, ctrl});
    if (reply.next == NextStep::FlowSegment && reply.segment != nullptr) {
        CalculationState& c = m_document.calculation();
        const FlowContext context{p, c.checked.elements, c.results, &c.balances};
        const int step = View().Step();
        const FlowClickResult r = FlowClick(context, m_flowPath, *reply.segment, step);
        m_document.ShowStatusText(r.summary, StatusPanel::Info);
        // The direction of the path as picked; later steps compare theirs with it.
        m_firstStepNo = step;
        m_firstFlowDirection =
            p.selection.items.empty() ? 0 : SelectionFlow(context, m_flowPath, step).direction;
    } else if (m_kind == kBalancesWindow) {
        if (reply.next == NextStep::RubberRectangle) {
            m_rubberStart = at;
            m_rubberEnd = at;
        }
        ShowSummary();
    }
    ++m_selectionRevision;
    m_canvas->update();
    if (onSelectionChanged) onSelectionChanged();
}

bool TOutputForm::TextPress(QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    Problem& p = m_document.problem();
    const QtTextMetrics metrics;  // texts are hit where the painter draws them
    const bool hit =
        TextClick(p, m_texts, m_kind, at.x(), at.y(), (mods & Qt::ShiftModifier) != 0, metrics);
    m_canvas->update();  // the dotted frames follow the selection
    if (!hit) return false;
    if (button == Qt::RightButton) {
        if (onTextDialog) onTextDialog();
    } else if (button == Qt::LeftButton) {
        m_textDrag = true;
        m_textMoved = false;
        m_textLast = at.toPoint();
    }
    return true;
}

void TOutputForm::StartSequence() {
    m_stopRequested = false;
    m_document.calculation().displayedStep = 0;
    if (onStepChanged) onStepChanged();
    m_sequence.start();
    m_canvas->repaint();
}

void TOutputForm::SequenceTick() {
    CalculationState& c = m_document.calculation();
    const int last = View().LastStep();
    if (m_stopRequested || c.displayedStep >= last) {
        m_sequence.stop();
        m_settings.contour.runSequence = false;
        // The gradient sequence ends as the contour one does: at the step shown, painted
        // once more with its legend.
        m_canvas->update();
        return;
    }
    ++c.displayedStep;
    if (onStepChanged) onStepChanged();
    m_canvas->repaint();
}

void TOutputForm::closeEvent(QCloseEvent* event) {
    if (m_sequence.isActive()) {
        m_sequence.stop();
        m_settings.contour.runSequence = false;
    }
    QWidget::closeEvent(event);
}

void TOutputForm::StartZoom() {
    m_zoom.emplace();
    m_zoom->Move(m_canvas->mapFromGlobal(QCursor::pos()));
    m_document.ShowStatusText(GetMessage(MessageId::ZoomUpperLeft), StatusPanel::Info);
    m_canvas->setFocus();
    m_canvas->update();
}

void TOutputForm::ZoomPress(QPointF at) {
    if (!m_zoom->Press(at)) {
        m_document.ShowStatusText(GetMessage(MessageId::ZoomLowerRight), StatusPanel::Info);
        m_canvas->update();
        return;
    }
    const QRectF rect = m_zoom->Rect(m_canvas->size());
    EndZoom();
    if (onZoom) onZoom(rect);
}

void TOutputForm::EndZoom() {
    m_zoom.reset();
    m_document.ShowStatusText("", StatusPanel::Info);
    m_canvas->update();
}

void TOutputForm::keyPressEvent(QKeyEvent* event) {
    // A key instead of a click cancels the zoom.
    if (m_zoom) {
        EndZoom();
        return;
    }
    // Any key but Shift ends a text drag where it is.
    if (m_textDrag && event->key() != Qt::Key_Shift) {
        m_textDrag = false;
        if (onSelectionChanged) onSelectionChanged();
        return;
    }
    // Arrow keys move the shared view by a tenth of the window, as the scroll bars do.
    const int dx = width() / 10, dy = height() / 10;
    Problem& p = m_document.problem();
    switch (event->key()) {
        case Qt::Key_Left:
            ScrollBy(p, dx, 0);
            break;
        case Qt::Key_Right:
            ScrollBy(p, -dx, 0);
            break;
        case Qt::Key_Up:
            ScrollBy(p, 0, dy);
            break;
        case Qt::Key_Down:
            ScrollBy(p, 0, -dy);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    m_canvas->update();
}

// --- the set of windows ------------------------------------------------------------------

ResultWindows::ResultWindows(Document& document, QMdiArea* area, QWidget* dialogParent,
                             ClickState& clicks, TextState& texts)
    : QObject(area),
      m_document(document),
      m_area(area),
      m_dialogParent(dialogParent),
      m_clicks(clicks),
      m_texts(texts) {
    if (dialogParent != nullptr)
        m_settings.gradient.arrowLength = DefaultArrowLength(dialogParent->logicalDpiX());
    // A flow path belongs to the heat-flow window: another window in front drops it, so
    // the input window's clicks select as usual again.
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        SwitchDisplays(FrontKind());
        if (sub == nullptr) return;
        Problem& p = m_document.problem();
        // Each result window has its output state, which the menus and drawings follow.
        const SelectType own = sub == subWindow(kFlowsWindow)       ? SelectType::Flow
                               : sub == subWindow(kBalancesWindow)  ? SelectType::Nodal
                               : sub == subWindow(kValuesWindow)    ? SelectType::Temps
                               : sub == subWindow(kContoursWindow)  ? SelectType::Contours
                               : sub == subWindow(kGradientsWindow) ? SelectType::FluxPt
                                                                    : SelectType::None;
        const SelectType s = p.selection.state;
        const bool output = s == SelectType::Flow || s == SelectType::Nodal ||
                            s == SelectType::Temps || s == SelectType::Contours ||
                            s == SelectType::FluxPt;
        if (output && s != own) ClearSelection(p);
        if (own != SelectType::None && p.selection.state != own) {
            ClearSelection(p);
            p.selection.state = own;
        }
        // The information panel is the window's again; its picture comes from the cache.
        if (auto* form = qobject_cast<TOutputForm*>(sub->widget())) form->ShowSummary();
    });
}

void ResultWindows::SwitchDisplays(int frontKind) {
    if (frontKind == m_switchesHeldBy) return;
    if (m_switchesHeldBy != 0) {
        m_settings.displayNodeValues = m_heldNodeValues;
        m_settings.displayFlows = m_heldFlows;
        m_switchesHeldBy = 0;
    }
    if (frontKind != kFlowsWindow && frontKind != kBalancesWindow) return;
    m_heldNodeValues = m_settings.displayNodeValues;
    m_heldFlows = m_settings.displayFlows;
    m_switchesHeldBy = frontKind;
    m_settings.displayFlows = frontKind == kFlowsWindow;
    m_settings.displayNodeValues = frontKind == kBalancesWindow;
}

void ResultWindows::ShowStepTime() {
    const std::string text = DisplayedTimeText(m_document.problem(), m_document.calculation());
    if (text.empty()) return;
    m_document.ShowStatusText(text, StatusPanel::Time);
    if (onTimeShown) onTimeShown(text);
}

QMdiSubWindow* ResultWindows::subWindow(int kind) const {
    if (kind < 0 || kind >= static_cast<int>(m_windows.size())) return nullptr;
    return m_windows[static_cast<std::size_t>(kind)];
}

TOutputForm* ResultWindows::window(int kind) const {
    QMdiSubWindow* sub = subWindow(kind);
    return sub != nullptr ? qobject_cast<TOutputForm*>(sub->widget()) : nullptr;
}

TOutputForm* ResultWindows::Show(int kind) {
    QMdiSubWindow* sub = subWindow(kind);
    if (sub == nullptr) {
        auto* form = new TOutputForm(m_document, m_settings, m_clicks, m_texts, kind);
        sub = m_area->addSubWindow(form);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        m_windows[static_cast<std::size_t>(kind)] = sub;
        if (kind == kContoursWindow) form->onRerun = [this] { ContoursCommand(); };
        if (kind == kGradientsWindow) form->onRerun = [this] { GradientsCommand(); };
        form->onSelectionChanged = [this] {
            if (onSelectionChanged) onSelectionChanged();
        };
        form->onStepChanged = [this] { ShowStepTime(); };
        form->onTextDialog = [this] { OpenTextDialog(); };
        form->onZoom = [this](QRectF r) {
            if (onZoom) onZoom(r);
        };
    }
    TOutputForm* form = window(kind);
    sub->setWindowTitle(TOutputForm::ActiveCaption(kind, m_document.fileName()));
    sub->showMaximized();
    m_area->setActiveSubWindow(sub);
    SwitchDisplays(kind);
    // Every window opens at the step just chosen: the time panel shows its time.
    ShowStepTime();
    form->ShowSummary();
    form->canvas()->update();
    if (kind != kContoursWindow && kind != kGradientsWindow) return form;
    if (m_settings.contour.runSequence && m_document.problem().settings.transient)
        form->StartSequence();
    else
        m_settings.contour.runSequence = false;
    return form;
}

void ResultWindows::AfterTimeChoice(std::function<void()> then) {
    Problem& p = m_document.problem();
    if (!p.resultsCurrent) return;
    if (!p.settings.transient) {
        then();
        return;
    }
    CalculationState& c = m_document.calculation();
    auto* dialog =
        new TTempDlg(ResultView{p, c.checked.elements, c.results, c.lastStepIndex, c.displayedStep},
                     m_document, m_dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, then] {
        m_document.calculation().displayedStep = dialog->ChosenStep();
        then();
    });
    dialog->open();
}

void ResultWindows::ShowWithState(int kind, SelectType state) {
    Problem& p = m_document.problem();
    // A selection of another kind is dropped; a path or balance already picked stays, to
    // be shown at the step chosen now.
    if (p.selection.state != state) {
        ClearSelection(p);
        p.selection.state = state;
    }
    TOutputForm* form = Show(kind);
    // A double click chooses another time, in a transient problem only.
    if (p.settings.transient && !form->onRerun) {
        if (kind == kValuesWindow) form->onRerun = [this] { ValuesCommand(); };
        if (kind == kFlowsWindow) form->onRerun = [this] { FlowsCommand(); };
        if (kind == kBalancesWindow) form->onRerun = [this] { BalancesCommand(); };
    }
}

void ResultWindows::ValuesCommand() {
    AfterTimeChoice([this] { ShowWithState(kValuesWindow, SelectType::Temps); });
}

void ResultWindows::FlowsCommand() {
    AfterTimeChoice([this] { ShowWithState(kFlowsWindow, SelectType::Flow); });
}

void ResultWindows::BalancesCommand() {
    Problem& p = m_document.problem();
    CalculationState& c = m_document.calculation();
    if (!p.resultsCurrent || c.balances.Empty()) return;
    auto open = [this] { ShowWithState(kBalancesWindow, SelectType::Nodal); };
    if (p.settings.transient) {
        AfterTimeChoice(open);
        return;
    }
    if (p.frameCount <= 1) {
        CombineSteadyBalances(p, c.balances, {1});
        open();
        return;
    }
    auto* dialog = new TSelectFrameDlg(p, c.balances, m_dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, open);
    dialog->open();
}

template <class Dialog>
void ResultWindows::KeepStepOnCancel(Dialog* dialog) {
    // A step chosen with the spin buttons or the time field stays after a Cancel; an
    // open window shows it.
    connect(dialog, &QDialog::rejected, this, [this, dialog] {
        int& shown = m_document.calculation().displayedStep;
        if (shown == dialog->ChosenStep()) return;
        shown = dialog->ChosenStep();
        ShowStepTime();
        for (int kind : {kContoursWindow, kGradientsWindow})
            if (TOutputForm* form = window(kind)) form->canvas()->update();
    });
}

void ResultWindows::ContoursCommand() {
    CalculationState& c = m_document.calculation();
    m_settings.contour = ContourSettingsOf(m_document.problem(), m_settings.contour);
    auto* dialog = new TContourDlg(ResultView{m_document.problem(), c.checked.elements, c.results,
                                              c.lastStepIndex, c.displayedStep},
                                   m_settings.contour, m_document, m_dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_document.calculation().displayedStep = dialog->ChosenStep();
        StoreContourSettings(m_document.problem(), m_settings.contour);
        Show(kContoursWindow);
    });
    KeepStepOnCancel(dialog);
    dialog->open();
}

void ResultWindows::GradientsCommand() {
    CalculationState& c = m_document.calculation();
    Problem& p = m_document.problem();
    const ResultView view{p, c.checked.elements, c.results, c.lastStepIndex, c.displayedStep};
    if (p.settings.subject == ProbTypeA::Potential) {
        // Pressure contours: the pressures of the shown step, then the contour dialog.
        m_settings.pressureDisplay = true;
        const FlowContext context{p, c.checked.elements, c.results};
        if (!ComputePressures(context, view.Step(), m_settings.pressures)) return;
        ResultView pressureView = view;
        pressureView.pressures = &m_settings.pressures;
        auto* dialog =
            new TContourDlg(pressureView, m_settings.contour, m_document, m_dialogParent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::accepted, this, [this] { Show(kGradientsWindow); });
        dialog->open();
        return;
    }
    m_settings.pressureDisplay = false;
    m_settings.gradient = GradientSettingsOf(p, m_settings.gradient);
    auto* dialog =
        new TGradientDlg(view, m_settings.gradient, m_settings.contour, m_document, m_dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_document.calculation().displayedStep = dialog->ChosenStep();
        StoreGradientSettings(m_document.problem(), m_settings.gradient);
        Show(kGradientsWindow);
    });
    KeepStepOnCancel(dialog);
    dialog->open();
}

void ResultWindows::CloseWhenStale() {
    if (!m_document.problem().resultsCurrent) CloseAll();
}

void ResultWindows::CloseAll() {
    // Forgotten before any is closed: a closing window activates another, and the menu
    // update that follows may come back here.
    const auto windows = std::exchange(m_windows, {});
    for (const auto& sub : windows)
        if (sub != nullptr) {
            if (auto* form = qobject_cast<TOutputForm*>(sub->widget())) form->StopSequence();
            sub->close();
        }
}

void ResultWindows::NewText() {
    const int kind = FrontKind();
    if (kind == 0) return;
    NewTextCommand(m_document.problem(), m_texts, kind);
    Refresh();
    OpenTextDialog();
}

void ResultWindows::OpenTextDialog() {
    Problem& p = m_document.problem();
    if (TextAt(p, m_texts.current) == nullptr) return;
    auto* dialog = new TNewTextDlg(p, m_texts, m_dialogParent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this] {
        Refresh();
        if (onSelectionChanged) onSelectionChanged();
    });
    m_textDialog = dialog;
    dialog->open();
}

void ResultWindows::Refresh() {
    for (const auto& sub : m_windows)
        if (sub != nullptr)
            if (auto* form = qobject_cast<TOutputForm*>(sub->widget())) form->canvas()->update();
}

int ResultWindows::FrontKind() const {
    QMdiSubWindow* active = m_area->activeSubWindow();
    for (std::size_t k = 0; k < m_windows.size(); ++k)
        if (m_windows[k] != nullptr && m_windows[k] == active) return static_cast<int>(k);
    return 0;
}

}  // namespace kova::ui
