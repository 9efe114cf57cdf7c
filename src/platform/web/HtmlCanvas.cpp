#include "platform/web/HtmlCanvas.h"

#include <algorithm>
#include <cmath>

using emscripten::val;

namespace {

// Font sizes in points become pixels at 96 dots per inch, as on the desktop.
constexpr double kPixelsPerPoint = 96.0 / 72.0;

std::string CssColour(platform::Rgb colour) {
    return "rgb(" + std::to_string(colour.r) + "," + std::to_string(colour.g) + "," +
           std::to_string(colour.b) + ")";
}

// The family the desktop draws with first, then free ones with the same glyph widths.
std::string CssFamily(const std::string& family) {
    if (family == "Times New Roman") {
        return "\"Times New Roman\", \"Liberation Serif\", Tinos, Times, serif";
    }
    return "\"" + family + "\", sans-serif";
}

bool Finite(float a, float b) { return std::isfinite(a) && std::isfinite(b); }

} // namespace

HtmlCanvas::HtmlCanvas(val context, int widthPixels, int heightPixels)
    : m_context(std::move(context)), m_widthPixels(widthPixels), m_heightPixels(heightPixels),
      m_width(static_cast<float>(widthPixels)), m_height(static_cast<float>(heightPixels)) {
    m_context.set("textBaseline", std::string("top"));
    m_context.set("lineJoin", std::string("round"));
}

double HtmlCanvas::PixelX(float x) const {
    return std::round((static_cast<double>(x) - m_left) * m_widthPixels / m_width);
}

double HtmlCanvas::PixelY(float y) const {
    return std::round((static_cast<double>(y) - m_top) * m_heightPixels / m_height);
}

void HtmlCanvas::SetScale(float left, float top, float width, float height) {
    // A zero extent has no mapping; the picture keeps the scale it had.
    if (width == 0.0f || height == 0.0f || !Finite(width, height) || !Finite(left, top)) {
        return;
    }
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
}

void HtmlCanvas::SetBackColor(platform::Rgb colour) { m_backColour = colour; }
void HtmlCanvas::SetForeColor(platform::Rgb colour) { m_foreColour = colour; }

void HtmlCanvas::Clear() {
    m_context.set("fillStyle", CssColour(m_backColour));
    m_context.call<void>("fillRect", 0, 0, m_widthPixels, m_heightPixels);
    m_currentX = m_left;
    m_currentY = m_top;
    m_lineStartX = m_left;
}

void HtmlCanvas::SetLineWidth(int pixels) { m_lineWidth = std::max(pixels, 1); }
void HtmlCanvas::SetDrawStyle(platform::DrawStyle style) { m_drawStyle = style; }
void HtmlCanvas::SetFontName(const std::string& family) { m_fontFamily = CssFamily(family); }

void HtmlCanvas::SetFontSize(float points) {
    if (points > 0.0f && std::isfinite(points)) {
        m_fontSize = points;
    }
}

void HtmlCanvas::SetCurrentX(float x) {
    m_currentX = x;
    m_lineStartX = x;
}

void HtmlCanvas::SetCurrentY(float y) { m_currentY = y; }

void HtmlCanvas::UseFont() {
    const std::string font = std::to_string(m_fontSize * kPixelsPerPoint) + "px " + m_fontFamily;
    if (font != m_fontInUse) {
        m_context.set("font", font);
        m_fontInUse = font;
    }
}

void HtmlCanvas::Print(const std::string& text, bool continueLine) {
    UseFont();
    if (Finite(m_currentX, m_currentY)) {
        m_context.set("fillStyle", CssColour(m_foreColour));
        m_context.call<void>("fillText", text,
                             (static_cast<double>(m_currentX) - m_left) * m_widthPixels / m_width,
                             (static_cast<double>(m_currentY) - m_top) * m_heightPixels / m_height);
    }
    if (continueLine) {
        const double advance = m_context.call<val>("measureText", text)["width"].as<double>();
        m_currentX += static_cast<float>(advance * m_width / m_widthPixels);
    } else {
        // One line of text: the font's line height, as the desktop's metrics give it.
        const double lineHeight = std::ceil(m_fontSize * kPixelsPerPoint * 1.15);
        m_currentX = m_lineStartX;
        m_currentY += static_cast<float>(lineHeight * m_height / m_heightPixels);
    }
}

