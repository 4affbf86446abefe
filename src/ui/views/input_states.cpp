#include "views/input_states.hpp"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <cmath>
#include <utility>
#include <vector>

#include "dialogs/outline_circle_dialog.hpp"
#include "editing/removal_commands.hpp"
#include "editing/restore.hpp"
#include "geometry/primitives.hpp"
#include "model/messages.hpp"
#include "model/selection.hpp"
#include "painting/painter.hpp"
#include "shell/document.hpp"

namespace kova::ui {
namespace {

// A pointer this far above the drawing ends a node drag.
constexpr double kDragAboveLimit = 18;
constexpr double kDragCircle = 3;

// Rubber bands are drawn with an inverting pen over the cached picture.
void InvertingPen(QPainter& painter, Qt::PenStyle style = Qt::SolidLine) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1, style));
    painter.setBrush(Qt::NoBrush);
}

QPointF NodePoint(const Problem& problem, int k) {
    return {static_cast<double>(problem.nodes[k].x), static_cast<double>(problem.nodes[k].y)};
}

bool Locked(Qt::KeyboardModifiers mods) {
    return (mods & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
}

}  // namespace

bool CancelsFirstClickWait(int key) {
    return key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt &&
           key != Qt::Key_Meta && key != Qt::Key_AltGr;
}

// --- The editor -------------------------------------------------------------------------

InputEditor::InputEditor(TInputForm& window, std::function<void()> afterCommand,
                         std::function<void(Cmd)> route)
    : m_window(window), m_after(std::move(afterCommand)), m_route(std::move(route)) {
    m_window.onIdlePress = [this](QPointF p, Qt::MouseButton b, Qt::KeyboardModifiers m, bool dbl) {
        IdlePress(p, b, m, dbl);
    };
    m_window.onIdleKey = [this](int key) { return IdleKey(key); };
}

Problem& InputEditor::problem() {
    return m_window.document().problem();
}

void InputEditor::Changed() {
    m_window.InvalidateDrawing();
    if (m_after) m_after();
}

void InputEditor::Forget() {
    m_nudging = false;
    m_clicks = ClickState{};
    m_texts = TextState{};
}

bool InputEditor::DrawCommand(Cmd cmd) {
    m_nudging = false;
    Problem& p = problem();
    switch (cmd) {
        case Cmd::OutlineFree: {
            auto state = std::make_unique<FreeFormOutlineState>(*this);
            if (state->Running()) m_window.StartInteraction(std::move(state));
            break;
        }
        case Cmd::OutlineCircular: {
            // The dialog opens without a loop of its own; its OK draws the outline.
            const QSize client = m_window.ClientSize();
            auto* dialog =
                new TOutlineC(p, QPointF(client.width() / 2.0, client.height() / 2.0), &m_window);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &QDialog::accepted, dialog, [this, dialog] {
                const CircleDialogResult& r = dialog->result();
                DrawCircularOutline(problem(), r.cType, r.points, r.diameter, r.centreX, r.centreY);
                Changed();
            });
            m_circle = dialog;
            dialog->open();
            return true;
        }
        case Cmd::ElementLines:
            m_window.StartInteraction(std::make_unique<ElementLinesState>(*this));
            break;
        case Cmd::Delete:
            if (p.selection.state == SelectType::Templat && p.templatePicture.Present())
                DeleteTemplate(p);
            else
                DeleteSelection(p);
            m_clicks.currentGroup = nullptr;  // a deletion releases every group
            break;
        case Cmd::Subtract:
            SubtractFrame(p);
            break;
        case Cmd::RemoveMesh:
            RemoveMeshCommand(p);
            break;
        case Cmd::AutoMesh:
            AutoMeshClick(p, m_autoMeshPrompt);
            break;
        case Cmd::ReduceMesh:
            ReduceMeshWithGauge();
            break;
        case Cmd::RepositionNodes:
            RepositionMClick(p);
            m_clicks.repositionMode = true;
            break;
        case Cmd::Group:
            GroupSelection(p, m_clicks);
            break;
        case Cmd::Ungroup:
            UngroupSelection(p, m_clicks);
            break;
        case Cmd::SizeMoveTemplate: {
            const bool sizing = p.selection.state == SelectType::Templat;
            ClearSelection(p);
            if (!sizing && p.templatePicture.Present()) {
                p.selection.state = SelectType::Templat;
                p.settings.displayTemplate = true;
            }
            break;
        }
        case Cmd::NewText:
            NewTextCommand(p, m_texts, kInputWindowType);
            OpenTextDialog();
            break;
        default:
            return false;
    }
    Changed();
    return true;
}

