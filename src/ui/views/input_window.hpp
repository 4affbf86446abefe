// The input window (TInputForm): the problem's drawing, painted from a cached picture of
// the core's draw list, with the blinking selection and the current interaction's
// overlay on top, scroll bars while zoomed, and the pointer's coordinates in the status
// bar. Gestures that take several events (zooming, and later the drawing commands) are
// small state objects fed the window's events; none runs a loop of its own.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/draw_list.hpp"
#include "results/input_drawing.hpp"
#include "views/zoom_gesture.hpp"

class QScrollBar;

namespace kova::ui {

class Document;

// One gesture in the input window.
class InteractionState {
public:
    virtual ~InteractionState() = default;
    virtual void MouseMove(QPointF) {}
    virtual void MousePress(QPointF, Qt::MouseButton) {}
    // Returns true when the key was taken.
    virtual bool KeyPress(int key) = 0;
    virtual void PaintOverlay(QPainter&) {}
    // Ends the gesture as a cancel would (a menu command, another window, closing).
    virtual void Cancel() = 0;
    // The same events with the modifiers each carried (the press's own included); by
    // default they go to the plain handlers above.
    virtual void MouseMoveWith(QPointF p, Qt::KeyboardModifiers) { MouseMove(p); }
    virtual void MousePressWith(QPointF p, Qt::MouseButton b, Qt::KeyboardModifiers) {
        MousePress(p, b);
    }
    virtual void MouseRelease(QPointF, Qt::MouseButton, Qt::KeyboardModifiers) {}
    virtual bool KeyPressWith(int key, Qt::KeyboardModifiers) { return KeyPress(key); }
    // The drawing was scrolled by (dx, dy) pixels (arrow keys, scroll bars, wheel):
    // positions the gesture keeps in window pixels move along with it.
    virtual void Scrolled(QPointF) {}
};

class TInputForm;

// Zoom: a rectangle of the window's proportions follows the pointer until a click fixes
// its top left corner, then grows with the pointer until a second click. A key cancels.
class ZoomInteraction : public InteractionState {
public:
    explicit ZoomInteraction(TInputForm& window);
    void MouseMove(QPointF p) override;
    void MousePress(QPointF p, Qt::MouseButton button) override;
    bool KeyPress(int key) override;
    void PaintOverlay(QPainter& painter) override;
    void Cancel() override;

private:
    TInputForm& m_window;
    ZoomGesture m_gesture;
};

class InputCanvas;

class TInputForm : public QWidget {
    Q_OBJECT
public:
    explicit TInputForm(Document& document, QWidget* parent = nullptr);

    Document& document() { return m_document; }

    // The drawing changed: rebuild the picture at the next paint (not while a run goes on).
    void InvalidateDrawing();
    // Paint from the cached picture only (during a run).
    void SetFrozen(bool frozen);

    // Starts the zoom gesture, or goes back to normal size while zoomed.
    void ZoomCommand();
    void CancelInteraction();
    bool InteractionActive() const { return m_state != nullptr; }
    // Starts a gesture (the current one is cancelled first), and ends the current one
    // without its cancel (the gesture finished its work).
    void StartInteraction(std::unique_ptr<InteractionState> state);
    void EndInteraction();
    InteractionState* interaction() { return m_state.get(); }
    void FinishZoom(QRectF rect);

    // The size the drawing is computed for.
    QSize ClientSize() const;
    int VerticalBarWidth() const;
    int HorizontalBarHeight() const;
    void UpdateScrollBars();
    void ScrollTo(int x, int y);

    InputCanvas* canvas() { return m_canvas; }
    QScrollBar* horizontalBar() { return m_h; }
    QScrollBar* verticalBar() { return m_v; }

    // Called after commands that change the view: menus, repaint.
    std::function<void()> onViewChanged;
    // Called with the information-panel text of a prompt.
    std::function<void(const QString&)> onPrompt;
    // A press, or a double-click, while no gesture runs (the editor's idle clicks).
    std::function<void(QPointF, Qt::MouseButton, Qt::KeyboardModifiers, bool doubleClick)>
        onIdlePress;
    // A key while no gesture runs and the drawing is not zoomed; true when taken.
    std::function<bool(int key)> onIdleKey;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class InputCanvas;
    friend class ZoomInteraction;

    Document& m_document;
    InputCanvas* m_canvas;
    QScrollBar* m_h;
    QScrollBar* m_v;
    std::unique_ptr<InteractionState> m_state;
    std::unique_ptr<InteractionState> m_ended;  // a gesture that ended itself
    int m_xOrg = 0, m_yOrg = 0;                 // the scroll positions last applied
};

class InputCanvas : public QWidget {
    Q_OBJECT
public:
    explicit InputCanvas(TInputForm& window);
    void Invalidate() { m_dirty = true; }
    // The drawing moved by whole pixels (dx, dy): the cached picture moves and only the
    // strips that come into view are painted.
    void Scrolled(int dx, int dy);
    void SetFrozen(bool frozen) { m_frozen = frozen; }
    // The picture as last computed (also what Copy to Clipboard copies).
    QImage RenderImage();
    const DrawList& drawList() const { return m_list; }
    int blinkPhase() const { return m_phase; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Rebuild();
    void Blink();
    InputDrawingOptions Options() const;
    // Whether the template is being sized: it is then drawn over the cached picture.
    bool Sizing() const;
    // Whether the cached picture shows the drawing as it now is to be drawn.
    bool Current() const;
    // Hatch patterns are anchored to the drawing, so they move with it when scrolled.
    QPoint BrushOrigin() const;

    TInputForm& m_window;
    DrawList m_list;
    QPixmap m_picture;
    bool m_dirty = true;
    bool m_builtSizing = false;  // the picture was built in sizing mode, without the template
    bool m_frozen = false;
    int m_phase = 0;
    QTimer m_blink;
};

}  // namespace kova::ui
