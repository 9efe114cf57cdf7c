#pragma once

#include "platform/Canvas.h"

namespace platform {

/// What every picture box keeps besides its pixels: the user coordinate system over a drawing
/// area of a fixed number of pixels, the colours, pen, font size and current point. Canvases
/// on a screen, an image or a web page derive from it and only draw.
class CanvasState : public Canvas {
  public:
    /// Until a scale is set, one user unit is one pixel with y growing downwards.
    CanvasState(int widthPixels, int heightPixels);

    void SetScale(float left, float top, float width, float height) final;
    void SetBackColor(Rgb colour) final { m_backColour = colour; }
    void SetForeColor(Rgb colour) final { m_foreColour = colour; }
    void SetLineWidth(int pixels) final;
    void SetDrawStyle(DrawStyle style) final { m_drawStyle = style; }
    void SetFontSize(float points) final;
    float FontSize() const final { return m_fontSize; }
    void SetCurrentX(float x) final;
    void SetCurrentY(float y) final { m_currentY = y; }
    float CurrentX() const final { return m_currentX; }
    float CurrentY() const final { return m_currentY; }

    /// The user coordinate system in force.
    float ScaleLeft() const { return m_left; }
    float ScaleTop() const { return m_top; }
    float ScaleWidth() const { return m_width; }
    float ScaleHeight() const { return m_height; }

  protected:
    int WidthPixels() const { return m_widthPixels; }
    int HeightPixels() const { return m_heightPixels; }
    double PixelsPerUnitX() const { return m_widthPixels / static_cast<double>(m_width); }
    double PixelsPerUnitY() const { return m_heightPixels / static_cast<double>(m_height); }
    /// Pixel offsets from the drawing area's top-left corner (not rounded).
    double OffsetX(float x) const { return (static_cast<double>(x) - m_left) * PixelsPerUnitX(); }
    double OffsetY(float y) const { return (static_cast<double>(y) - m_top) * PixelsPerUnitY(); }

    Rgb BackColour() const { return m_backColour; }
    Rgb ForeColour() const { return m_foreColour; }
    int LineWidth() const { return m_lineWidth; }
    DrawStyle Style() const { return m_drawStyle; }

    /// The border of the box whose corner pixels are (left, top) and (right, bottom), as the
    /// one-pixel strips fill(x, y, width, height) paints: nested rings as many as the pen is
    /// wide, centred on the outline (the extra pixel going outwards) or, for the inside style,
    /// all within it.
    template <typename Fill>
    void BorderStrips(int left, int top, int right, int bottom, Fill fill) const {
        const int first = m_drawStyle == DrawStyle::InsideSolid ? 0 : -(m_lineWidth / 2);
        for (int inset = first; inset < first + m_lineWidth; ++inset) {
            const int x = left + inset;
            const int y = top + inset;
            const int width = right - left + 1 - 2 * inset;
            const int height = bottom - top + 1 - 2 * inset;
            if (width <= 0 || height <= 0) {
                return;
            }
            fill(x, y, width, 1);
            fill(x, y + height - 1, width, 1);
            fill(x, y, 1, height);
            fill(x + width - 1, y, 1, height);
        }
    }
    /// The pixel radius of a circle of `radius` horizontal user units; for the inside style the
    /// stroke's outer edge stays on the circle.
    double CircleRadiusPixels(float radius) const;

    /// After a Clear: the current point at (left, top).
    void HomeCurrentPoint();
    /// After drawing to a point: it becomes the current point.
    void MoveCurrentPoint(float x, float y);
    /// After printing text `advancePixels` wide in a font `lineHeightPixels` high: just right of
    /// the text when continuing the line, else the next line's start.
    void AdvanceAfterPrint(double advancePixels, double lineHeightPixels, bool continueLine);

  private:
    int m_widthPixels;
    int m_heightPixels;
    float m_left = 0.0f;
    float m_top = 0.0f;
    float m_width;
    float m_height;
    Rgb m_backColour{255, 255, 255};
    Rgb m_foreColour{0, 0, 0};
    int m_lineWidth = 1;
    DrawStyle m_drawStyle = DrawStyle::Solid;
    float m_fontSize = 8.25f;
    float m_currentX = 0.0f;
    float m_currentY = 0.0f;
    float m_lineStartX = 0.0f; ///< where a print that ends its line sends CurrentX
};

/// True when both coordinates are finite numbers.
bool Finite(float a, float b);

} // namespace platform