void InputEditor::ReduceMeshWithGauge() {
    QProgressBar* gauge = m_meshGauge;
    if (gauge == nullptr) {
        ReducemeshMClick(problem());
        return;
    }
    // No event loop runs meanwhile, so the gauge is laid out and painted at once.
    gauge->setValue(0);
    gauge->show();
    QWidget* bar = gauge->parentWidget();
    if (bar != nullptr && bar->layout() != nullptr) bar->layout()->activate();
    int shown = -1;
    const MeshProgress progress = [gauge, bar, &shown](int percent) {
        if (percent == shown) return;
        // The first step also paints the information panel's "Please wait".
        const bool first = shown < 0;
        shown = percent;
        gauge->setValue(percent);
        if (first && bar != nullptr)
            bar->repaint();
        else
            gauge->repaint();
    };
    ReducemeshMClick(problem(), progress);
    gauge->hide();
}

void InputEditor::OpenTextDialog() {
    if (TextAt(problem(), m_texts.current) == nullptr) return;
    auto* dialog = new TNewTextDlg(problem(), m_texts, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [this] { Changed(); });
    m_textDialog = dialog;
    dialog->open();
}

void InputEditor::PasteFromClipboard() {
    const QImage image = QApplication::clipboard()->image();
    if (image.isNull()) return;  // no picture: nothing changes
    // A picture too large to be decoded again when drawn is refused.
    if (image.sizeInBytes() > static_cast<qsizetype>(kPictureDecodeLimitMB) * 1024 * 1024) {
        problem().reporter().Beep();
        return;
    }
    // The picture is kept as a bitmap file image, so that it is saved byte for byte.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP")) return;
    const QSize client = m_window.ClientSize();
    Problem& p = problem();
    if (PasteTemplate(p, 2, std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                      {image.width(), image.height()}, client.width(), client.height())) {
        ClearSelection(p);
        p.selection.state = SelectType::Templat;
    }
    Changed();
}

bool InputEditor::IdleKey(int key) {
    Problem& p = problem();
    if (p.selection.state != SelectType::Templat || !p.templatePicture.Present()) return false;
    int dx = 0, dy = 0;
    switch (key) {
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        case Qt::Key_Up:
            dy = -1;
            break;
        case Qt::Key_Down:
            dy = 1;
            break;
        default:
            return false;
    }
    // A run of nudges is one undo step.
    if (!m_nudging) BeginTemplateChange(p);
    m_nudging = true;
    MoveTemplateBy(p, dx, dy);
    Changed();
    return true;
}

void InputEditor::IdlePress(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods,
                            bool dbl) {
    m_nudging = false;
    Problem& pr = problem();
    if (button == Qt::RightButton || dbl) {
        // The double-click: the current text's dialog, else the property dialogs of what
        // is selected.
        if (TextAt(pr, m_texts.current) != nullptr) {
            OpenTextDialog();
            return;
        }
        const SelectType s = pr.selection.state;
        if (s == SelectType::Frames || s == SelectType::Lumps)
            m_route(Cmd::MaterialProperties);
        else if (s == SelectType::Points || s == SelectType::Bounds)
            m_route(Cmd::BoundaryConditions);
        return;
    }
    if (button != Qt::LeftButton) return;
    if (pr.selection.state == SelectType::Templat) {
        const TemplateGrip grip = TemplateHit(pr, p.toPoint().x(), p.toPoint().y());
        if (grip != TemplateGrip::None)
            m_window.StartInteraction(std::make_unique<TemplateDragState>(*this, grip, p));
        return;
    }
    const QtTextMetrics metrics;  // texts are hit where the painter draws them
    if (TextClick(pr, m_texts, kInputWindowType, p.x(), p.y(), (mods & Qt::ShiftModifier) != 0,
                  metrics)) {
        m_window.StartInteraction(std::make_unique<TextDragState>(*this, p));
        Changed();
        return;
    }
    const ClickReply reply =
        ClickAt(pr, m_clicks,
                ClickInput{p.x(), p.y(), kInputWindowType, (mods & Qt::ControlModifier) != 0});
    if (reply.next == NextStep::RubberRectangle)
        m_window.StartInteraction(std::make_unique<RubberRectangleState>(*this, p));
    else if (reply.next == NextStep::DragNode)
        m_window.StartInteraction(std::make_unique<NodeDragState>(*this, reply.node, p));
    Changed();
}

