#include "painting/painter.hpp"

#include <QBuffer>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace kova::ui {

Qt::BrushStyle HatchPattern(int hatch) {
    switch (hatch) {
        case kHatchHorizontal:
            return Qt::HorPattern;
        case kHatchVertical:
            return Qt::VerPattern;
        case kHatchForwardDiagonal:
            return Qt::FDiagPattern;
        case kHatchBackwardDiagonal:
            return Qt::BDiagPattern;
        case kHatchCross:
            return Qt::CrossPattern;
        case kHatchDiagonalCross:
            return Qt::DiagCrossPattern;
        default:
            return Qt::SolidPattern;
    }
}

namespace {

QPen ToQPen(const Pen& pen) {
    if (pen.style == PenStyle::None) return QPen(Qt::NoPen);
    QPen p(ToQColor(pen.color));
    p.setWidthF(pen.width);
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    if (pen.style == PenStyle::Dotted) p.setStyle(Qt::DotLine);
    if (pen.style == PenStyle::DashDot) p.setStyle(Qt::DashDotLine);
    return p;
}

QBrush ToQBrush(const Brush& brush) {
    if (!brush.filled) return QBrush(Qt::NoBrush);
    return QBrush(ToQColor(brush.color), HatchPattern(brush.hatch));
}

QPointF Q(const DrawPoint& p) {
    return {p.x, p.y};
}

// Sets the pen, switching to the inverting mode for overlays that take themselves away.
void UsePen(QPainter& painter, const Pen& pen) {
    if (pen.inverting) {
        QPen p = ToQPen(pen);
        p.setColor(Qt::white);
        painter.setPen(p);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    } else {
        painter.setPen(ToQPen(pen));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void PaintRegion(const DrawList& list, const Primitive& item, QPainter& painter,
                 QPolygonF& scratch) {
    // One ring without holes, as every band and element piece is: a polygon straight
    // from a reused buffer, without building a path.
    if (item.ringCount == 1 && item.index == 1) {
        const auto pts = list.PointsOf(item);
        scratch.resize(static_cast<qsizetype>(pts.size()));
        for (std::size_t i = 0; i < pts.size(); ++i) scratch[static_cast<qsizetype>(i)] = Q(pts[i]);
        UsePen(painter, item.pen);
        painter.setBrush(ToQBrush(item.brush));
        painter.drawPolygon(scratch, Qt::WindingFill);
        return;
    }
    const auto rings = list.RingsOf(item);
    QPainterPath outline;
    outline.setFillRule(Qt::WindingFill);
    QPainterPath holes;
    holes.setFillRule(Qt::WindingFill);
    for (std::size_t r = 0; r < rings.size(); ++r) {
        QPolygonF polygon;
        polygon.reserve(static_cast<qsizetype>(rings[r].size()));
        for (const DrawPoint& p : rings[r]) polygon << Q(p);
        QPainterPath& path = r < item.index ? outline : holes;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    if (!holes.isEmpty()) outline = outline.subtracted(holes);
    UsePen(painter, item.pen);
    painter.setBrush(ToQBrush(item.brush));
    painter.drawPath(outline);
}

// A marker drawn once into a pixmap, then stamped at every centre.
QPixmap MarkerPixmap(const Primitive& item, qreal dpr) {
    const int extent = static_cast<int>(std::ceil(2 * item.size + item.pen.width + 2));
    QPixmap pixmap(QSize(extent, extent) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(ToQPen(item.pen));
    p.setBrush(ToQBrush(item.brush));
    p.drawEllipse(QPointF(extent / 2.0, extent / 2.0), item.size, item.size);
    return pixmap;
}

void PaintText(const TextPrimitive& t, QPainter& painter) {
    const QFont font = FontFor(t.font, t.size, t.style);
    const QString text = QString::fromStdString(t.text);
    const QFontMetricsF metrics(font, painter.device());
    const QRectF box(0, 0, metrics.horizontalAdvance(text), metrics.height());
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.translate(Q(t.at));
    if (t.rotation != 0) painter.rotate(-t.rotation);
    QPointF origin(0, 0);
    if (t.anchor == TextAnchor::Center) origin = {-box.width() / 2, -box.height() / 2};
    if (t.anchor == TextAnchor::BaselineLeft) origin = {0, -metrics.ascent()};
    const QRectF rect = box.translated(origin);
    if (t.opaque) painter.fillRect(rect, ToQColor(t.background));
    painter.setFont(font);
    painter.setPen(ToQColor(t.color));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

// Decodes encoded picture bytes under the allocation limit; null when they cannot be.
// The last picture is kept: its bytes never change while shared, and the drawing is
// rebuilt on every edit.
QImage DecodePicture(const std::shared_ptr<const std::vector<std::uint8_t>>& bytes) {
    thread_local std::weak_ptr<const std::vector<std::uint8_t>> lastBytes;
    thread_local QImage lastPicture;
    if (!lastBytes.expired() && lastBytes.lock() == bytes) return lastPicture;
    if (bytes->size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
    QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                             static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&raw);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kPictureDecodeLimitMB);
    QImage picture = reader.read();
    lastBytes = bytes;
    lastPicture = picture;
    return picture;
}

void PaintImage(const ImagePrimitive& image, QPainter& painter) {
    QImage picture;
    if (image.encoded && !image.encoded->empty()) {
        picture = DecodePicture(image.encoded);
    } else if (image.width > 0 && image.height > 0 &&
               image.pixels.size() == static_cast<std::size_t>(image.width) * image.height) {
        picture = QImage(image.width, image.height, QImage::Format_RGB32);
        for (int y = 0; y < image.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < image.width; ++x) {
                const Rgb c = image.pixels[static_cast<std::size_t>(y) * image.width + x];
                line[x] = qRgb(c.r, c.g, c.b);
            }
        }
    }
    const QRectF target(Q(image.topLeft), Q(image.bottomRight));
    if (picture.isNull()) {
        // A picture that cannot be decoded shows as its frame.
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(target);
        return;
    }
    painter.setCompositionMode(image.combine == ImagePrimitive::Combine::And
                                   ? QPainter::RasterOp_SourceAndDestination
                                   : QPainter::CompositionMode_SourceOver);
    painter.drawImage(target, picture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QFont FontFor(const std::string& family, float pixelSize, std::uint8_t style) {
    QFont font(QString::fromStdString(family));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    font.setBold((style & 1) != 0);
    font.setItalic((style & 2) != 0);
    font.setUnderline((style & 4) != 0);
    font.setStrikeOut((style & 8) != 0);
    return font;
}

TextExtent QtTextMetrics::Measure(const std::string& text, const std::string& font, float size,
                                  std::uint8_t style) const {
    const QFontMetricsF m(FontFor(font, size, style));
    return {static_cast<float>(m.horizontalAdvance(QString::fromStdString(text))),
            static_cast<float>(m.height())};
}

void Paint(const DrawList& list, QPainter& painter, const ViewTransform& view) {
    painter.save();
    painter.translate(view.dx, view.dy);
    painter.scale(view.scale, view.scale);
    const qreal dpr = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    // Painting into a strip (a scroll step) skips the lines and markers that cannot reach
    // it, before Qt would clip them one by one.
    const bool clipped = painter.hasClipping();
    const QRectF clip = clipped ? painter.clipBoundingRect().adjusted(-16, -16, 16, 16) : QRectF();
    auto missesClip = [&](const DrawPoint& a, const DrawPoint& b) {
        return (a.x < clip.left() && b.x < clip.left()) ||
               (a.x > clip.right() && b.x > clip.right()) ||
               (a.y < clip.top() && b.y < clip.top()) ||
               (a.y > clip.bottom() && b.y > clip.bottom());
    };
    std::vector<QLineF> lines;
    QPolygonF polygon;
    for (const Primitive& item : list.items) {
        switch (item.kind) {
            case PrimitiveKind::Region:
                PaintRegion(list, item, painter, polygon);
                break;
            case PrimitiveKind::Polyline: {
                const auto pts = list.PointsOf(item);
                polygon.clear();
                for (const DrawPoint& p : pts) polygon << Q(p);
                UsePen(painter, item.pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawPolyline(polygon);
                break;
            }
            case PrimitiveKind::Lines: {
                const auto pts = list.PointsOf(item);
                lines.clear();
                lines.reserve(pts.size() / 2);
                for (std::size_t i = 0; i + 1 < pts.size(); i += 2)
                    if (!clipped || !missesClip(pts[i], pts[i + 1]))
                        lines.emplace_back(Q(pts[i]), Q(pts[i + 1]));
                UsePen(painter, item.pen);
                painter.drawLines(lines.data(), static_cast<int>(lines.size()));
                break;
            }
            case PrimitiveKind::Ellipse:
            case PrimitiveKind::Rectangle: {
                const auto pts = list.PointsOf(item);
                UsePen(painter, item.pen);
                painter.setBrush(ToQBrush(item.brush));
                const QRectF r(Q(pts[0]), Q(pts[1]));
                if (item.kind == PrimitiveKind::Ellipse)
                    painter.drawEllipse(r);
                else
                    painter.drawRect(r);
                break;
            }
            case PrimitiveKind::Pixels: {
                const auto pts = list.PointsOf(item);
                polygon.clear();
                for (const DrawPoint& p : pts) polygon << Q(p);
                UsePen(painter, item.pen);
                painter.drawPoints(polygon);
                break;
            }
            case PrimitiveKind::Markers: {
                const auto pts = list.PointsOf(item);
                if (item.pen.inverting || view.scale != 1) {
                    UsePen(painter, item.pen);
                    painter.setBrush(ToQBrush(item.brush));
                    for (const DrawPoint& p : pts) painter.drawEllipse(Q(p), item.size, item.size);
                    break;
                }
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                const QPixmap marker = MarkerPixmap(item, dpr);
                const QPointF half(marker.width() / dpr / 2.0, marker.height() / dpr / 2.0);
                for (const DrawPoint& p : pts)
                    if (!clipped || clip.contains(Q(p))) painter.drawPixmap(Q(p) - half, marker);
                break;
            }
            case PrimitiveKind::Text:
                if (item.index < list.texts.size()) PaintText(list.texts[item.index], painter);
                break;
            case PrimitiveKind::Image:
                if (item.index < list.images.size()) PaintImage(list.images[item.index], painter);
                break;
        }
    }
    painter.restore();
}

bool ScrollPicture(QPixmap& picture, const DrawList& list, int dx, int dy, QPoint brushOrigin) {
    // Scaled pictures rasterise a strip's pens and patterns not quite as the whole
    // picture does; they are repainted whole.
    if (picture.isNull() || picture.devicePixelRatio() != 1) return false;
    const int w = picture.width(), h = picture.height();
    if (std::abs(dx) >= w || std::abs(dy) >= h) return false;
    if (dx == 0 && dy == 0) return true;
    picture.scroll(dx, dy, picture.rect());
    QRegion strips;
    if (dx > 0) strips += QRect(0, 0, dx, h);
    if (dx < 0) strips += QRect(w + dx, 0, -dx, h);
    if (dy > 0) strips += QRect(0, 0, w, dy);
    if (dy < 0) strips += QRect(0, h + dy, w, -dy);
    QPainter painter(&picture);
    for (const QRect& r : strips) painter.fillRect(r, Qt::white);
    painter.setClipRegion(strips);
    painter.setBrushOrigin(brushOrigin);
    Paint(list, painter);
    return true;
}

}  // namespace kova::ui
