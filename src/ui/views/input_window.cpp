#include "views/input_window.hpp"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

#include "model/messages.hpp"
#include "painting/painter.hpp"
#include "results/input_drawing.hpp"
#include "results/view_geometry.hpp"
#include "shell/document.hpp"

namespace kova::ui {
namespace {

constexpr int kBlinkMilliseconds = 500;

}  // namespace

ZoomInteraction::ZoomInteraction(TInputForm& window) : m_window(window) {
    m_window.document().ShowStatusText(GetMessage(MessageId::ZoomUpperLeft), StatusPanel::Info);
}

void ZoomInteraction::MouseMove(QPointF p) {
    m_gesture.Move(p);
    m_window.m_canvas->update();
}

void ZoomInteraction::MousePress(QPointF p, Qt::MouseButton) {
    if (m_gesture.Press(p)) {
        m_window.FinishZoom(m_gesture.Rect(m_window.ClientSize()));
        return;
    }
    m_window.document().ShowStatusText(GetMessage(MessageId::ZoomLowerRight), StatusPanel::Info);
    m_window.m_canvas->update();
}

bool ZoomInteraction::KeyPress(int) {
    m_window.CancelInteraction();
    return true;
}

void ZoomInteraction::PaintOverlay(QPainter& painter) {
    m_gesture.Paint(painter, m_window.ClientSize());
}

void ZoomInteraction::Cancel() {
    m_window.document().ShowStatusText("", StatusPanel::Info);
}

TInputForm::TInputForm(Document& document, QWidget* parent)
    : QWidget(parent), m_document(document) {
    setObjectName("TInputForm");
    m_canvas = new InputCanvas(*this);
    m_h = new QScrollBar(Qt::Horizontal, this);
    m_v = new QScrollBar(Qt::Vertical, this);
    m_h->setObjectName("HorzScrollBar");
    m_v->setObjectName("VertScrollBar");
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_canvas, 0, 0);
    layout->addWidget(m_v, 0, 1);
    layout->addWidget(m_h, 1, 0);
    m_h->hide();
    m_v->hide();
    setFocusProxy(m_canvas);
    connect(m_h, &QScrollBar::valueChanged, this, [this](int x) { ScrollTo(x, m_yOrg); });
    connect(m_v, &QScrollBar::valueChanged, this, [this](int y) { ScrollTo(m_xOrg, y); });
}

void TInputForm::InvalidateDrawing() {
    m_canvas->Invalidate();
    m_canvas->update();
}

void TInputForm::SetFrozen(bool frozen) {
    m_canvas->SetFrozen(frozen);
    if (!frozen) InvalidateDrawing();
}

QSize TInputForm::ClientSize() const {
    return m_canvas->size();
}

int TInputForm::VerticalBarWidth() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

int TInputForm::HorizontalBarHeight() const {
    return m_h->isVisible() ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
}

void TInputForm::ZoomCommand() {
    if (m_document.zoom().zoomed) {
        CancelInteraction();
        ZoomOut(m_document.problem(), m_document.zoom());
        m_xOrg = m_yOrg = 0;
        UpdateScrollBars();
        InvalidateDrawing();
        if (onViewChanged) onViewChanged();
        return;
    }
    CancelInteraction();
    m_state = std::make_unique<ZoomInteraction>(*this);
    m_canvas->setFocus();
    m_canvas->setMouseTracking(true);
}

void TInputForm::CancelInteraction() {
    if (!m_state) return;
    std::unique_ptr<InteractionState> state = std::move(m_state);
    state->Cancel();
    m_canvas->update();
}

void TInputForm::StartInteraction(std::unique_ptr<InteractionState> state) {
    CancelInteraction();
    m_state = std::move(state);
    m_canvas->setFocus();
    m_canvas->update();
}

void TInputForm::EndInteraction() {
    // The gesture may be the caller: it is kept until the next one ends.
    if (m_state) m_ended = std::move(m_state);
    m_canvas->update();
}

