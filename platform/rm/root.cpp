#include "platform/rm/root.h"

#include <cmath>
#include <new>
#include <system_error>

#include "platform/rm/draw_picture.h"
#include "platform/rm/revision.h"

namespace rm {

namespace {
constexpr int kMaxDeviceSide = 16384;

template <typename T>
void Prune(std::vector<std::weak_ptr<T>>& v) {
    std::erase_if(v, [](const std::weak_ptr<T>& w) { return w.expired(); });
}
}  // namespace

Root::~Root() {
    // The drawing thread goes first: its frames hold devices and meshes of this root.
    m_runner.reset();
}

void Root::StartBackgroundFrames(std::chrono::milliseconds budget, std::function<void()> ready) {
    m_runner.reset();
    m_budget = budget;
    m_runner = std::make_unique<FrameRunner>(std::move(ready));
}

void Root::StopBackgroundFrames() {
    m_runner.reset();
}

std::uint64_t Root::BackgroundFramesFinished() const {
    return m_runner ? m_runner->FinishedCount() : 0;
}

std::uint64_t Root::BackgroundFramesDropped() const {
    return m_runner ? m_runner->CancelledCount() : 0;
}

Result Root::DrawViewport(const ViewportPtr& viewport, bool& drew) {
    drew = false;
    if (!viewport) {
        return Result::BadObject;
    }
    const std::uint64_t revision = CurrentRevision();
    if (viewport->DrawnRevision() == revision) {
        return Result::Ok;  // nothing it shows changed since its last picture
    }
    return m_runner ? DrawInBackground(viewport, revision, drew)
                    : DrawNow(*viewport, revision, drew);
}

Result Root::Present(Viewport& viewport, std::uint64_t revision, bool& drew) {
    const Result r = PresentPicture(viewport, revision);
    drew = Succeeded(r);
    return r;
}

Result Root::DrawNow(Viewport& viewport, std::uint64_t revision, bool& drew) {
    if (!viewport.GetCamera()) {
        return Result::BadObject;
    }
    const Result r = DrawPicture(viewport, *viewport.GetCamera()->SceneRoot(), revision);
    drew = Succeeded(r);
    return r;
}

Result Root::DrawInBackground(const ViewportPtr& viewport, std::uint64_t revision, bool& drew) {
    const std::weak_ptr<const Viewport> key = viewport;
    if (const auto finished = m_runner->TakeFinished(key); finished && *finished == revision) {
        return Present(*viewport, revision, drew);
    }
    // A picture of an older scene is dropped: the frame for this one follows.
    if (m_runner->InFlight(key, revision)) {
        return Result::Ok;
    }
    const FramePtr& camera = viewport->GetCamera();
    if (!viewport->GetDevice() || !camera) {
        return Result::BadObject;
    }
    auto request = std::make_unique<FrameRequest>();
    RenderJob job;
    std::vector<std::shared_ptr<const MeshData>> owners;
    try {
        const Result r = viewport->PrepareJob(camera->SceneRoot(), job, &owners);
        if (Failed(r)) {
            return r;
        }
        request->Adopt(job, std::move(owners));
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    request->viewport = key;
    request->revision = revision;
    request->device = viewport->GetDevice();
    request->background = camera->SceneRoot()->GetSceneBackground();
    m_runner->Submit(std::move(request));
    // A quick frame is shown at once, as if drawn here; a slow one by a later Tick.
    if (m_runner->WaitForViewport(key, FrameRunner::Clock::now() + m_budget)) {
        if (const auto finished = m_runner->TakeFinished(key); finished && *finished == revision) {
            return Present(*viewport, revision, drew);
        }
    }
    return Result::Ok;
}

Result Direct3DRMCreate(RootPtr& out) {
    try {
        out = std::make_shared<Root>(Root::PrivateTag{});
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

Result Root::CreateFrame(const FramePtr& parent, FramePtr& out) {
    try {
        FramePtr frame = std::make_shared<Frame>(Frame::PrivateTag{});
        if (parent) {
            const Result r = parent->AddChild(frame);
            if (Failed(r)) {
                return r;
            }
        } else {
            if (m_sceneRoots.size() == m_sceneRoots.capacity()) {
                Prune(m_sceneRoots);  // keeps the list from growing over many scenes
            }
            m_sceneRoots.push_back(frame);
        }
        out = std::move(frame);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

Result Root::CreateMeshBuilder(MeshBuilderPtr& out) {
    try {
        out = std::make_shared<MeshBuilder>();
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

Result Root::CreateFace(Face& out) {
    try {
        auto mesh = std::make_shared<MeshData>();
        mesh->faces.push_back(FaceRecord{});
        out = Face(std::move(mesh), 0);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

Result Root::CreateLightRGB(D3DRMLIGHTTYPE type, D3DVALUE r, D3DVALUE g, D3DVALUE b,
                            LightPtr& out) {
    if (type != D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT &&
        type != D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL) {
        return Result::Unsupported;
    }
    if (!std::isfinite(r) || !std::isfinite(g) || !std::isfinite(b)) {
        return Result::BadValue;
    }
    try {
        out = std::make_shared<Light>(type, ColorRGB{r, g, b});
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

Result Root::CreateDeviceFromClipper(const ClipperPtr& clipper, const void* guid, int width,
                                     int height, DevicePtr& out) {
    if (!clipper || !clipper->HasTarget()) {
        return Result::BadObject;
    }
    if (guid != nullptr) {
        return Result::BadValue;  // only the default (software) driver exists
    }
    if (width < 1 || height < 1 || width > kMaxDeviceSide || height > kMaxDeviceSide) {
        return Result::BadSize;
    }
    try {
        out =
            std::make_shared<Device>(Device::PrivateTag{}, clipper, width, height, m_renderThreads);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    } catch (const std::system_error&) {
        return Result::OutOfMemory;  // no worker threads could be started
    }
    BumpRevision();
    return Result::Ok;
}

Result Root::CreateViewport(const DevicePtr& device, const FramePtr& camera, int x, int y,
                            int width, int height, ViewportPtr& out) {
    if (!device || !camera) {
        return Result::BadObject;
    }
    if (width < 1 || height < 1) {
        return Result::BadSize;
    }
    if (x < 0 || y < 0 || width > device->GetWidth() - x || height > device->GetHeight() - y) {
        return Result::BadValue;  // not inside the device
    }
    try {
        auto viewport = std::make_shared<Viewport>(Viewport::PrivateTag{}, device, camera,
                                                   ViewportRect{x, y, width, height});
        if (m_viewports.size() == m_viewports.capacity()) {
            Prune(m_viewports);
        }
        m_viewports.push_back(viewport);
        out = std::move(viewport);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    BumpRevision();
    return Result::Ok;
}

Result Root::SetDefaultTextureColors(std::uint32_t colors) {
    if (colors < 1) {
        return Result::BadValue;
    }
    m_textureColors = colors;
    return Result::Ok;
}

Result Root::SetDefaultTextureShades(std::uint32_t shades) {
    if (shades < 1) {
        return Result::BadValue;
    }
    m_textureShades = shades;
    return Result::Ok;
}

Result Root::Tick(D3DVALUE delta) {
    m_lastDrawCount = 0;
    if (!std::isfinite(delta)) {
        return Result::BadValue;
    }
    // Motion. A recorded root that was since hung under another frame moves with that one.
    for (const auto& weak : m_sceneRoots) {
        if (const FramePtr frame = weak.lock(); frame && !frame->GetParent()) {
            frame->Move(delta);
        }
    }
    Result first = Result::Ok;
    for (const auto& weak : m_viewports) {
        const ViewportPtr viewport = weak.lock();
        if (!viewport) {
            continue;
        }
        bool drew = false;
        const Result r = DrawViewport(viewport, drew);
        if (drew) {
            ++m_lastDrawCount;
        } else if (Failed(r) && Succeeded(first)) {
            first = r;
        }
    }
    Prune(m_sceneRoots);
    Prune(m_viewports);
    return first;
}

}  // namespace rm