void HtmlCanvas::PSet(float x, float y) {
    m_currentX = x;
    m_currentY = y;
    if (!Finite(x, y)) {
        return;
    }
    // A dot as wide as the pen, centred on the point.
    const int half = m_lineWidth / 2;
    m_context.set("fillStyle", CssColour(m_foreColour));
    m_context.call<void>("fillRect", PixelX(x) - half, PixelY(y) - half, m_lineWidth, m_lineWidth);
}

void HtmlCanvas::Stroke(double x1, double y1, double x2, double y2, platform::Rgb colour) {
    // An odd width is centred on the pixel, as the desktop's pen is.
    const double offset = m_lineWidth % 2 == 1 ? 0.5 : 0.0;
    m_context.set("strokeStyle", CssColour(colour));
    m_context.set("lineWidth", m_lineWidth);
    m_context.set("lineCap", std::string(m_lineWidth > 1 ? "round" : "square"));
    m_context.call<void>("beginPath");
    m_context.call<void>("moveTo", x1 + offset, y1 + offset);
    m_context.call<void>("lineTo", x2 + offset, y2 + offset);
    m_context.call<void>("stroke");
}

void HtmlCanvas::Line(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    if (Finite(x1, y1) && Finite(x2, y2)) {
        Stroke(PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2), colour);
    }
}

void HtmlCanvas::LineTo(float x, float y, platform::Rgb colour) {
    if (Finite(m_currentX, m_currentY) && Finite(x, y)) {
        Stroke(PixelX(m_currentX), PixelY(m_currentY), PixelX(x), PixelY(y), colour);
    }
    m_currentX = x;
    m_currentY = y;
}

void HtmlCanvas::Rectangle(float x1, float y1, float x2, float y2, platform::Rgb colour,
                           bool filled) {
    if (!Finite(x1, y1) || !Finite(x2, y2)) {
        return;
    }
    // Both corner pixels belong to the box.
    const double left = std::min(PixelX(x1), PixelX(x2));
    const double top = std::min(PixelY(y1), PixelY(y2));
    const double right = std::max(PixelX(x1), PixelX(x2));
    const double bottom = std::max(PixelY(y1), PixelY(y2));
    m_context.set("fillStyle", CssColour(colour));
    if (filled) {
        m_context.call<void>("fillRect", left, top, right - left + 1, bottom - top + 1);
    }
    // The border is nested one-pixel rings: centred on the outline or, inside, within it.
    const int first = m_drawStyle == platform::DrawStyle::InsideSolid ? 0 : -(m_lineWidth / 2);
    for (int inset = first; inset < first + m_lineWidth; ++inset) {
        const double l = left + inset;
        const double t = top + inset;
        const double w = right - left + 1 - 2 * inset;
        const double h = bottom - top + 1 - 2 * inset;
        if (w <= 0 || h <= 0) {
            break;
        }
        m_context.call<void>("fillRect", l, t, w, 1);
        m_context.call<void>("fillRect", l, t + h - 1, w, 1);
        m_context.call<void>("fillRect", l, t, 1, h);
        m_context.call<void>("fillRect", l + w - 1, t, 1, h);
    }
}

void HtmlCanvas::Box(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    Rectangle(x1, y1, x2, y2, colour, false);
}

void HtmlCanvas::FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    Rectangle(x1, y1, x2, y2, colour, true);
}

void HtmlCanvas::Circle(float cx, float cy, float radius, platform::Rgb colour) {
    if (!Finite(cx, cy) || !std::isfinite(radius)) {
        return;
    }
    double radiusPixels = std::fabs(static_cast<double>(radius) * m_widthPixels / m_width);
    if (m_drawStyle == platform::DrawStyle::InsideSolid) {
        radiusPixels = std::max(radiusPixels - m_lineWidth / 2.0, 0.5);
    }
    m_context.set("strokeStyle", CssColour(colour));
    m_context.set("lineWidth", m_lineWidth);
    m_context.call<void>("beginPath");
    m_context.call<void>("arc", PixelX(cx), PixelY(cy), radiusPixels, 0.0, 2 * M_PI);
    m_context.call<void>("stroke");
}
