// The one painter: replays a core draw list onto any QPainter (window, printer, clipboard
// image, exported files), and measures text for the core's layouts.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPixmap>

#include "platform/draw_list.hpp"

namespace kova::ui {

// A stored or pasted picture is decoded only while it needs at most this many megabytes:
// a header claiming a huge size must not exhaust memory.
inline constexpr int kPictureDecodeLimitMB = 128;

// Device position = drawing position × scale + offset.
struct ViewTransform {
    double scale = 1;
    double dx = 0;
    double dy = 0;
};

void Paint(const DrawList& list, QPainter& painter, const ViewTransform& view = {});

// A scroll step of a cached picture: moves its pixels by whole pixels (dx, dy) and paints
// only the strips that come into view, from `list` (the drawing after the step) clipped
// to them, so the step costs a strip rather than the whole drawing. `brushOrigin` anchors
// hatch patterns to the drawing, so that the moved part and the new strips agree. False,
// with nothing changed, when pixels cannot simply be moved: a device pixel ratio other
// than 1, or a step as large as the picture.
bool ScrollPicture(QPixmap& picture, const DrawList& list, int dx, int dy, QPoint brushOrigin);

QColor ToQColor(Rgb c);
// The Qt brush style of a hatch style (HatchStyle); anything else is a solid fill.
Qt::BrushStyle HatchPattern(int hatch);
QFont FontFor(const std::string& family, float pixelSize, std::uint8_t style);

class QtTextMetrics : public TextMetrics {
public:
    TextExtent Measure(const std::string& text, const std::string& font, float size,
                       std::uint8_t style) const override;
};

}  // namespace kova::ui
