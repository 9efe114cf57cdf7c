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

} // namespace

HtmlCanvas::HtmlCanvas(val context, int widthPixels, int heightPixels)
    : CanvasState(widthPixels, heightPixels), m_context(std::move(context)) {
    m_context.set("textBaseline", std::string("top"));
    m_context.set("lineJoin", std::string("round"));
}

void HtmlCanvas::Clear() {
    FlushPath();
    m_context.set("fillStyle", CssColour(BackColour()));
    m_context.call<void>("fillRect", 0, 0, WidthPixels(), HeightPixels());
    HomeCurrentPoint();
}

void HtmlCanvas::SetFontName(const std::string& family) { m_fontFamily = CssFamily(family); }

void HtmlCanvas::UseFont() {
    const std::string font = std::to_string(FontSize() * kPixelsPerPoint) + "px " + m_fontFamily;
    if (font != m_fontInUse) {
        m_context.set("font", font);
        m_fontInUse = font;
    }
}

void HtmlCanvas::Print(const std::string& text, bool continueLine) {
    FlushPath();
    UseFont();
    if (platform::Finite(CurrentX(), CurrentY())) {
        m_context.set("fillStyle", CssColour(ForeColour()));
        m_context.call<void>("fillText", text, OffsetX(CurrentX()), OffsetY(CurrentY()));
    }
    const double advance =
        continueLine ? m_context.call<val>("measureText", text)["width"].as<double>() : 0.0;
    // One line of text: the font's line height, as the desktop's metrics give it.
    AdvanceAfterPrint(advance, std::ceil(FontSize() * kPixelsPerPoint * 1.15), continueLine);
}

void HtmlCanvas::PSet(float x, float y) {
    MoveCurrentPoint(x, y);
    if (!platform::Finite(x, y)) {
        return;
    }
    // A dot as wide as the pen, centred on the point.
    FlushPath();
    const int width = LineWidth();
    m_context.set("fillStyle", CssColour(ForeColour()));
    m_context.call<void>("fillRect", PixelX(x) - width / 2, PixelY(y) - width / 2, width, width);
}

void HtmlCanvas::Stroke(double x1, double y1, double x2, double y2, platform::Rgb colour) {
    if (!m_pathOpen || colour != m_pathColour || LineWidth() != m_pathWidth) {
        FlushPath();
        m_context.set("strokeStyle", CssColour(colour));
        m_context.set("lineWidth", LineWidth());
        m_context.set("lineCap", std::string(LineWidth() > 1 ? "round" : "square"));
        m_context.call<void>("beginPath");
        m_pathOpen = true;
        m_pathColour = colour;
        m_pathWidth = LineWidth();
    }
    // An odd width is centred on the pixel, as the desktop's pen is.
    const double offset = LineWidth() % 2 == 1 ? 0.5 : 0.0;
    if (x1 != m_pathEndX || y1 != m_pathEndY) {
        m_context.call<void>("moveTo", x1 + offset, y1 + offset);
    }
    m_context.call<void>("lineTo", x2 + offset, y2 + offset);
    m_pathEndX = x2;
    m_pathEndY = y2;
}

void HtmlCanvas::FlushPath() {
    if (m_pathOpen) {
        m_context.call<void>("stroke");
        m_pathOpen = false;
        m_pathEndX = m_pathEndY = std::nan("");
    }
}

void HtmlCanvas::Line(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    if (platform::Finite(x1, y1) && platform::Finite(x2, y2)) {
        Stroke(PixelX(x1), PixelY(y1), PixelX(x2), PixelY(y2), colour);
    }
}

void HtmlCanvas::LineTo(float x, float y, platform::Rgb colour) {
    if (platform::Finite(CurrentX(), CurrentY()) && platform::Finite(x, y)) {
        Stroke(PixelX(CurrentX()), PixelY(CurrentY()), PixelX(x), PixelY(y), colour);
    }
    MoveCurrentPoint(x, y);
}

void HtmlCanvas::Rectangle(float x1, float y1, float x2, float y2, platform::Rgb colour,
                           bool filled) {
    if (!platform::Finite(x1, y1) || !platform::Finite(x2, y2)) {
        return;
    }
    FlushPath();
    // Both corner pixels belong to the box.
    const double left = std::min(PixelX(x1), PixelX(x2));
    const double top = std::min(PixelY(y1), PixelY(y2));
    const double right = std::max(PixelX(x1), PixelX(x2));
    const double bottom = std::max(PixelY(y1), PixelY(y2));
    m_context.set("fillStyle", CssColour(colour));
    if (filled) {
        m_context.call<void>("fillRect", left, top, right - left + 1, bottom - top + 1);
    }
    BorderStrips(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                 static_cast<int>(bottom), [&](int x, int y, int width, int height) {
                     m_context.call<void>("fillRect", x, y, width, height);
                 });
}

void HtmlCanvas::Box(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    Rectangle(x1, y1, x2, y2, colour, false);
}

void HtmlCanvas::FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    Rectangle(x1, y1, x2, y2, colour, true);
}

void HtmlCanvas::Circle(float cx, float cy, float radius, platform::Rgb colour) {
    if (!platform::Finite(cx, cy) || !std::isfinite(radius)) {
        return;
    }
    const double radiusPixels = CircleRadiusPixels(radius);
    FlushPath();
    m_context.set("strokeStyle", CssColour(colour));
    m_context.set("lineWidth", LineWidth());
    m_context.call<void>("beginPath");
    m_context.call<void>("arc", PixelX(cx), PixelY(cy), radiusPixels, 0.0, 2 * M_PI);
    m_context.call<void>("stroke");
}
