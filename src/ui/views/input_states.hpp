// The editing gestures of the input window: the idle clicks that select, and the
// drawing commands, rubber rectangle and node drag as interaction states fed the
// window's events. Every rule comes from the core's commands; these classes only turn
// events into their calls and paint the rubber bands over the cached picture.
#pragma once

#include <QPointF>
#include <QPointer>
#include <QProgressBar>
#include <functional>
#include <memory>
#include <vector>

#include "dialogs/outline_circle_dialog.hpp"
#include "dialogs/text_dialog.hpp"
#include "editing/drawing_commands.hpp"
#include "editing/mesh_commands.hpp"
#include "editing/selection_clicks.hpp"
#include "editing/text_commands.hpp"
#include "shell/menu_state.hpp"
#include "views/input_window.hpp"

namespace kova::ui {

// Owns the click state of the input window and runs the Draw menu's editing commands.
class InputEditor {
public:
    // `afterCommand` updates the menus after every change; `route` runs another menu
    // command (the double-click's property dialogs).
    InputEditor(TInputForm& window, std::function<void()> afterCommand,
                std::function<void(Cmd)> route);

    // Runs a Draw menu command; false for one this editor does not handle.
    bool DrawCommand(Cmd cmd);
    // A press or double-click while no gesture runs.
    void IdlePress(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods, bool dbl);
    // After Undo, New or loading: groups and texts were rebuilt, Reposition mode ends.
    void Forget();

    ClickState& clicks() { return m_clicks; }
    TextState& texts() { return m_texts; }
    TInputForm& window() { return m_window; }
    // The circle dialog while it is open.
    TOutlineC* circleDialog() { return m_circle; }
    // The text dialog while it is open, for the current text item.
    TNewTextDlg* textDialog() { return m_textDialog; }
    void OpenTextDialog();
    // "Paste from Clipboard": a picture on the clipboard becomes the template, in sizing
    // mode; without one nothing changes.
    void PasteFromClipboard();
    // Arrow keys nudge the template by a pixel in sizing mode.
    bool IdleKey(int key);
    Problem& problem();
    // The drawing changed: repaint and update the menus.
    void Changed();
    // The main window's gauge, shown while Reduce Mesh refines the elements.
    void SetMeshGauge(QProgressBar* gauge) { m_meshGauge = gauge; }

private:
    // Reduce Mesh on this thread (it takes well under 0.2 s at the node limit), the
    // gauge painted as the share of elements done grows.
    void ReduceMeshWithGauge();

    TInputForm& m_window;
    std::function<void()> m_after;
    std::function<void(Cmd)> m_route;
    ClickState m_clicks;
    TextState m_texts;
    AutoMeshPrompt m_autoMeshPrompt;
    QPointer<TOutlineC> m_circle;
    QPointer<TNewTextDlg> m_textDialog;
    QPointer<QProgressBar> m_meshGauge;
    bool m_nudging = false;  // arrow keys are moving the template: one undo step
};

// Whether a key cancels a wait for a first click: any key but a bare modifier.
bool CancelsFirstClickWait(int key);

// "Outline (free form)": corners by left clicks until the outline closes.
class FreeFormOutlineState : public InteractionState {
public:
    explicit FreeFormOutlineState(InputEditor& editor);
    void MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) override;
    void MousePressWith(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods) override;
    bool KeyPress(int key) override;
    bool KeyPressWith(int key, Qt::KeyboardModifiers mods) override;
    void PaintOverlay(QPainter& painter) override;
    void Cancel() override;
    bool Running() const { return !m_command.Over(); }

private:
    // Where a click at p would put the corner: locked by Shift or Ctrl, snapped onto a
    // node, right of the axis and not above the drawing.
    QPointF EndPoint(QPointF p, Qt::KeyboardModifiers mods) const;
    void Finish();

    InputEditor& m_editor;
    FreeFormOutlineCommand m_command;
    QPointF m_pointer;
    Qt::KeyboardModifiers m_mods;
};

// "Element Lines": a start click, then end clicks, line after line.
class ElementLinesState : public InteractionState {
public:
    explicit ElementLinesState(InputEditor& editor);
    void MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) override;
    void MousePressWith(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods) override;
    bool KeyPress(int key) override;
    bool KeyPressWith(int key, Qt::KeyboardModifiers mods) override;
    void PaintOverlay(QPainter& painter) override;
    void Cancel() override;

private:
    void Prompt();
    void Finish();

    InputEditor& m_editor;
    ElementLinesCommand m_command;
    QPointF m_pointer;
};

// The dotted rectangle of a selection by area, from the press to the release.
class RubberRectangleState : public InteractionState {
public:
    RubberRectangleState(InputEditor& editor, QPointF start);
    void MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) override;
    void MouseRelease(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods) override;
    bool KeyPress(int key) override;
    void PaintOverlay(QPainter& painter) override;
    void Cancel() override;
    // The anchor stays on the drawing point it was pressed on.
    void Scrolled(QPointF delta) override { m_start += delta; }

private:
    InputEditor& m_editor;
    QPointF m_start;
    QPointF m_pointer;
};

// A node dragged in Reposition mode: its segments follow the pointer until the release.
class NodeDragState : public InteractionState {
public:
    NodeDragState(InputEditor& editor, int node, QPointF press);
    void MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) override;
    void MouseRelease(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods) override;
    bool KeyPress(int key) override;
    void PaintOverlay(QPainter& painter) override;
    void Cancel() override;
    // The remembered position follows the drawing.
    void Scrolled(QPointF delta) override { m_position += delta; }

private:
    void Follow(QPointF p, Qt::KeyboardModifiers mods);

    InputEditor& m_editor;
    int m_node;
    // The far ends of the node's segments, found once at the press: a pointer move
    // redraws them without scanning every segment.
    std::vector<int> m_neighbours;
    QPointF m_position;
};

// Selected texts dragged with the pointer from a press on a text; the first move takes
// the undo snapshot, so a plain click changes nothing.
class TextDragState : public InteractionState {
public:
    TextDragState(InputEditor& editor, QPointF press);
    void MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) override;
    void MouseRelease(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods) override;
    bool KeyPress(int key) override;
    bool KeyPressWith(int key, Qt::KeyboardModifiers mods) override;
    void Cancel() override;

private:
    InputEditor& m_editor;
    QPoint m_last;
    bool m_moved = false;
};

// The template moved or stretched by its bottom-right square, in sizing mode.
class TemplateDragState : public InteractionState {
public:
    TemplateDragState(InputEditor& editor, TemplateGrip grip, QPointF press);
    void MouseMoveWith(QPointF p, Qt::KeyboardModifiers mods) override;
    void MouseRelease(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods) override;
    bool KeyPress(int key) override;
    void Cancel() override;

private:
    InputEditor& m_editor;
    TemplateGrip m_grip;
    QPoint m_down;
};

}  // namespace kova::ui
