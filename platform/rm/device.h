#pragma once
// A device: the render target of one or more viewports, a software colour and depth buffer
// bound through a clipper to the place its pictures are presented.

#include <memory>

#include "platform/core/types.h"
#include "platform/image/picture.h"
#include "platform/raster/renderer.h"
#include "platform/rm/clipper.h"

namespace rm {

class Device {
public:
    // Made through Root::CreateDeviceFromClipper.
    struct PrivateTag {};
    Device(PrivateTag, ClipperPtr clipper, int width, int height, unsigned threads);

    [[nodiscard]] int GetWidth() const { return m_renderer.Width(); }
    [[nodiscard]] int GetHeight() const { return m_renderer.Height(); }

    // The ceiling on every mesh's quality: each of shade, light and fill is the lesser of
    // the mesh's and the device's.
    Result SetQuality(D3DRMRENDERQUALITY quality);
    [[nodiscard]] D3DRMRENDERQUALITY GetQuality() const { return m_quality; }
    Result SetDither(bool dither);
    [[nodiscard]] bool GetDither() const { return m_dither; }
    Result SetTextureQuality(std::uint32_t quality);  // only D3DRMTEXTURE_NEAREST (0) and 1
    [[nodiscard]] std::uint32_t GetTextureQuality() const { return m_textureQuality; }
    // Shades per colour: a power of two from 1 to 256, else BadValue. The renderer draws
    // in full colour, so the value is kept and reported only.
    Result SetShades(std::uint32_t shades);
    [[nodiscard]] std::uint32_t GetShades() const { return m_shades; }

    // Smooth edges (four samples a pixel); off, the default, draws the aliased picture.
    Result SetAntialias(bool on);
    [[nodiscard]] bool GetAntialias() const { return m_renderer.Antialias(); }

    // Presents the current picture through the clipper. BadObject if the clipper lost its
    // target.
    Result Update();
    // The window-device part: repaint after the window was exposed; presents the current
    // picture again. `context` is the caller's paint context and may be null.
    Result HandlePaint(const void* context);

    [[nodiscard]] PictureView GetPicture() { return m_renderer.Picture(); }
    [[nodiscard]] Renderer& GetRenderer() { return m_renderer; }
    [[nodiscard]] const ClipperPtr& GetClipper() const { return m_clipper; }

private:
    ClipperPtr m_clipper;
    Renderer m_renderer;
    D3DRMRENDERQUALITY m_quality = D3DRMRENDER_FLAT;
    bool m_dither = true;
    std::uint32_t m_textureQuality = D3DRMTEXTURE_NEAREST;
    std::uint32_t m_shades = 32;
};

using DevicePtr = std::shared_ptr<Device>;

// The quality a mesh is drawn with on a device: field by field the lesser of the two.
[[nodiscard]] D3DRMRENDERQUALITY CapQuality(D3DRMRENDERQUALITY mesh, D3DRMRENDERQUALITY device);

}  // namespace rm
