#pragma once

#include "platform/Canvas.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace testing {

/// One recorded drawing call, its kind named after the canvas call ("Line", "SetFontSize" as
/// "FontSize"). Unused coordinates stay 0.
struct CanvasCommand {
    std::string kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0; ///< points; Circle: centre, radius; sizes, styles in x1
    platform::Rgb colour{};
    std::string text; ///< Print text, font name
    bool continueLine = false;
    float fontSize = 0; ///< Print: the font size in force
    friend bool operator==(const CanvasCommand&, const CanvasCommand&) = default;
};

/// A canvas that keeps every call in order and tracks the current point and font size as a
/// picture box would, so drawing code can be checked in user coordinates.
class RecordingCanvas : public platform::Canvas {
    using Rgb = platform::Rgb;

  public:
    std::vector<CanvasCommand> commands;

    void SetScale(float left, float top, float width, float height) override {
        add("Scale", left, top, width, height);
    }
    void SetBackColor(Rgb c) override { add("BackColor", 0, 0, 0, 0, c); }
    void SetForeColor(Rgb c) override { add("ForeColor", 0, 0, 0, 0, c); }
    void Clear() override { add("Clear"); }
    void SetLineWidth(int pixels) override { add("LineWidth", static_cast<float>(pixels)); }
    void SetDrawStyle(platform::DrawStyle s) override { add("DrawStyle", static_cast<float>(s)); }
    void SetFontName(const std::string& family) override { add("FontName").text = family; }
    void SetFontSize(float points) override { add("FontSize", m_fontSize = points); }
    float FontSize() const override { return m_fontSize; }
    void SetCurrentX(float x) override { add("CurrentX", m_x = x); }
    void SetCurrentY(float y) override { add("CurrentY", m_y = y); }
    float CurrentX() const override { return m_x; }
    float CurrentY() const override { return m_y; }
    void Print(const std::string& text, bool continueLine) override {
        CanvasCommand& c = add("Print", m_x, m_y);
        c.text = text;
        c.continueLine = continueLine;
        c.fontSize = m_fontSize;
    }
    void PSet(float x, float y) override { add("PSet", m_x = x, m_y = y); }
    void Line(float x1, float y1, float x2, float y2, Rgb c) override {
        add("Line", x1, y1, x2, y2, c);
    }
    void LineTo(float x, float y, Rgb c) override {
        add("LineTo", m_x, m_y, x, y, c);
        m_x = x;
        m_y = y;
    }
    void Box(float x1, float y1, float x2, float y2, Rgb c) override {
        add("Box", x1, y1, x2, y2, c);
    }
    void FilledBox(float x1, float y1, float x2, float y2, Rgb c) override {
        add("FilledBox", x1, y1, x2, y2, c);
    }
    void Circle(float cx, float cy, float radius, Rgb c) override {
        add("Circle", cx, cy, radius, 0, c);
    }

    /// The commands of one kind, in order.
    std::vector<CanvasCommand> ofKind(const std::string& kind) const {
        std::vector<CanvasCommand> out;
        std::copy_if(commands.begin(), commands.end(), std::back_inserter(out),
                     [&kind](const CanvasCommand& c) { return c.kind == kind; });
        return out;
    }

  private:
    CanvasCommand& add(const char* kind, float x1 = 0, float y1 = 0, float x2 = 0, float y2 = 0,
                       Rgb colour = {}) {
        return commands.emplace_back(CanvasCommand{kind, x1, y1, x2, y2, colour, {}, false, 0});
    }

    float m_x = 0, m_y = 0;
    float m_fontSize = 8.25f;
};

} // namespace testing
