#pragma once
// The root object: makes every scene object and advances the scene by ticks.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/types.h"
#include "platform/rm/clipper.h"
#include "platform/rm/device.h"
#include "platform/rm/frame.h"
#include "platform/rm/frame_runner.h"
#include "platform/rm/light.h"
#include "platform/rm/mesh_builder.h"
#include "platform/rm/viewport.h"

namespace rm {

class Root {
public:
    struct PrivateTag {};
    explicit Root(PrivateTag) {}
    ~Root();
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;

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

    // From now on Tick draws each viewport on a thread of its own and waits at most
    // `budget` for the picture. A frame that takes longer is presented by a later Tick, if
    // the scene is still the one it shows; otherwise it is dropped (and cancelled while it
    // is drawn) for a frame of the newer scene. `ready` runs on the drawing thread after
    // every finished frame, to wake the caller for the Tick that presents it.
    void StartBackgroundFrames(std::chrono::milliseconds budget, std::function<void()> ready);
    // Back to drawing inside Tick; cancels and waits for the frame in flight.
    void StopBackgroundFrames();
    [[nodiscard]] bool DrawsInBackground() const { return m_runner != nullptr; }
    // Brings one viewport up to the current revision as Tick does (also in the
    // background); true in `drew` when a picture was presented.
    Result DrawViewport(const std::shared_ptr<Viewport>& viewport, bool& drew);
    // Frames drawn in the background and finished, and frames dropped before the end.
    [[nodiscard]] std::uint64_t BackgroundFramesFinished() const;
    [[nodiscard]] std::uint64_t BackgroundFramesDropped() const;

private:
    Result DrawNow(Viewport& viewport, std::uint64_t revision, bool& drew);
    Result DrawInBackground(const std::shared_ptr<Viewport>& viewport, std::uint64_t revision,
                            bool& drew);
    static Result Present(Viewport& viewport, std::uint64_t revision, bool& drew);

    std::vector<std::weak_ptr<Frame>> m_sceneRoots;
    std::vector<std::weak_ptr<Viewport>> m_viewports;
    std::uint32_t m_textureColors = 8;
    std::uint32_t m_textureShades = 16;
    unsigned m_renderThreads = 0;
    int m_lastDrawCount = 0;
    std::chrono::milliseconds m_budget{0};
    std::unique_ptr<FrameRunner> m_runner;  // while frames are drawn in the background
};

using RootPtr = std::shared_ptr<Root>;

Result Direct3DRMCreate(RootPtr& out);

}  // namespace rm
