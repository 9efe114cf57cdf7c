#include "fakes/RecordingCanvas.h"

#include <algorithm>
#include <iterator>

namespace testing {

using Kind = CanvasCommand::Kind;

CanvasCommand& RecordingCanvas::add(Kind kind, float x1, float y1, float x2, float y2,
                                    platform::Rgb colour) {
    commands.push_back({kind, x1, y1, x2, y2, colour, {}, false, 0, 0});
    return commands.back();
}

void RecordingCanvas::SetScale(float left, float top, float width, float height) {
    m_left = left;
    m_top = top;
    add(Kind::Scale, left, top, width, height);
}
void RecordingCanvas::SetBackColor(platform::Rgb c) { add(Kind::BackColor, 0, 0, 0, 0, c); }
void RecordingCanvas::SetForeColor(platform::Rgb c) { add(Kind::ForeColor, 0, 0, 0, 0, c); }
void RecordingCanvas::Clear() {
    m_x = m_left;
    m_y = m_top;
    add(Kind::Clear);
}
void RecordingCanvas::SetLineWidth(int pixels) { add(Kind::LineWidth).value = pixels; }
void RecordingCanvas::SetDrawStyle(platform::DrawStyle style) {
    add(Kind::DrawStyle).value = static_cast<int>(style);
}
void RecordingCanvas::SetFontName(const std::string& family) { add(Kind::FontName).text = family; }
void RecordingCanvas::SetFontSize(float points) { add(Kind::FontSize, m_fontSize = points); }
void RecordingCanvas::SetCurrentX(float x) { add(Kind::CurrentX, m_x = x); }
void RecordingCanvas::SetCurrentY(float y) { add(Kind::CurrentY, m_y = y); }
void RecordingCanvas::Print(const std::string& text, bool continueLine) {
    CanvasCommand& c = add(Kind::Print, m_x, m_y);
    c.text = text;
    c.continueLine = continueLine;
    c.fontSize = m_fontSize;
}
void RecordingCanvas::PSet(float x, float y) { add(Kind::PSet, m_x = x, m_y = y); }
void RecordingCanvas::Line(float x1, float y1, float x2, float y2, platform::Rgb c) {
    add(Kind::Line, x1, y1, x2, y2, c);
}
void RecordingCanvas::LineTo(float x, float y, platform::Rgb c) {
    add(Kind::LineTo, m_x, m_y, x, y, c);
    m_x = x;
    m_y = y;
}
void RecordingCanvas::Box(float x1, float y1, float x2, float y2, platform::Rgb c) {
    add(Kind::Box, x1, y1, x2, y2, c);
}
void RecordingCanvas::FilledBox(float x1, float y1, float x2, float y2, platform::Rgb c) {
    add(Kind::FilledBox, x1, y1, x2, y2, c);
}
void RecordingCanvas::Circle(float cx, float cy, float radius, platform::Rgb c) {
    add(Kind::Circle, cx, cy, radius, 0, c);
}

std::vector<CanvasCommand> RecordingCanvas::ofKind(Kind kind) const {
    std::vector<CanvasCommand> out;
    std::copy_if(commands.begin(), commands.end(), std::back_inserter(out),
                 [kind](const CanvasCommand& c) { return c.kind == kind; });
    return out;
}

} // namespace testing
