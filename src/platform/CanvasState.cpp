#include "platform/CanvasState.h"

#include <algorithm>
#include <cmath>

namespace platform {

bool Finite(float a, float b) { return std::isfinite(a) && std::isfinite(b); }

CanvasState::CanvasState(int widthPixels, int heightPixels)
    : m_widthPixels(widthPixels), m_heightPixels(heightPixels),
      m_width(static_cast<float>(widthPixels)), m_height(static_cast<float>(heightPixels)) {}

void CanvasState::SetScale(float left, float top, float width, float height) {
    // A zero extent has no mapping; the picture keeps the scale it had.
    if (width == 0.0f || height == 0.0f || !Finite(width, height) || !Finite(left, top)) {
        return;
    }
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
}

void CanvasState::SetLineWidth(int pixels) { m_lineWidth = std::max(pixels, 1); }

void CanvasState::SetFontSize(float points) {
    if (points > 0.0f && std::isfinite(points)) {
        m_fontSize = points;
    }
}

void CanvasState::SetCurrentX(float x) {
    m_currentX = x;
    m_lineStartX = x;
}

double CanvasState::CircleRadiusPixels(float radius) const {
    const double pixels = std::fabs(static_cast<double>(radius) * PixelsPerUnitX());
    return m_drawStyle == DrawStyle::InsideSolid ? std::max(pixels - m_lineWidth / 2.0, 0.5)
                                                 : pixels;
}

void CanvasState::HomeCurrentPoint() {
    m_currentX = m_left;
    m_currentY = m_top;
    m_lineStartX = m_left;
}

void CanvasState::MoveCurrentPoint(float x, float y) {
    m_currentX = x;
    m_currentY = y;
}

void CanvasState::AdvanceAfterPrint(double advancePixels, double lineHeightPixels,
                                    bool continueLine) {
    if (continueLine) {
        m_currentX += static_cast<float>(advancePixels / PixelsPerUnitX());
    } else {
        m_currentX = m_lineStartX;
        m_currentY += static_cast<float>(lineHeightPixels / PixelsPerUnitY());
    }
}

} // namespace platform
