#include "platform/qt/QtCanvas.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Dots per metre of 96 dots per inch: font sizes in points become pixels as on the screen the
// pictures were designed for, whatever the display this runs on.
constexpr int kDotsPerMetre96 = 3780;

// Far outside any picture, still safe to round to int.
constexpr double kPixelLimit = 1.0e6;

QColor ToColour(platform::Rgb colour) { return QColor(colour.r, colour.g, colour.b); }

// The free replacement with the same glyph widths.
QString FontFamilyFor(const std::string& family) {
    if (family == "Times New Roman") {
        return QStringLiteral("Liberation Serif");
    }
    return QString::fromStdString(family);
}

int RoundPixel(double value) {
    return static_cast<int>(std::lround(std::clamp(value, -kPixelLimit, kPixelLimit)));
}

} // namespace

CanvasLine::CanvasLine(QtCanvas& picture, const QString& name, float x1, float y1, float x2,
                       float y2)
    : QObject(&picture), m_picture(picture), m_x1(x1), m_y1(y1), m_x2(x2), m_y2(y2) {
    setObjectName(name);
}

void CanvasLine::SetX1(float x) {
    m_x1 = x;
    m_picture.update();
}
void CanvasLine::SetY1(float y) {
    m_y1 = y;
    m_picture.update();
}
void CanvasLine::SetX2(float x) {
    m_x2 = x;
    m_picture.update();
}
void CanvasLine::SetY2(float y) {
    m_y2 = y;
    m_picture.update();
}
void CanvasLine::SetVisible(bool visible) {
    m_visible = visible;
    m_picture.update();
}

QtCanvas::QtCanvas(int widthPixels, int heightPixels, QWidget* parent)
    : QWidget(parent), CanvasState(widthPixels, heightPixels),
      m_image(widthPixels, heightPixels, QImage::Format_RGB32),
      m_fontFamily(FontFamilyFor("Times New Roman")) {
    m_image.setDotsPerMeterX(kDotsPerMetre96);
    m_image.setDotsPerMeterY(kDotsPerMetre96);
    m_image.fill(ToColour(BackColour()));
    setFixedSize(widthPixels, heightPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

QPoint QtCanvas::ToPixel(float x, float y) const {
    return QPoint(RoundPixel(OffsetX(x)), RoundPixel(OffsetY(y)));
}

QPointF QtCanvas::ToUser(QPointF pixel) const {
    return QPointF(static_cast<float>(ScaleLeft() + pixel.x() / PixelsPerUnitX()),
                   static_cast<float>(ScaleTop() + pixel.y() / PixelsPerUnitY()));
}

void QtCanvas::Clear() {
    m_image.fill(ToColour(BackColour()));
    HomeCurrentPoint();
    update();
}

void QtCanvas::SetFontName(const std::string& family) { m_fontFamily = FontFamilyFor(family); }

QFont QtCanvas::CurrentFont() const {
    QFont font(m_fontFamily);
    font.setPointSizeF(static_cast<double>(FontSize()));
    return font;
}

void QtCanvas::Print(const std::string& text, bool continueLine) {
    const QString qtext = QString::fromStdString(text);
    const QFont font = CurrentFont();
    const QFontMetricsF metrics(font, &m_image);
    if (platform::Finite(CurrentX(), CurrentY())) {
        const QPointF topLeft(OffsetX(CurrentX()), OffsetY(CurrentY()));
        QPainter painter(&m_image);
        painter.setFont(font);
        painter.setPen(ToColour(ForeColour()));
        // The text's cell hangs from the current point; only the glyphs are painted.
        painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), qtext);
    }
    AdvanceAfterPrint(metrics.horizontalAdvance(qtext), metrics.height(), continueLine);
    update();
}

void QtCanvas::PSet(float x, float y) {
    MoveCurrentPoint(x, y);
    if (!platform::Finite(x, y)) {
        return;
    }
    // A dot as wide as the pen, centred on the point.
    const QPoint centre = ToPixel(x, y);
    const int width = LineWidth();
    const int half = width / 2;
    QPainter painter(&m_image);
    painter.fillRect(QRect(centre.x() - half, centre.y() - half, width, width),
                     ToColour(ForeColour()));
    update();
}

