#include "fakes/RecordingCanvas.h"

namespace testing {

using Kind = CanvasCommand::Kind;

namespace {

CanvasCommand make(Kind kind, float x1 = 0, float y1 = 0, float x2 = 0, float y2 = 0,
                   platform::Rgb colour = {}) {
    CanvasCommand c;
    c.kind = kind;
    c.x1 = x1;
    c.y1 = y1;
    c.x2 = x2;
    c.y2 = y2;
    c.colour = colour;
    return c;
}

} // namespace

void RecordingCanvas::SetScale(float left, float top, float width, float height) {
    m_left = left;
    m_top = top;
    commands.push_back(make(Kind::Scale, left, top, width, height));
}
void RecordingCanvas::SetBackColor(platform::Rgb colour) {
    commands.push_back(make(Kind::BackColor, 0, 0, 0, 0, colour));
}
void RecordingCanvas::SetForeColor(platform::Rgb colour) {
    commands.push_back(make(Kind::ForeColor, 0, 0, 0, 0, colour));
}
void RecordingCanvas::Clear() {
    m_x = m_left;
    m_y = m_top;
    commands.push_back(make(Kind::Clear));
}
void RecordingCanvas::SetLineWidth(int pixels) {
    CanvasCommand c = make(Kind::LineWidth);
    c.value = pixels;
    commands.push_back(c);
}
void RecordingCanvas::SetDrawStyle(platform::DrawStyle style) {
    CanvasCommand c = make(Kind::DrawStyle);
    c.value = static_cast<int>(style);
    commands.push_back(c);
}
void RecordingCanvas::SetFontName(const std::string& family) {
    CanvasCommand c = make(Kind::FontName);
    c.text = family;
    commands.push_back(c);
}
void RecordingCanvas::SetFontSize(float points) {
    m_fontSize = points;
    commands.push_back(make(Kind::FontSize, points));
}
void RecordingCanvas::SetCurrentX(float x) {
    m_x = x;
    commands.push_back(make(Kind::CurrentX, x));
}
void RecordingCanvas::SetCurrentY(float y) {
    m_y = y;
    commands.push_back(make(Kind::CurrentY, y));
}
void RecordingCanvas::Print(const std::string& text, bool continueLine) {
    CanvasCommand c = make(Kind::Print, m_x, m_y);
    c.text = text;
    c.continueLine = continueLine;
    c.fontSize = m_fontSize;
    commands.push_back(c);
}
void RecordingCanvas::PSet(float x, float y) {
    m_x = x;
    m_y = y;
    commands.push_back(make(Kind::PSet, x, y));
}
void RecordingCanvas::Line(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    commands.push_back(make(Kind::Line, x1, y1, x2, y2, colour));
}
void RecordingCanvas::LineTo(float x, float y, platform::Rgb colour) {
    commands.push_back(make(Kind::LineTo, m_x, m_y, x, y, colour));
    m_x = x;
    m_y = y;
}
void RecordingCanvas::Box(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    commands.push_back(make(Kind::Box, x1, y1, x2, y2, colour));
}
void RecordingCanvas::FilledBox(float x1, float y1, float x2, float y2, platform::Rgb colour) {
    commands.push_back(make(Kind::FilledBox, x1, y1, x2, y2, colour));
}
void RecordingCanvas::Circle(float cx, float cy, float radius, platform::Rgb colour) {
    commands.push_back(make(Kind::Circle, cx, cy, radius, 0, colour));
}

std::vector<CanvasCommand> RecordingCanvas::ofKind(Kind kind) const {
    std::vector<CanvasCommand> out;
    for (const auto& c : commands) {
        if (c.kind == kind) {
            out.push_back(c);
        }
    }
    return out;
}

std::vector<std::string> RecordingCanvas::printedTexts() const {
    std::vector<std::string> out;
    for (const auto& c : commands) {
        if (c.kind == Kind::Print) {
            out.push_back(c.text);
        }
    }
    return out;
}

} // namespace testing
