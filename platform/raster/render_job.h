#pragma once
// What the scene graph hands the rasterizer for one Render call: the camera, the lights in
// world space and the meshes with their world transforms. Pointers stay valid for the call.

#include <atomic>
#include <span>

#include "platform/core/mesh_data.h"
#include "platform/core/types.h"
#include "platform/core/vector_math.h"

namespace rm {

struct DirectionalLightInfo {
    D3DVECTOR direction;  // unit vector, the way the light travels, world coordinates
    ColorRGB color;
};

struct MeshInstance {
    const MeshData* mesh = nullptr;
    Matrix4 modelToWorld;
    D3DRMRENDERQUALITY quality = D3DRMRENDER_FLAT;  // already capped by the device's
};

struct ViewportRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct RenderJob {
    Matrix4 worldToCamera;   // camera looks along its +z, +y up, +x right
    D3DVALUE front = 1.0F;   // near plane distance (> 0)
    D3DVALUE back = 100.0F;  // far plane distance (> front)
    D3DVALUE field = 0.5F;   // half the smaller viewport side, at distance 1
    ViewportRect rect;       // inside the device's buffer
    ColorRGB ambient;        // sum of the ambient lights
    std::span<const DirectionalLightInfo> lights;
    std::span<const MeshInstance> meshes;
    // Set by another thread when the picture is no longer wanted: the render then stops at
    // the next face chunk or tile and leaves the buffers unfinished. Null: never cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

}  // namespace rm