void TInputForm::FinishZoom(QRectF rect) {
    std::unique_ptr<InteractionState> state = std::move(m_state);
    m_document.ShowStatusText("", StatusPanel::Info);
    const int bar = VerticalBarWidth();
    if (ZoomIn(m_document.problem(), m_document.zoom(), rect.left(), rect.top(), rect.width(),
               width(), bar)) {
        m_xOrg = static_cast<int>(m_document.problem().view.scrollX);
        m_yOrg = static_cast<int>(m_document.problem().view.scrollY);
        UpdateScrollBars();
    }
    InvalidateDrawing();
    if (onViewChanged) onViewChanged();
}

void TInputForm::UpdateScrollBars() {
    const bool zoomed = m_document.zoom().zoomed;
    const QSignalBlocker bh(m_h), bv(m_v);
    if (!zoomed) {
        m_h->hide();
        m_v->hide();
        return;
    }
    const int bar = VerticalBarWidth();
    const ScrollRanges r =
        ZoomScrollRanges(m_document.problem().view.zoom, width(), height(), bar, bar);
    m_h->setRange(0, r.horizontal);
    m_v->setRange(0, r.vertical);
    m_h->setPageStep(std::max(1, width() - bar));
    m_v->setPageStep(std::max(1, height() - bar));
    m_h->setSingleStep(16);
    m_v->setSingleStep(16);
    m_h->setValue(m_xOrg);
    m_v->setValue(m_yOrg);
    m_h->show();
    m_v->show();
}

void TInputForm::ScrollTo(int x, int y) {
    if (!m_document.zoom().zoomed || m_document.Running()) return;
    const int dx = m_xOrg - x, dy = m_yOrg - y;
    m_xOrg = x;
    m_yOrg = y;
    ScrollBy(m_document.problem(), dx, dy);
    if (m_state) m_state->Scrolled(QPointF(dx, dy));
    const QSignalBlocker bh(m_h), bv(m_v);
    m_h->setValue(x);
    m_v->setValue(y);
    m_canvas->Scrolled(dx, dy);
}

void TInputForm::keyPressEvent(QKeyEvent* event) {
    if (m_state && m_state->KeyPressWith(event->key(), event->modifiers())) return;
    if (!m_state && !m_document.zoom().zoomed && onIdleKey && !m_document.Running() &&
        onIdleKey(event->key()))
        return;
    if (m_document.zoom().zoomed && !m_document.Running()) {
        switch (event->key()) {
            case Qt::Key_Left:
                ScrollTo(std::max(m_h->minimum(), m_xOrg - m_h->pageStep()), m_yOrg);
                return;
            case Qt::Key_Right:
                ScrollTo(std::min(m_h->maximum(), m_xOrg + m_h->pageStep()), m_yOrg);
                return;
            case Qt::Key_Up:
                ScrollTo(m_xOrg, std::max(m_v->minimum(), m_yOrg - m_v->pageStep()));
                return;
            case Qt::Key_Down:
                ScrollTo(m_xOrg, std::min(m_v->maximum(), m_yOrg + m_v->pageStep()));
                return;
            default:
                break;
        }
    }
    QWidget::keyPressEvent(event);
}

void TInputForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateScrollBars();
    m_canvas->Invalidate();
}

InputCanvas::InputCanvas(TInputForm& window) : QWidget(&window), m_window(window) {
    setObjectName("InputCanvas");
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_blink.setInterval(kBlinkMilliseconds);
    connect(&m_blink, &QTimer::timeout, this, &InputCanvas::Blink);
    m_blink.start();
}

InputDrawingOptions InputCanvas::Options() const {
    InputDrawingOptions options;
    options.clientWidth = static_cast<float>(width());
    options.clientHeight = static_cast<float>(height());
    options.templateSizing = Sizing();
    static const QtTextMetrics metrics;  // the selected texts' dotted frames
    options.textMetrics = &metrics;
    return options;
}

bool InputCanvas::Sizing() const {
    return m_window.document().problem().selection.state == SelectType::Templat;
}

bool InputCanvas::Current() const {
    return !m_dirty && !m_picture.isNull() && m_picture.size() == size() * devicePixelRatioF() &&
           m_builtSizing == Sizing();
}

