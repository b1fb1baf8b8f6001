#pragma once
// Lights. An ambient light lights every face equally; a directional light shines along the
// +z axis of the frame that carries it.

#include "platform/core/types.h"

namespace rm {

class Light {
public:
    Light(D3DRMLIGHTTYPE type, ColorRGB color) : m_type(type), m_color(color) {}
    [[nodiscard]] D3DRMLIGHTTYPE GetType() const { return m_type; }
    [[nodiscard]] ColorRGB GetColor() const { return m_color; }
    Result SetColorRGB(D3DVALUE r, D3DVALUE g, D3DVALUE b);

private:
    D3DRMLIGHTTYPE m_type;
    ColorRGB m_color;
};

}  // namespace rm
