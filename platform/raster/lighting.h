#pragma once
// Lambert lighting of the rasterizer: a face or corner colour times the ambient light plus
// every directional light that reaches the normal, clamped per channel.

#include <span>

#include "platform/raster/raster_types.h"

namespace rm::raster {

struct Vec3 {
    float x = 0.0F;
    float y = 0.0F;
    float z = 0.0F;
};

// Light intensity per channel at a unit world-space normal (the zero normal gets ambient
// only).
[[nodiscard]] ColorRGB LightIntensity(const Vec3& normal, const ColorRGB& ambient,
                                      std::span<const DirectionalLightInfo> lights);

// Channel value times intensity, rounded and clamped to 0..255; NaN gives 0.
[[nodiscard]] float ScaleChannel(float channel, float intensity);

// The opaque colour a face shows under `intensity`.
[[nodiscard]] D3DCOLOR ShadeColor(D3DCOLOR color, const ColorRGB& intensity);

// Unit vector, or the zero vector when v is zero, tiny or not finite.
[[nodiscard]] Vec3 NormalizedOrZero(const Vec3& v);

}  // namespace rm::raster