QPoint InputCanvas::BrushOrigin() const {
    const ViewState& view = m_window.document().problem().view;
    return {-static_cast<int>(std::lround(static_cast<double>(view.scrollX))),
            -static_cast<int>(std::lround(static_cast<double>(view.scrollY)))};
}

void InputCanvas::Rebuild() {
    const InputDrawingOptions options = Options();
    m_list = BuildInputDrawing(m_window.document().problem(), options);
    m_builtSizing = options.templateSizing;
    const qreal dpr = devicePixelRatioF();
    m_picture = QPixmap(size() * dpr);
    m_picture.setDevicePixelRatio(dpr);
    m_picture.fill(Qt::white);
    QPainter painter(&m_picture);
    painter.setBrushOrigin(BrushOrigin());
    Paint(m_list, painter);
    m_dirty = false;
}

void InputCanvas::Scrolled(int dx, int dy) {
    if (m_frozen || !Current()) {
        Invalidate();
        update();
        return;
    }
    m_list = BuildInputDrawing(m_window.document().problem(), Options());
    if (!ScrollPicture(m_picture, m_list, dx, dy, BrushOrigin())) m_dirty = true;
    update();
}

QImage InputCanvas::RenderImage() {
    if (!Current() && !m_frozen) Rebuild();
    QImage image = m_picture.toImage();
    if (m_builtSizing) {
        QPainter painter(&image);
        Paint(BuildTemplateSizingOverlay(m_window.document().problem()), painter);
    }
    return image;
}

void InputCanvas::paintEvent(QPaintEvent*) {
    if (!Current() && !m_frozen) Rebuild();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawPixmap(0, 0, m_picture);
    // The template being sized lies over the drawing, outside the cached picture, so
    // that moving or stretching it repaints only the picture and its frame.
    if (m_builtSizing) Paint(BuildTemplateSizingOverlay(m_window.document().problem()), painter);
    if (!m_frozen) {
        const DrawList blink = BuildBlinkOverlay(m_window.document().problem(), m_phase);
        Paint(blink, painter);
    }
    if (m_window.m_state) m_window.m_state->PaintOverlay(painter);
}

void InputCanvas::Blink() {
    if (m_frozen || m_window.document().problem().selection.Count() == 0) return;
    m_phase = 1 - m_phase;
    update();
}

void InputCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    Document& doc = m_window.document();
    if (!doc.Running())
        doc.ShowStatusText(CoordinatesText(doc.problem(), p.x(), p.y()), StatusPanel::Coords);
    if (m_window.m_state) m_window.m_state->MouseMoveWith(p, event->modifiers());
}

void InputCanvas::mousePressEvent(QMouseEvent* event) {
    if (m_window.m_state)
        m_window.m_state->MousePressWith(event->position(), event->button(), event->modifiers());
    else if (m_window.onIdlePress && !m_window.document().Running())
        m_window.onIdlePress(event->position(), event->button(), event->modifiers(), false);
}

void InputCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (m_window.m_state)
        m_window.m_state->MouseRelease(event->position(), event->button(), event->modifiers());
}

void InputCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    // While drawing a double-click is one more click, or quick corners would be lost.
    if (m_window.m_state)
        m_window.m_state->MousePressWith(event->position(), event->button(), event->modifiers());
    else if (m_window.onIdlePress && !m_window.document().Running())
        m_window.onIdlePress(event->position(), event->button(), event->modifiers(), true);
}

void InputCanvas::wheelEvent(QWheelEvent* event) {
    if (!m_window.document().zoom().zoomed) return;
    const QPoint delta = event->angleDelta() / 8;
    if (event->modifiers() & Qt::ShiftModifier)
        m_window.ScrollTo(std::clamp(m_window.m_xOrg - delta.y(), 0, m_window.m_h->maximum()),
                          m_window.m_yOrg);
    else
        m_window.ScrollTo(m_window.m_xOrg,
                          std::clamp(m_window.m_yOrg - delta.y(), 0, m_window.m_v->maximum()));
}

void InputCanvas::keyPressEvent(QKeyEvent* event) {
    m_window.keyPressEvent(event);
}

}  // namespace kova::ui
