#pragma once
// Lambert lighting of the rasterizer: a face or corner colour times the ambient light plus
// every directional light that reaches the normal, clamped per channel.

#include <cmath>
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
inline ColorRGB LightIntensity(const Vec3& normal, const ColorRGB& ambient,
                               std::span<const DirectionalLightInfo> lights);
// Channel value times intensity, clamped to 0..255; NaN gives 0.
[[nodiscard]]  // Channel value times intensity, clamped to 0..255; NaN gives 0.
inline float
ScaleChannel(float channel, float intensity);
// The opaque colour a face shows under `intensity`, rounded per channel.
[[nodiscard]]  // The opaque colour a face shows under `intensity`, rounded per channel.
inline D3DCOLOR
ShadeColor(D3DCOLOR color, const ColorRGB& intensity);
// Unit vector, or the zero vector when v is zero, tiny or not finite.
[[nodiscard]]  // Unit vector, or the zero vector when v is zero, tiny or not finite.
inline Vec3
NormalizedOrZero(const Vec3& v);

inline ColorRGB LightIntensity(const Vec3& normal, const ColorRGB& ambient,
                               std::span<const DirectionalLightInfo> lights) {
    ColorRGB sum = ambient;
    for (const DirectionalLightInfo& light : lights) {
        // The light travels along `direction`, so it reaches faces turned against it.
        const float facing = -(normal.x * light.direction.x + normal.y * light.direction.y +
                               normal.z * light.direction.z);
        if (facing > 0.0F) {
            sum.r += facing * light.color.r;
            sum.g += facing * light.color.g;
            sum.b += facing * light.color.b;
        }
    }
    return sum;
}

// Channel value times intensity, clamped to 0..255; NaN gives 0.
inline float ScaleChannel(float channel, float intensity) {
    const float v = channel * intensity;
    if (!(v > 0.0F)) {
        return 0.0F;
    }
    return v < 255.0F ? v : 255.0F;
}

// The opaque colour a face shows under `intensity`, rounded per channel.
inline D3DCOLOR ShadeColor(D3DCOLOR color, const ColorRGB& intensity) {
    const auto channel = [](std::uint32_t c, float i) {
        return static_cast<std::uint32_t>(ScaleChannel(static_cast<float>(c), i) + 0.5F);
    };
    return 0xFF000000U | (channel((color >> 16) & 0xFFU, intensity.r) << 16) |
           (channel((color >> 8) & 0xFFU, intensity.g) << 8) | channel(color & 0xFFU, intensity.b);
}

// Unit vector, or the zero vector when v is zero, tiny or not finite.
inline Vec3 NormalizedOrZero(const Vec3& v) {
    const float len2 = v.x * v.x + v.y * v.y + v.z * v.z;
    if (!(len2 > 1e-30F) || !(len2 <= 3.0e38F)) {
        return {};
    }
    const float inv = 1.0F / std::sqrt(len2);
    return {v.x * inv, v.y * inv, v.z * inv};
}

}  // namespace rm::raster
