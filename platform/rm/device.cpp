#include "platform/rm/device.h"

#include <algorithm>

#include "platform/rm/revision.h"

namespace rm {

Device::Device(PrivateTag, ClipperPtr clipper, int width, int height, unsigned threads)
    : m_clipper(std::move(clipper)), m_renderer(width, height, threads) {}

Result Device::SetQuality(D3DRMRENDERQUALITY quality) {
    if (!IsValidQuality(quality)) {
        return Result::BadValue;
    }
    m_quality = quality;
    BumpRevision();
    return Result::Ok;
}

Result Device::SetDither(bool dither) {
    m_dither = dither;
    BumpRevision();
    return Result::Ok;
}

Result Device::SetTextureQuality(std::uint32_t quality) {
    if (quality > 1) {
        return Result::BadValue;
    }
    m_textureQuality = quality;
    BumpRevision();
    return Result::Ok;
}

Result Device::SetShades(std::uint32_t shades) {
    if (shades < 1 || shades > 256 || (shades & (shades - 1)) != 0) {
        return Result::BadValue;
    }
    m_shades = shades;
    BumpRevision();
    return Result::Ok;
}

Result Device::SetAntialias(bool on) {
    m_renderer.SetAntialias(on);
    BumpRevision();
    return Result::Ok;
}

Result Device::Update() {
    const std::shared_ptr<PresentationTarget> target = m_clipper ? m_clipper->Target() : nullptr;
    if (!target) {
        return Result::BadObject;
    }
    target->Present(m_renderer.Picture());
    return Result::Ok;
}

Result Device::HandlePaint(const void* /*context*/) {
    return Update();
}

D3DRMRENDERQUALITY CapQuality(D3DRMRENDERQUALITY mesh, D3DRMRENDERQUALITY device) {
    const std::uint32_t shade = std::min(mesh & D3DRMSHADE_MASK, device & D3DRMSHADE_MASK);
    const std::uint32_t light = std::min(mesh & D3DRMLIGHT_MASK, device & D3DRMLIGHT_MASK);
    const std::uint32_t fill = std::min(mesh & D3DRMFILL_MASK, device & D3DRMFILL_MASK);
    return shade | light | fill;
}

}  // namespace rm
