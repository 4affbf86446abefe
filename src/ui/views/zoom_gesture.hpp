// The zoom rectangle of the input and result windows: of the window's proportions, it
// follows the pointer until a click fixes its top left corner, then grows with the
// pointer until a second click gives the area to show.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kova::ui {

class ZoomGesture {
public:
    void Move(QPointF p) { m_pointer = p; }
    // A click: false when it fixes the corner, true when it ends the gesture with Rect.
    bool Press(QPointF p);
    bool CornerFixed() const { return m_cornerFixed; }
    // The rectangle shown in a client area of this size.
    QRectF Rect(QSizeF client) const;
    // Draws it with an inverting pen, over a cached picture.
    void Paint(QPainter& painter, QSizeF client) const;

private:
    bool m_cornerFixed = false;
    QPointF m_corner;
    QPointF m_pointer;
};

}  // namespace kova::ui
