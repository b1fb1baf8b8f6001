#pragma once
// A viewport: a rectangle of a device seen through a camera frame, with perspective
// projection. Defaults: front plane 1.0, back plane 100.0, field 0.5 (half the smaller side
// at distance 1), the background of the camera's scene.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/raster/render_job.h"
#include "platform/rm/device.h"
#include "platform/rm/frame.h"

namespace rm {

class Viewport {
public:
    struct PrivateTag {};
    Viewport(PrivateTag, DevicePtr device, FramePtr camera, ViewportRect rect);

    Result SetBack(D3DVALUE back);    // must be finite and > front
    Result SetFront(D3DVALUE front);  // must be finite, > 0 and < back
    Result SetField(D3DVALUE field);  // must be finite and > 0
    [[nodiscard]] D3DVALUE GetBack() const { return m_back; }
    [[nodiscard]] D3DVALUE GetFront() const { return m_front; }
    [[nodiscard]] D3DVALUE GetField() const { return m_field; }
    Result SetCamera(const FramePtr& camera);
    [[nodiscard]] const FramePtr& GetCamera() const { return m_camera; }
    [[nodiscard]] const DevicePtr& GetDevice() const { return m_device; }
    [[nodiscard]] const ViewportRect& GetRect() const { return m_rect; }

    // Clears the viewport's rectangle to the camera scene's background, depth to farthest.
    Result Clear();
    // Draws the meshes of `frame` and its descendants, lit by the lights found there.
    Result Render(const Frame* frame);
    // The face that Render(frame) after Clear shows at pixel (x, y) of the device: the same
    // transformation, clipping and depth test. NotFound when no face is there.
    Result Pick(const Frame* frame, int x, int y, PickResult& out);
    // The job Render hands the rasterizer, without drawing it: camera, planes, rectangle,
    // ambient sum, directional lights and capped mesh instances. Its spans point into this
    // viewport and stay valid until the next PrepareJob or Render. With `owners`, the data
    // of every mesh drawn is also added there, for a job that outlives the scene's meshes.
    Result PrepareJob(const Frame* frame, RenderJob& job,
                      std::vector<std::shared_ptr<const MeshData>>* owners = nullptr);

    // Revision of the scene when this viewport was last drawn by Root::Tick (0 = never).
    [[nodiscard]] std::uint64_t DrawnRevision() const { return m_drawnRevision; }
    void SetDrawnRevision(std::uint64_t r) { m_drawnRevision = r; }

private:
    DevicePtr m_device;
    FramePtr m_camera;
    ViewportRect m_rect;
    D3DVALUE m_front = 1.0F;
    D3DVALUE m_back = 100.0F;
    D3DVALUE m_field = 0.5F;
    std::uint64_t m_drawnRevision = 0;
    // Reused between renders so that a warm frame allocates nothing.
    std::vector<DirectionalLightInfo> m_lights;
    std::vector<MeshInstance> m_meshes;
    std::vector<std::pair<const Frame*, Matrix4>> m_walk;  // frames still to visit
};

using ViewportPtr = std::shared_ptr<Viewport>;

}  // namespace rm
