#include "views/zoom_gesture.hpp"

#include <QPainter>
#include <algorithm>

#include "results/view_geometry.hpp"

namespace kova::ui {

bool ZoomGesture::Press(QPointF p) {
    m_pointer = p;
    if (m_cornerFixed) return true;
    m_cornerFixed = true;
    m_corner = p;
    return false;
}

QRectF ZoomGesture::Rect(QSizeF client) const {
    if (!m_cornerFixed) {
        const double w = client.width() / 16.0;
        return QRectF(m_pointer, QSizeF(w, w * client.height() / std::max(1.0, client.width())));
    }
    const ZoomBox box = ZoomRectangle(m_corner.x(), m_corner.y(), m_pointer.x(), m_pointer.y(),
                                      client.width(), client.height());
    return QRectF(static_cast<double>(box.left), static_cast<double>(box.top),
                  static_cast<double>(box.width), static_cast<double>(box.height));
}

void ZoomGesture::Paint(QPainter& painter, QSizeF client) const {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(Rect(client));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace kova::ui