// --- Free-form outline ------------------------------------------------------------------

FreeFormOutlineState::FreeFormOutlineState(InputEditor& editor)
    : m_editor(editor), m_command(editor.problem()) {
    // A refused Begin (the frame limit) has shown its error box already.
    if (m_command.Begin())
        editor.problem().reporter().ShowStatusText(GetMessage(MessageId::ClickOnMaterialStart),
                                                   StatusPanel::Info);
    else
        editor.Changed();
}

QPointF FreeFormOutlineState::EndPoint(QPointF p, Qt::KeyboardModifiers mods) const {
    Problem& pr = m_editor.problem();
    const std::vector<int>& v = m_command.Vertices();
    Real x = p.x(), y = p.y();
    if (!v.empty() && Locked(mods)) {
        const ClickPoint locked = LockedEndPoint(pr.nodes[v.back()].x, pr.nodes[v.back()].y, x, y);
        x = locked.x;
        y = locked.y;
    }
    KeepRightOfAxis(pr, x);
    if (!v.empty()) y = std::max<Real>(y, 0);
    Real sx = x, sy = y;
    if (FindNodeNear(pr, sx, sy, v.empty() ? kFirstCornerSnap : kCornerSnap) != 0) {
        x = sx;
        y = sy;
    }
    return {static_cast<double>(x), static_cast<double>(y)};
}

void FreeFormOutlineState::MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) {
    m_pointer = p;
    m_mods = mods;
    m_editor.window().canvas()->update();
}

void FreeFormOutlineState::MousePressWith(QPointF p, Qt::MouseButton button,
                                          Qt::KeyboardModifiers mods) {
    if (button != Qt::LeftButton) return;  // a right-click ends no wait
    QPointF at = p;
    if (!m_command.Vertices().empty() && Locked(mods)) {
        Problem& pr = m_editor.problem();
        const int last = m_command.Vertices().back();
        const ClickPoint locked = LockedEndPoint(pr.nodes[last].x, pr.nodes[last].y, p.x(), p.y());
        at = QPointF(static_cast<double>(locked.x), static_cast<double>(locked.y));
    }
    m_command.Click(ClickPoint{at.x(), at.y()});
    if (m_command.Over()) {
        Finish();
        return;
    }
    m_editor.Changed();
}

bool FreeFormOutlineState::KeyPress(int key) {
    return KeyPressWith(key, {});
}

bool FreeFormOutlineState::KeyPressWith(int key, Qt::KeyboardModifiers) {
    const bool firstWait = m_command.Vertices().empty();
    if (key == Qt::Key_Escape || (firstWait && CancelsFirstClickWait(key))) {
        m_editor.window().CancelInteraction();
        return true;
    }
    return false;
}

