#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// Solid draws a line of width w centred on a box's outline; InsideSolid keeps it inside.
enum class DrawStyle { Solid, InsideSolid };

/// A picture box with a retained image and a user coordinate system. Coordinates are user units
/// in single precision; the scale maps (left, top) to the top-left pixel and (left + width,
/// top + height) to the bottom-right corner, so a negative height makes y grow upwards.
class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual void SetScale(float left, float top, float width, float height) = 0;
    virtual void SetBackColor(Rgb colour) = 0;
    virtual void SetForeColor(Rgb colour) = 0;
    /// Fills the image with the back colour and puts the current point at (left, top).
    virtual void Clear() = 0;
    virtual void SetLineWidth(int pixels) = 0;
    virtual void SetDrawStyle(DrawStyle style) = 0;
    virtual void SetFontName(const std::string& family) = 0;
    virtual void SetFontSize(float points) = 0;
    virtual float FontSize() const = 0;
    virtual void SetCurrentX(float x) = 0;
    virtual void SetCurrentY(float y) = 0;
    virtual float CurrentX() const = 0;
    virtual float CurrentY() const = 0;
    /// Draws text in the fore colour with its top-left corner at the current point. Continuing
    /// leaves the current point just right of the text; otherwise it moves to the next line's
    /// start (the x of the last explicit CurrentX, one text height further down).
    virtual void Print(const std::string& text, bool continueLine) = 0;
    /// A point in the fore colour; it becomes the current point.
    virtual void PSet(float x, float y) = 0;
    virtual void Line(float x1, float y1, float x2, float y2, Rgb colour) = 0;
    /// A line from the current point; its end becomes the current point.
    virtual void LineTo(float x, float y, Rgb colour) = 0;
    virtual void Box(float x1, float y1, float x2, float y2, Rgb colour) = 0;
    virtual void FilledBox(float x1, float y1, float x2, float y2, Rgb colour) = 0;
    /// A circle outline; the radius is in horizontal user units.
    virtual void Circle(float cx, float cy, float radius, Rgb colour) = 0;
};

} // namespace platform
