#pragma once

#include "platform/Canvas.h"

#include <string>
#include <vector>

namespace testing {

/// One recorded drawing call. Unused coordinates stay 0.
struct CanvasCommand {
    enum class Kind {
        Scale,
        BackColor,
        ForeColor,
        Clear,
        LineWidth,
        DrawStyle,
        FontName,
        FontSize,
        CurrentX,
        CurrentY,
        Print,
        PSet,
        Line,
        LineTo,
        Box,
        FilledBox,
        Circle
    };
    Kind kind = Kind::Clear;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0; ///< points; Circle: centre and (radius, 0); sizes in x1
    platform::Rgb colour{};
    std::string text; ///< Print text, font name
    bool continueLine = false;
    int value = 0;      ///< line width, draw style
    float fontSize = 0; ///< Print: the font size in force
    friend bool operator==(const CanvasCommand&, const CanvasCommand&) = default;
};

/// A canvas that keeps every call in order and tracks the current point and font size as a
/// picture box would, so drawing code can be checked in user coordinates.
class RecordingCanvas : public platform::Canvas {
  public:
    std::vector<CanvasCommand> commands;

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
    float CurrentX() const override { return m_x; }
    float CurrentY() const override { return m_y; }
    void Print(const std::string& text, bool continueLine) override;
    void PSet(float x, float y) override;
    void Line(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void LineTo(float x, float y, platform::Rgb colour) override;
    void Box(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) override;
    void Circle(float cx, float cy, float radius, platform::Rgb colour) override;

    /// The commands of one kind, in order.
    std::vector<CanvasCommand> ofKind(CanvasCommand::Kind kind) const;

  private:
    CanvasCommand& add(CanvasCommand::Kind kind, float x1 = 0, float y1 = 0, float x2 = 0,
                       float y2 = 0, platform::Rgb colour = {});

    float m_left = 0, m_top = 0;
    float m_x = 0, m_y = 0;
    float m_fontSize = 8.25f;
};

} // namespace testing
