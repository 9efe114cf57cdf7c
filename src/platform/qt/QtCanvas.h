#pragma once

#include "platform/CanvasState.h"

#include <QImage>
#include <QObject>
#include <QWidget>

#include <string>

class QtCanvas;

/// A straight line shown over a picture, as a window's line control: yellow, one pixel wide,
/// with end points in the picture's user units. It is painted over the retained image and never
/// becomes part of it.
class CanvasLine : public QObject {
    Q_OBJECT

  public:
    CanvasLine(QtCanvas& picture, const QString& name, float x1, float y1, float x2, float y2);

    float X1() const { return m_x1; }
    float Y1() const { return m_y1; }
    float X2() const { return m_x2; }
    float Y2() const { return m_y2; }
    bool Visible() const { return m_visible; }

    void SetX1(float x);
    void SetY1(float y);
    void SetX2(float x);
    void SetY2(float y);
    void SetVisible(bool visible);

  private:
    QtCanvas& m_picture;
    float m_x1;
    float m_y1;
    float m_x2;
    float m_y2;
    bool m_visible = false;
};

/// A picture box: a retained image of a fixed drawing area with a user coordinate system, a pen,
/// a font and a current point. The widget shows the image, with its line controls over it, and
/// reports mouse moves in user units.
class QtCanvas : public QWidget, public platform::CanvasState {
    Q_OBJECT

  public:
    /// A canvas whose drawing area is width x height pixels; until a scale is set, one user unit
    /// is one pixel with y growing downwards.
    QtCanvas(int widthPixels, int heightPixels, QWidget* parent = nullptr);

    void Clear() override;
    void SetFontName(const std::string& family) override;
    void Print(const std::string& text, bool continueLine) override;
    void PSet(float x, float y) override;
    void Line(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void LineTo(float x, float y, platform::Rgb colour) override;
    void Box(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void Circle(float cx, float cy, float radius, platform::Rgb colour) override;

    /// The retained drawing, exactly the drawing area; line controls are not part of it.
    const QImage& Image() const { return m_image; }

    /// Mouse pointer over the picture: the cross-hair when true, the default arrow when false.
    void SetCrossHairPointer(bool crossHair);

    /// Pixel column and row of a point in user units (rounded to the nearest pixel).
    QPoint ToPixel(float x, float y) const;
    /// User coordinates of a pixel's top-left corner, in single precision.
    QPointF ToUser(QPointF pixel) const;

  signals:
    /// The pointer moved over the picture. button: 1 left, 2 right, 4 middle (added); shift:
    /// 1 Shift, 2 Ctrl, 4 Alt (added); x and y in user units.
    void MouseMove(int button, int shift, float x, float y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QFont CurrentFont() const;
    void StrokeLine(QPoint from, QPoint to, platform::Rgb colour);
    void DrawRectangle(float x1, float y1, float x2, float y2, platform::Rgb colour, bool filled);

    QImage m_image;
    QString m_fontFamily;
};
