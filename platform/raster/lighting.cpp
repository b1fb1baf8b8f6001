#include "platform/raster/lighting.h"

#include <cmath>

namespace rm::raster {

ColorRGB LightIntensity(const Vec3& normal, const ColorRGB& ambient,
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

float ScaleChannel(float channel, float intensity) {
    const float v = channel * intensity;
    if (!(v > 0.0F)) {
        return 0.0F;
    }
    return v < 255.0F ? v : 255.0F;
}

D3DCOLOR ShadeColor(D3DCOLOR color, const ColorRGB& intensity) {
    const auto channel = [](std::uint32_t c, float i) {
        return static_cast<std::uint32_t>(ScaleChannel(static_cast<float>(c), i) + 0.5F);
    };
    return 0xFF000000U | (channel((color >> 16) & 0xFFU, intensity.r) << 16) |
           (channel((color >> 8) & 0xFFU, intensity.g) << 8) | channel(color & 0xFFU, intensity.b);
}

Vec3 NormalizedOrZero(const Vec3& v) {
    const float len2 = v.x * v.x + v.y * v.y + v.z * v.z;
    if (!(len2 > 1e-30F) || !std::isfinite(len2)) {
        return {};
    }
    const float inv = 1.0F / std::sqrt(len2);
    return {v.x * inv, v.y * inv, v.z * inv};
}

}  // namespace rm::raster
