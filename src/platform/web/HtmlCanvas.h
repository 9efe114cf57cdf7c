#pragma once

#include "platform/Canvas.h"

#include <emscripten/val.h>

#include <string>

/// A picture box drawn on an HTML canvas's 2D context, with the same user coordinate system,
/// pen, font and current point as the desktop's. The context draws in picture pixels (the page
/// sets a transform for the display's pixel ratio), widthPixels x heightPixels of them.
class HtmlCanvas : public platform::Canvas {
  public:
    HtmlCanvas(emscripten::val context, int widthPixels, int heightPixels);

    void SetScale(float left, float top, float width, float height) override;
    void SetBackColor(platform::Rgb colour) override;
    void SetForeColor(platform::Rgb colour) override;
    void Clear() override;
    void SetLineWidth(int pixels) override;
    void SetDrawStyle(platform::DrawStyle style) override;
    void SetFontName(const std::string& family) override;
    void SetFontSize(float points) override;
    float FontSize() const override { return m_fontSize; }
    void SetCurrentX(float x) override;
    void SetCurrentY(float y) override;
    float CurrentX() const override { return m_currentX; }
    float CurrentY() const override { return m_currentY; }
    void Print(const std::string& text, bool continueLine) override;
    void PSet(float x, float y) override;
    void Line(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void LineTo(float x, float y, platform::Rgb colour) override;
    void Box(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void Circle(float cx, float cy, float radius, platform::Rgb colour) override;

    /// The user coordinate system in force: left, top, width, height.
    float Left() const { return m_left; }
    float Top() const { return m_top; }
    float Width() const { return m_width; }
    float Height() const { return m_height; }

  private:
    double PixelX(float x) const;
    double PixelY(float y) const;
    void Stroke(double x1, double y1, double x2, double y2, platform::Rgb colour);
    void Rectangle(float x1, float y1, float x2, float y2, platform::Rgb colour, bool filled);
    void UseFont();

    emscripten::val m_context;
    int m_widthPixels;
    int m_heightPixels;
    float m_left = 0.0f;
    float m_top = 0.0f;
    float m_width;
    float m_height;
    platform::Rgb m_backColour{255, 255, 255};
    platform::Rgb m_foreColour{0, 0, 0};
    int m_lineWidth = 1;
    platform::DrawStyle m_drawStyle = platform::DrawStyle::Solid;
    std::string m_fontFamily = "serif";
    float m_fontSize = 8.25f;
    std::string m_fontInUse;
    float m_currentX = 0.0f;
    float m_currentY = 0.0f;
    float m_lineStartX = 0.0f;
};