void QtCanvas::StrokeLine(QPoint from, QPoint to, platform::Rgb colour) {
    QPainter painter(&m_image);
    QPen pen(ToColour(colour));
    pen.setWidth(LineWidth());
    pen.setCapStyle(LineWidth() > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawLine(from, to);
    update();
}

void QtCanvas::Line(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    if (platform::Finite(x1, y1) && platform::Finite(x2, y2)) {
        StrokeLine(ToPixel(x1, y1), ToPixel(x2, y2), colour);
    }
}

void QtCanvas::LineTo(float x, float y, platform::Rgb colour) {
    if (platform::Finite(CurrentX(), CurrentY()) && platform::Finite(x, y)) {
        StrokeLine(ToPixel(CurrentX(), CurrentY()), ToPixel(x, y), colour);
    }
    MoveCurrentPoint(x, y);
}

void QtCanvas::DrawRectangle(float x1, float y1, float x2, float y2, platform::Rgb colour,
                             bool filled) {
    if (!platform::Finite(x1, y1) || !platform::Finite(x2, y2)) {
        return;
    }
    const QPoint a = ToPixel(x1, y1);
    const QPoint b = ToPixel(x2, y2);
    // Both corner pixels belong to the box (QRect::normalized would drop one row and column).
    const QRect outline(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                        QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    QPainter painter(&m_image);
    const QColor qcolour = ToColour(colour);
    if (filled) {
        painter.fillRect(outline, qcolour);
    }
    BorderStrips(outline.left(), outline.top(), outline.right(), outline.bottom(),
                 [&](int x, int y, int width, int height) {
                     painter.fillRect(QRect(x, y, width, height), qcolour);
                 });
    update();
}

void QtCanvas::Box(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    DrawRectangle(x1, y1, x2, y2, colour, false);
}

void QtCanvas::FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    DrawRectangle(x1, y1, x2, y2, colour, true);
}

void QtCanvas::Circle(float cx, float cy, float radius, platform::Rgb colour) {
    if (!platform::Finite(cx, cy) || !std::isfinite(radius)) {
        return;
    }
    const QPoint centre = ToPixel(cx, cy);
    const double radiusPixels = CircleRadiusPixels(radius);
    QPainter painter(&m_image);
    QPen pen(ToColour(colour));
    pen.setWidth(LineWidth());
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(centre), radiusPixels, radiusPixels);
    update();
}

void QtCanvas::SetCrossHairPointer(bool crossHair) {
    setCursor(crossHair ? Qt::CrossCursor : Qt::ArrowCursor);
}

void QtCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
    painter.setPen(QPen(QColor(255, 255, 0), 1));
    for (const CanvasLine* line : findChildren<CanvasLine*>(Qt::FindDirectChildrenOnly)) {
        if (!line->Visible() || !platform::Finite(line->X1(), line->Y1()) ||
            !platform::Finite(line->X2(), line->Y2())) {
            continue;
        }
        painter.drawLine(ToPixel(line->X1(), line->Y1()), ToPixel(line->X2(), line->Y2()));
    }
}

void QtCanvas::mouseMoveEvent(QMouseEvent* event) {
    int button = 0;
    if (event->buttons() & Qt::LeftButton) {
        button |= 1;
    }
    if (event->buttons() & Qt::RightButton) {
        button |= 2;
    }
    if (event->buttons() & Qt::MiddleButton) {
        button |= 4;
    }
    int shift = 0;
    if (event->modifiers() & Qt::ShiftModifier) {
        shift |= 1;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        shift |= 2;
    }
    if (event->modifiers() & Qt::AltModifier) {
        shift |= 4;
    }
    const QPointF user = ToUser(event->position());
    emit MouseMove(button, shift, static_cast<float>(user.x()), static_cast<float>(user.y()));
}
