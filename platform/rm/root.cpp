#include "platform/rm/root.h"

#include <cmath>
#include <new>
#include <system_error>

#include "platform/rm/revision.h"

namespace rm {

namespace {
constexpr int kMaxDeviceSide = 16384;

template <typename T>
void Prune(std::vector<std::weak_ptr<T>>& v) {
    std::erase_if(v, [](const std::weak_ptr<T>& w) { return w.expired(); });
}
}  // namespace

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
        const std::uint64_t revision = CurrentRevision();
        if (viewport->DrawnRevision() == revision) {
            continue;  // nothing it shows changed since its last picture
        }
        Result r = viewport->Clear();
        if (Succeeded(r)) {
            r = viewport->Render(viewport->GetCamera()->SceneRoot());
        }
        if (Succeeded(r)) {
            r = viewport->GetDevice()->Update();
        }
        if (Succeeded(r)) {
            viewport->SetDrawnRevision(revision);
            ++m_lastDrawCount;
        } else if (Succeeded(first)) {
            first = r;
        }
    }
    Prune(m_sceneRoots);
    Prune(m_viewports);
    return first;
}

}  // namespace rm