void FreeFormOutlineState::PaintOverlay(QPainter& painter) {
    const std::vector<int>& v = m_command.Vertices();
    if (v.empty()) return;
    const Problem& pr = m_editor.problem();
    InvertingPen(painter);
    painter.drawLine(NodePoint(pr, v.back()), EndPoint(m_pointer, m_mods));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void FreeFormOutlineState::Cancel() {
    m_command.Cancel();
    m_editor.problem().reporter().ShowStatusText("", StatusPanel::Info);
    m_editor.Changed();
}

void FreeFormOutlineState::Finish() {
    InputEditor& editor = m_editor;
    // The corner prompt goes with the command.
    editor.problem().reporter().ShowStatusText("", StatusPanel::Info);
    editor.window().EndInteraction();
    editor.Changed();
}

// --- Element lines ----------------------------------------------------------------------

ElementLinesState::ElementLinesState(InputEditor& editor)
    : m_editor(editor), m_command(editor.problem()) {
    m_command.Begin();
    Prompt();
}

void ElementLinesState::Prompt() {
    if (m_command.Vertices().empty())
        m_editor.problem().reporter().ShowStatusText(GetMessage(MessageId::ClickOnNodeOrLine),
                                                     StatusPanel::Info);
}

void ElementLinesState::MouseMoveWith(QPointF p, Qt::KeyboardModifiers) {
    m_pointer = p;
    m_editor.window().canvas()->update();
}

void ElementLinesState::MousePressWith(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers) {
    if (button != Qt::LeftButton) return;
    m_command.Click(ClickPoint{p.x(), p.y()});
    if (m_command.Over()) {
        Finish();
        return;
    }
    Prompt();
    m_editor.Changed();
}

bool ElementLinesState::KeyPress(int key) {
    return KeyPressWith(key, {});
}

bool ElementLinesState::KeyPressWith(int key, Qt::KeyboardModifiers) {
    // Shift held for the next line must not end the command.
    const bool startWait = m_command.Vertices().empty();
    if (key == Qt::Key_Escape || (startWait && CancelsFirstClickWait(key))) {
        m_editor.window().CancelInteraction();
        return true;
    }
    return false;
}

void ElementLinesState::PaintOverlay(QPainter& painter) {
    const std::vector<int>& v = m_command.Vertices();
    if (v.empty()) return;
    InvertingPen(painter);
    painter.drawLine(NodePoint(m_editor.problem(), v.front()), m_pointer);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void ElementLinesState::Cancel() {
    m_command.Cancel();
    m_editor.Changed();
}

void ElementLinesState::Finish() {
    InputEditor& editor = m_editor;
    editor.window().EndInteraction();
    editor.Changed();
}

// --- Rubber rectangle -------------------------------------------------------------------

RubberRectangleState::RubberRectangleState(InputEditor& editor, QPointF start)
    : m_editor(editor), m_start(start), m_pointer(start) {}

void RubberRectangleState::MouseMoveWith(QPointF p, Qt::KeyboardModifiers) {
    Real x = p.x();
    KeepRightOfAxis(m_editor.problem(), x);
    m_pointer = QPointF(static_cast<double>(x), p.y());
    m_editor.window().canvas()->update();
}

void RubberRectangleState::MouseRelease(QPointF p, Qt::MouseButton, Qt::KeyboardModifiers) {
    MouseMoveWith(p, {});
    SelectInRectangle(m_editor.problem(), kInputWindowType, m_start.x(), m_start.y(), m_pointer.x(),
                      m_pointer.y());
    InputEditor& editor = m_editor;
    editor.window().EndInteraction();
    editor.Changed();
}

bool RubberRectangleState::KeyPress(int key) {
    if (key != Qt::Key_Escape) return false;
    m_editor.window().CancelInteraction();
    return true;
}

void RubberRectangleState::PaintOverlay(QPainter& painter) {
    InvertingPen(painter, Qt::DotLine);
    painter.drawRect(QRectF(m_start, m_pointer).normalized());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void RubberRectangleState::Cancel() {
    m_editor.Changed();
}

// --- Node drag --------------------------------------------------------------------------

NodeDragState::NodeDragState(InputEditor& editor, int node, QPointF)
    : m_editor(editor), m_node(node), m_position(NodePoint(editor.problem(), node)) {
    for (const LineSegment& s : editor.problem().lines)
        if (s.node1 == node || s.node2 == node)
            m_neighbours.push_back(s.node1 == node ? s.node2 : s.node1);
    editor.problem().MarkProblemChanged();
    editor.problem().reporter().ShowStatusText(GetMessage(MessageId::ShiftOrCtrlLocks),
                                               StatusPanel::Info);
}

void NodeDragState::MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) {
    if (p.y() < -kDragAboveLimit) {
        m_editor.window().CancelInteraction();  // this state is gone afterwards
        return;
    }
    Follow(p, mods);
    m_editor.window().canvas()->update();
}

void NodeDragState::Follow(QPointF p, Qt::KeyboardModifiers mods) {
    // Shift keeps x, Ctrl keeps y.
    if (!(mods & Qt::ShiftModifier)) m_position.setX(p.x());
    if (!(mods & Qt::ControlModifier)) m_position.setY(p.y());
}

void NodeDragState::MouseRelease(QPointF p, Qt::MouseButton, Qt::KeyboardModifiers mods) {
    if (p.y() < -kDragAboveLimit) {
        m_editor.window().CancelInteraction();
        return;
    }
    Follow(p, mods);
    MoveNode(m_editor.problem(), m_node, m_position.x(), m_position.y());
    InputEditor& editor = m_editor;
    editor.window().EndInteraction();
    editor.Changed();
}

bool NodeDragState::KeyPress(int key) {
    if (key != Qt::Key_Escape) return false;
    m_editor.window().CancelInteraction();
    return true;
}

void NodeDragState::PaintOverlay(QPainter& painter) {
    const Problem& pr = m_editor.problem();
    InvertingPen(painter);
    for (const int k : m_neighbours) painter.drawLine(NodePoint(pr, k), m_position);
    painter.drawEllipse(m_position, kDragCircle, kDragCircle);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void NodeDragState::Cancel() {
    m_editor.problem().reporter().ShowStatusText("", StatusPanel::Info);
    m_editor.Changed();
}

// --- Text drag ------------------------------------------------------------------------

TextDragState::TextDragState(InputEditor& editor, QPointF press)
    : m_editor(editor), m_last(press.toPoint()) {}

void TextDragState::MouseMoveWith(QPointF p, Qt::KeyboardModifiers) {
    const QPoint at = p.toPoint();
    if (at == m_last) return;
    if (!m_moved) BeginTextDrag(m_editor.problem(), m_editor.texts());
    m_moved = true;
    TextDrag(m_editor.problem(), kInputWindowType, at.x() - m_last.x(), at.y() - m_last.y());
    m_last = at;
    m_editor.window().InvalidateDrawing();
}

void TextDragState::MouseRelease(QPointF p, Qt::MouseButton, Qt::KeyboardModifiers mods) {
    MouseMoveWith(p, mods);
    InputEditor& editor = m_editor;
    editor.window().EndInteraction();
    editor.Changed();
}

bool TextDragState::KeyPress(int key) {
    return KeyPressWith(key, {});
}

bool TextDragState::KeyPressWith(int key, Qt::KeyboardModifiers) {
    // Any key but Shift ends the drag where it is.
    if (key == Qt::Key_Shift) return true;
    InputEditor& editor = m_editor;
    editor.window().EndInteraction();
    editor.Changed();
    return true;
}

void TextDragState::Cancel() {
    m_editor.Changed();
}

// --- Template -----------------------------------------------------------------------------

TemplateDragState::TemplateDragState(InputEditor& editor, TemplateGrip grip, QPointF press)
    : m_editor(editor), m_grip(grip), m_down(press.toPoint()) {
    BeginTemplateChange(editor.problem());
}

void TemplateDragState::MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) {
    const QPoint at = p.toPoint();
    if (m_grip == TemplateGrip::Move)
        MoveTemplateBy(m_editor.problem(), at.x() - m_down.x(), at.y() - m_down.y());
    else
        ResizeTemplateTo(m_editor.problem(), at.x(), at.y(), (mods & Qt::ShiftModifier) != 0);
    m_down = at;
    // The template is drawn over the cached picture while sized: only a repaint.
    m_editor.window().canvas()->update();
}

void TemplateDragState::MouseRelease(QPointF p, Qt::MouseButton, Qt::KeyboardModifiers mods) {
    MouseMoveWith(p, mods);
    InputEditor& editor = m_editor;
    editor.window().EndInteraction();
    editor.Changed();
}

bool TemplateDragState::KeyPress(int key) {
    if (key != Qt::Key_Escape) return false;
    m_editor.window().CancelInteraction();
    return true;
}

void TemplateDragState::Cancel() {
    // The snapshot taken at the press puts the picture back where it was.
    RestoreSnapshotWithGeometry(m_editor.problem(), true);
    m_editor.Changed();
}

}  // namespace kova::ui
