#include "platform/rm/viewport.h"

#include <cmath>
#include <new>

#include "platform/rm/light.h"
#include "platform/rm/mesh_builder.h"
#include "platform/rm/revision.h"

namespace rm {

Viewport::Viewport(PrivateTag, DevicePtr device, FramePtr camera, ViewportRect rect)
    : m_device(std::move(device)), m_camera(std::move(camera)), m_rect(rect) {}

Result Viewport::SetBack(D3DVALUE back) {
    if (!std::isfinite(back) || !(back > m_front)) {
        return Result::BadValue;
    }
    m_back = back;
    BumpRevision();
    return Result::Ok;
}

Result Viewport::SetFront(D3DVALUE front) {
    if (!std::isfinite(front) || !(front > 0.0F) || !(front < m_back)) {
        return Result::BadValue;
    }
    m_front = front;
    BumpRevision();
    return Result::Ok;
}

Result Viewport::SetField(D3DVALUE field) {
    if (!std::isfinite(field) || !(field > 0.0F)) {
        return Result::BadValue;
    }
    m_field = field;
    BumpRevision();
    return Result::Ok;
}

Result Viewport::SetCamera(const FramePtr& camera) {
    if (!camera) {
        return Result::BadObject;
    }
    m_camera = camera;
    BumpRevision();
    return Result::Ok;
}

Result Viewport::Clear() {
    if (!m_device || !m_camera) {
        return Result::BadObject;
    }
    m_device->GetRenderer().Clear(m_rect, m_camera->SceneRoot()->GetSceneBackground());
    return Result::Ok;
}

Result Viewport::Render(const Frame* frame) {
    RenderJob job;
    const Result r = PrepareJob(frame, job);
    if (Failed(r)) {
        return r;
    }
    m_device->GetRenderer().Render(job);
    return Result::Ok;
}

Result Viewport::Pick(const Frame* frame, int x, int y, PickResult& out) {
    RenderJob job;
    if (const Result r = PrepareJob(frame, job); Failed(r)) {
        return r;
    }
    return m_device->GetRenderer().Pick(job, x, y, out) ? Result::Ok : Result::NotFound;
}

Result Viewport::PrepareJob(const Frame* frame, RenderJob& job,
                            std::vector<std::shared_ptr<const MeshData>>* owners) {
    if (frame == nullptr || !m_device || !m_camera) {
        return Result::BadObject;
    }
    if (!m_camera->WorldTransform().Inverse(job.worldToCamera)) {
        return Result::BadValue;  // a camera scaled to nothing sees nothing sensible
    }
    const D3DRMRENDERQUALITY deviceQuality = m_device->GetQuality();
    m_lights.clear();
    m_meshes.clear();
    m_walk.clear();
    ColorRGB ambient;
    try {
        // Depth first, each frame before its children, children in their order.
        m_walk.emplace_back(frame, frame->WorldTransform());
        while (!m_walk.empty()) {
            const auto [f, world] = m_walk.back();
            m_walk.pop_back();
            for (const LightPtr& light : f->Lights()) {
                const ColorRGB c = light->GetColor();
                switch (light->GetType()) {
                    case D3DRMLIGHTTYPE::D3DRMLIGHT_AMBIENT:
                        ambient.r += c.r;
                        ambient.g += c.g;
                        ambient.b += c.b;
                        break;
                    case D3DRMLIGHTTYPE::D3DRMLIGHT_DIRECTIONAL: {
                        D3DVECTOR dir{world.m[2][0], world.m[2][1], world.m[2][2]};
                        if (Succeeded(D3DRMVectorNormalize(dir))) {
                            m_lights.push_back(DirectionalLightInfo{dir, c});
                        }
                        break;
                    }
                    default:
                        break;  // not made by Root::CreateLightRGB; not drawn
                }
            }
            for (const MeshBuilderPtr& visual : f->Visuals()) {
                m_meshes.push_back(MeshInstance{&visual->Data(), world,
                                                CapQuality(visual->GetQuality(), deviceQuality)});
                if (owners != nullptr) {
                    owners->push_back(visual->SharedData());
                }
            }
            const auto& children = f->Children();
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                m_walk.emplace_back(it->get(), (*it)->LocalTransform() * world);
            }
        }
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    job.front = m_front;
    job.back = m_back;
    job.field = m_field;
    job.rect = m_rect;
    job.ambient = ambient;
    job.lights = m_lights;
    job.meshes = m_meshes;
    return Result::Ok;
}

}  // namespace rm
