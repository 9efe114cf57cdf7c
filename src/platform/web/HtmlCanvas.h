#pragma once

#include "platform/CanvasState.h"

#include <emscripten/val.h>

#include <cmath>
#include <string>

/// A picture box drawn on an HTML canvas's 2D context, with the same user coordinate system,
/// pen, font and current point as the desktop's. The context draws in picture pixels (the page
/// sets a transform for the display's pixel ratio), widthPixels x heightPixels of them.
class HtmlCanvas : public platform::CanvasState {
  public:
    HtmlCanvas(emscripten::val context, int widthPixels, int heightPixels);
    ~HtmlCanvas() override { FlushPath(); }
    HtmlCanvas(const HtmlCanvas&) = delete;
    HtmlCanvas& operator=(const HtmlCanvas&) = delete;

    void Clear() override;
    void SetFontName(const std::string& family) override;
    void Print(const std::string& text, bool continueLine) override;
    void PSet(float x, float y) override;
    void Line(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void LineTo(float x, float y, platform::Rgb colour) override;
    void Box(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void Circle(float cx, float cy, float radius, platform::Rgb colour) override;

  private:
    double PixelX(float x) const { return std::round(OffsetX(x)); }
    double PixelY(float y) const { return std::round(OffsetY(y)); }
    void Stroke(double x1, double y1, double x2, double y2, platform::Rgb colour);
    /// Strokes the lines gathered since the pen last changed, as one path.
    void FlushPath();
    void Rectangle(float x1, float y1, float x2, float y2, platform::Rgb colour, bool filled);
    void UseFont();

    emscripten::val m_context;
    std::string m_fontFamily = "serif";
    std::string m_fontInUse;
    // The path being gathered: lines of one colour and width go to the canvas in one stroke.
    bool m_pathOpen = false;
    platform::Rgb m_pathColour;
    int m_pathWidth = 0;
    double m_pathEndX = std::nan("");
    double m_pathEndY = std::nan("");
};
