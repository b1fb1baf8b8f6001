#pragma once
// The root object: makes every scene object and advances the scene by ticks.

#include <memory>
#include <vector>

#include "platform/rm/clipper.h"
#include "platform/rm/device.h"
#include "platform/rm/frame.h"
#include "platform/rm/light.h"
#include "platform/rm/mesh_builder.h"
#include "platform/rm/types.h"
#include "platform/rm/viewport.h"

namespace rm {

class Root {
public:
    struct PrivateTag {};
    explicit Root(PrivateTag) {}

    // A null parent makes a scene root.
    Result CreateFrame(const FramePtr& parent, FramePtr& out);
    Result CreateMeshBuilder(MeshBuilderPtr& out);
    // A standalone face that belongs to no mesh.
    Result CreateFace(Face& out);
    // Ambient and directional lights; other types give Unsupported.
    Result CreateLightRGB(D3DRMLIGHTTYPE type, D3DVALUE r, D3DVALUE g, D3DVALUE b, LightPtr& out);
    // `guid` selects a driver; only null (the default, software) is known. BadObject for a
    // null clipper or one without a target, BadSize for a width or height below 1 or above
    // 16384.
    Result CreateDeviceFromClipper(const ClipperPtr& clipper, const void* guid, int width,
                                   int height, DevicePtr& out);
    Result CreateViewport(const DevicePtr& device, const FramePtr& camera, int x, int y, int width,
                          int height, ViewportPtr& out);
    // Colour budget for textures. Kept and reported; values must be >= 1.
    Result SetDefaultTextureColors(std::uint32_t colors);
    Result SetDefaultTextureShades(std::uint32_t shades);
    [[nodiscard]] std::uint32_t GetDefaultTextureColors() const { return m_textureColors; }
    [[nodiscard]] std::uint32_t GetDefaultTextureShades() const { return m_textureShades; }

    // Worker threads of devices made from now on (0: one per hardware thread).
    void SetRenderThreads(unsigned threads) { m_renderThreads = threads; }

    // Applies the scene roots' motion for `delta`, then for every live viewport this root
    // made whose scene changed since it was last drawn: clears it, renders the scene its
    // camera belongs to and updates its device. Returns the first failure.
    Result Tick(D3DVALUE delta);
    // How many viewports the last Tick drew.
    [[nodiscard]] int LastTickDrawCount() const { return m_lastDrawCount; }

private:
    std::vector<std::weak_ptr<Frame>> m_sceneRoots;
    std::vector<std::weak_ptr<Viewport>> m_viewports;
    std::uint32_t m_textureColors = 8;
    std::uint32_t m_textureShades = 16;
    unsigned m_renderThreads = 0;
    int m_lastDrawCount = 0;
};

using RootPtr = std::shared_ptr<Root>;

Result Direct3DRMCreate(RootPtr& out);

}  // namespace rm
