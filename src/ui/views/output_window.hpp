// The result windows (TOutputForm): the contour and gradient pictures of the stored
// results, painted from a cached image keyed to the results and the view, the legend in
// a strip above the drawing, the value read-out under the held left button in the
// coordinates panel, and the "From start to stop" sequence stepped by a timer.
// ResultWindows owns the windows and the result settings for the main window.
#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "dialogs/text_dialog.hpp"
#include "editing/selection_clicks.hpp"
#include "editing/text_commands.hpp"
#include "results/contours.hpp"
#include "results/flows.hpp"
#include "results/flux_arrows.hpp"
#include "views/zoom_gesture.hpp"

class QMdiArea;
class QMdiSubWindow;

namespace kova::ui {

class Document;

// The window kinds, numbered as the main window's table of child windows.
enum OutputKind : int {
    kValuesWindow = 2,
    kContoursWindow = 3,
    kGradientsWindow = 4,
    kFlowsWindow = 5,
    kBalancesWindow = 6,
};

// What the pictures are drawn with; lives as long as the main window.
struct ResultSettings {
    ContourSettings contour;
    GradientSettings gradient;
    // Potential Flow: the gradient window shows pressure contours from this vector.
    bool pressureDisplay = false;
    std::vector<Real> pressures;
    // The main window's display switches: the heat-flow window shows the flows of its
    // path and not the node values, the balance window the reverse; each puts back what
    // it found when another window comes to the front.
    bool displayNodeValues = true;
    bool displayFlows = false;
};

class TOutputForm;

class OutputCanvas : public QWidget {
    Q_OBJECT
public:
    explicit OutputCanvas(TOutputForm& window);
    // The picture as last computed.
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TOutputForm& m_window;
    QImage m_image;
};

class LegendStrip : public QWidget {
    Q_OBJECT
public:
    explicit LegendStrip(TOutputForm& window);
    const DrawList& legend() const { return m_legend; }
    void SetLegend(DrawList legend);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DrawList m_legend;
};

class TOutputForm : public QWidget {
    Q_OBJECT
public:
    // `clicks` and `texts` are the click state and current text item the input window
    // shares: one selection, one current group, one current text for the program.
    TOutputForm(Document& document, ResultSettings& settings, ClickState& clicks, TextState& texts,
                int kind, QWidget* parent = nullptr);

    int WinID() const { return m_kind; }
    Document& document() { return m_document; }
    ResultView View();
    // The caption at creation and the one on activation (kind name and file name).
    static QString CreationCaption(ProbTypeA subject, int kind);
    static QString ActiveCaption(int kind, const QString& fileName);

    // Draws the picture (and legend) for the current view into `image`, with this
    // window's texts on top; the background only without results.
    void Render(QImage& image);
    // The picture must be computed again at the next paint.
    void Invalidate() { m_keyValid = false; }
    // The picture as the canvas shows it. It is computed again only when the results,
    // the view (zoom, scroll, step), the settings, the selection or the display switches
    // have changed, or when the canvas has grown beyond the area last computed: exposing,
    // returning to the window and shrinking it repaint the cached image.
    const QImage& picture();
    // How often the picture has been computed (the contours, arrows or layers drawn).
    int PictureComputations() const { return m_computations; }
    // The information panel's text of the heat-flow and balance windows, the path's flows
    // computed at the displayed step first.
    void ShowSummary();

    // The read-out at a canvas point: the coordinates panel's new text, or nothing.
    std::optional<std::string> ReadoutAt(QPointF p);

    // A left press in the heat-flow or balance window: the click dispatch, a segment then
    // to the flow path at the displayed step, a press beside every node of the balance
    // window a dotted rectangle; the information panel shows the summary.
    void SelectionClick(QPointF p, bool ctrl);
    // The release of the balance window's rectangle: the boundary nodes inside it.
    void SelectionRelease(QPointF p);
    std::optional<QRectF> rubberRectangle() const;
    const FlowPath& flowPath() const { return m_flowPath; }

    // "From start to stop": one step per timer tick from step 0; a press stops it after
    // the current picture.
    void StartSequence();
    bool SequenceRunning() const { return m_sequence.isActive(); }
    void StopSequence() { m_stopRequested = true; }

    OutputCanvas* canvas() { return m_canvas; }
    LegendStrip* legendBox() { return m_legendBox; }

    // A press on one of this window's text items: selected (Shift adds), then a left
    // press drags the selected texts, a right one opens the text dialog. False when no
    // text was hit (every text is deselected then).
    bool TextPress(QPointF p, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    bool DraggingText() const { return m_textDrag; }

    // "Zoom" in this window: a rectangle of the window's proportions follows the pointer
    // until a click fixes its top left corner, then grows to a second click; a key
    // cancels. The rectangle goes to `onZoom`.
    void StartZoom();
    bool Zooming() const { return m_zoom.has_value(); }
    std::function<void(QRectF)> onZoom;

    // Called by a double click: the command that opened the window runs again.
    std::function<void()> onRerun;
    // Called by a double click or right press on a text item: its dialog opens.
    std::function<void()> onTextDialog;
    // Called after a click or rectangle has changed the selection (the menus follow it).
    std::function<void()> onSelectionChanged;
    // Called when the sequence has moved the displayed step.
    std::function<void()> onStepChanged;
    // The direction of the heat-flow window's path at the step it was picked; stepping
    // the time recomputes the flows but keeps it (0 without a path).
    int FirstFlowDirection() const { return m_firstFlowDirection; }
    int FirstStepNo() const { return m_firstStepNo; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Closing the window ends a running sequence: the next contour command starts afresh.
    void closeEvent(QCloseEvent* event) override;

private:
    friend class OutputCanvas;
    void SequenceTick();
    void RenderResults(QImage& image);
    void RenderTexts(QImage& image);

    Document& m_document;
    ResultSettings& m_settings;
    int m_kind;
    OutputCanvas* m_canvas;
    LegendStrip* m_legendBox;
    // The picture without its texts, and with them: moving a text repaints only them.
    // Both may be larger than the canvas (it has shrunk since); `m_shown` is the part the
    // canvas shows.
    QImage m_base;
    QImage m_cache;
    QImage m_shown;
    std::size_t m_textsKey = 0;
    // What the cached picture was computed for.
    std::size_t PictureKey() const;
    std::size_t m_key = 0;
    bool m_keyValid = false;
    int m_computations = 0;
    QTimer m_sequence;
    // The heat-flow window's path and click state; the selection revision keys the
    // cached picture to the marks drawn.
    FlowPath m_flowPath;
    ClickState& m_clicks;
    TextState& m_texts;
    // A text drag from a press on a text to the release; the first move takes the undo
    // snapshot, so a plain click changes nothing.
    // The zoom gesture: 0 none, 1 before the first click, 2 the corner fixed.
    std::optional<ZoomGesture> m_zoom;
    void ZoomPress(QPointF p);
    void EndZoom();
    bool m_textDrag = false;
    bool m_textMoved = false;
    QPoint m_textLast;
    int m_selectionRevision = 0;
    std::optional<QPointF> m_rubberStart;
    QPointF m_rubberEnd;
    bool m_stopRequested = false;
    bool m_leftDown = false;
    int m_firstFlowDirection = 0;
    int m_firstStepNo = 0;
};

// The result windows of the main window.
class ResultWindows : public QObject {
    Q_OBJECT
public:
    ResultWindows(Document& document, QMdiArea* area, QWidget* dialogParent, ClickState& clicks,
                  TextState& texts);

    ResultSettings& settings() { return m_settings; }
    TOutputForm* window(int kind) const;
    QMdiSubWindow* subWindow(int kind) const;

    // Opens (or brings to the front) the window of a kind and paints it; starts the
    // sequence when the settings ask for it.
    TOutputForm* Show(int kind);
    // The View command: the dialog first, the window on OK.
    void ContoursCommand();
    // Gradients: the gradient dialog, or in Potential Flow the pressures and the contour
    // dialog for them.
    void GradientsCommand();
    // Temperatures (or the subject's values): in a transient problem "Select Time" first.
    void ValuesCommand();
    // Heat Flows: "Select Time" first in a transient problem; the window picks paths in
    // the state Flow.
    void FlowsCommand();
    // Nodal Energy Balances: a steady problem of several frames chooses the frames in
    // "Select Outline" first; the window opens in the state Nodal.
    void BalancesCommand();
    // Results that are no longer current close every result window.
    void CloseWhenStale();
    void CloseAll();
    // The result window in front, 0 for none.
    int FrontKind() const;
    // "New Text" with a result window in front: a text of that window, then its dialog.
    void NewText();
    // The text dialog for the current text item; the windows repaint after it.
    void OpenTextDialog();
    TNewTextDlg* textDialog() { return m_textDialog; }
    // Every open window paints again (its picture is recomputed when what it shows
    // changed: the display switches, texts, view).
    void Refresh();
    // Called after a click in the heat-flow or balance window has changed the selection.
    std::function<void()> onSelectionChanged;
    // Called with the zoom rectangle chosen in a result window (window pixels).
    std::function<void(QRectF)> onZoom;
    // Called with the time written into the time panel for the displayed step.
    std::function<void(const std::string&)> onTimeShown;
    // The time panel shows the time of the displayed step (transient results only).
    void ShowStepTime();

private:
    // Puts back the display switches saved by the heat-flow or balance window that was
    // in front, then saves and sets them for the window now in front.
    void SwitchDisplays(int frontKind);
    // Runs `then` at once in a steady problem, after "Select Time" in a transient one.
    void AfterTimeChoice(std::function<void()> then);
    template <class Dialog>
    void KeepStepOnCancel(Dialog* dialog);
    // Opens a window whose selection state is `state`.
    void ShowWithState(int kind, SelectType state);

    Document& m_document;
    QMdiArea* m_area;
    QWidget* m_dialogParent;
    ResultSettings m_settings;
    ClickState& m_clicks;
    TextState& m_texts;
    QPointer<TNewTextDlg> m_textDialog;
    std::array<QPointer<QMdiSubWindow>, 7> m_windows{};
    int m_switchesHeldBy = 0;  // the kind whose activation saved the switches, 0: none
    bool m_heldNodeValues = true;
    bool m_heldFlows = false;
};

}  // namespace kova::ui
