#include "platform/rm/view_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rm {

namespace {

struct Vec {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// p * m, in double so that large coordinates keep what precision they have.
Vec ApplyPoint(const Matrix4& m, double x, double y, double z) {
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2]};
}

Vec ApplyLinear(const Matrix4& m, const Vec& v) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

bool Finite(const Matrix4& m) {
    for (const auto& row : m.m) {
        for (const float v : row) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return true;
}

bool Finite(const Vec& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// What the fit needs of the points, in the camera's axes (a right, b up, d ahead): for
// each side of the view cone the tightest bound on where the camera may stand, and the
// extent of the points.
struct Extremes {
    double lowX = -std::numeric_limits<double>::infinity();  // max of a - tx d
    double highX = std::numeric_limits<double>::infinity();  // min of a + tx d
    double lowY = -std::numeric_limits<double>::infinity();
    double highY = std::numeric_limits<double>::infinity();
    Vec min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::infinity()};
    Vec max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity()};
    double largest = 0.0;  // largest absolute world coordinate
    bool any = false;
};

Extremes Measure(const MeshData& mesh, const Matrix4& modelToWorld, const Matrix4& worldToAxes,
                 double tx, double ty) {
    Extremes e;
    for (const D3DVECTOR& p : mesh.positions) {
        const Vec q = ApplyPoint(modelToWorld, p.x, p.y, p.z);
        const Vec c = ApplyLinear(worldToAxes, q);
        if (!Finite(q) || !Finite(c)) {
            continue;
        }
        e.any = true;
        e.lowX = std::max(e.lowX, c.x - tx * c.z);
        e.highX = std::min(e.highX, c.x + tx * c.z);
        e.lowY = std::max(e.lowY, c.y - ty * c.z);
        e.highY = std::min(e.highY, c.y + ty * c.z);
        e.min = {std::min(e.min.x, c.x), std::min(e.min.y, c.y), std::min(e.min.z, c.z)};
        e.max = {std::max(e.max.x, c.x), std::max(e.max.y, c.y), std::max(e.max.z, c.z)};
        e.largest = std::max({e.largest, std::fabs(q.x), std::fabs(q.y), std::fabs(q.z)});
    }
    return e;
}

}  // namespace

Result ComputeFraming(const Viewport& viewport, const Frame& model, const MeshData& mesh,
                      const FramingLimits& limits, Framing& out) {
    const FramePtr& camera = viewport.GetCamera();
    if (!camera) {
        return Result::BadObject;
    }
    if (mesh.faces.empty() || mesh.positions.empty()) {
        return Result::NotFound;
    }
    const ViewportRect& rect = viewport.GetRect();
    if (rect.width <= 0 || rect.height <= 0 || !(limits.fill > 0.0F) || !(limits.fill <= 1.0F)) {
        return Result::BadValue;
    }
    // Half the picture's width over the depth, at the picture's edge: the projection maps
    // x/z = field to half the smaller side.
    const double side = std::min(rect.width, rect.height);
    const double tx = static_cast<double>(viewport.GetField()) * rect.width / side * limits.fill;
    const double ty = static_cast<double>(viewport.GetField()) * rect.height / side * limits.fill;

    const Matrix4 cameraToWorld = camera->WorldTransform();
    const Matrix4 modelToWorld = model.WorldTransform();
    Matrix4 axes = cameraToWorld;
    axes.m[3][0] = axes.m[3][1] = axes.m[3][2] = 0.0F;
    Matrix4 worldToAxes;
    if (!Finite(cameraToWorld) || !Finite(modelToWorld) || !axes.Inverse(worldToAxes)) {
        return Result::BadValue;
    }
    const FramePtr parent = camera->GetParent();
    const Matrix4 parentToWorld = parent ? parent->WorldTransform() : Matrix4::Identity();
    Matrix4 worldToParent;
    if (!parentToWorld.Inverse(worldToParent)) {
        return Result::BadValue;
    }

    const Extremes e = Measure(mesh, modelToWorld, worldToAxes, tx, ty);
    if (!e.any) {
        return Result::NotFound;
    }
    // Each side of the cone touches the points when the camera stands where the two bounds
    // of its axis meet; the farther of the two stands back enough for both.
    const double cx = (e.lowX + e.highX) / 2.0;
    const double cy = (e.lowY + e.highY) / 2.0;
    double cz = std::min((e.highX - e.lowX) / (2.0 * tx), (e.highY - e.lowY) / (2.0 * ty));
    // A model with no extent (one point, or all points equal) or one long along the line
    // of sight would put the camera on its nearest point: keep a gap, and at least a few
    // steps of float precision at these coordinates, so it stays in front.
    const double span = std::max({e.max.x - e.min.x, e.max.y - e.min.y, e.max.z - e.min.z});
    double gap = std::max({span * 1e-3, e.largest * 1e-6, 1e-3});
    for (int attempt = 0; attempt < 16; ++attempt) {
        cz = std::min(cz, e.min.z - gap);
        const Vec world{cx * axes.m[0][0] + cy * axes.m[1][0] + cz * axes.m[2][0],
                        cx * axes.m[0][1] + cy * axes.m[1][1] + cz * axes.m[2][1],
                        cx * axes.m[0][2] + cy * axes.m[1][2] + cz * axes.m[2][2]};
        const Vec local = ApplyPoint(worldToParent, world.x, world.y, world.z);
        const D3DVECTOR position{static_cast<float>(local.x), static_cast<float>(local.y),
                                 static_cast<float>(local.z)};
        if (!std::isfinite(position.x) || !std::isfinite(position.y) ||
            !std::isfinite(position.z)) {
            return Result::BadValue;
        }
        // The depths as seen from the position the camera will really have, rounded to
        // float: far from the origin the rounding can be larger than the gap.
        const Vec stored =
            ApplyLinear(worldToAxes, ApplyPoint(parentToWorld, position.x, position.y, position.z));
        const double nearest = e.min.z - stored.z;
        const double farthest = e.max.z - stored.z;
        if (nearest >= gap / 2.0 && std::isfinite(farthest)) {
            out.position = position;
            out.nearest = static_cast<float>(nearest);
            out.farthest = static_cast<float>(farthest);
            out.front = std::min(limits.front, static_cast<float>(nearest * 0.5));
            out.back = std::max(limits.back, static_cast<float>(farthest * 1.05 + gap));
            if (!std::isfinite(out.back) || !(out.front > 0.0F)) {
                return Result::BadValue;
            }
            return Result::Ok;
        }
        gap *= 4.0;
    }
    return Result::BadValue;
}

Result PanCamera(Viewport& viewport, const Frame& anchor, D3DVALUE dx, D3DVALUE dy) {
    const FramePtr& camera = viewport.GetCamera();
    if (!camera) {
        return Result::BadObject;
    }
    const ViewportRect& rect = viewport.GetRect();
    if (rect.width <= 0 || rect.height <= 0 || !std::isfinite(dx) || !std::isfinite(dy)) {
        return Result::BadValue;
    }
    const Matrix4 cameraToWorld = camera->WorldTransform();
    Matrix4 worldToCamera;
    if (!cameraToWorld.Inverse(worldToCamera)) {
        return Result::BadValue;
    }
    const D3DVECTOR origin = anchor.WorldTransform().Translation();
    const double depth = ApplyPoint(worldToCamera, origin.x, origin.y, origin.z).z;
    const double distance = std::max(std::fabs(depth), static_cast<double>(viewport.GetFront()));
    // Pixels per unit across the view at distance 1, as the projection has it.
    const double scale = std::min(rect.width, rect.height) / 2.0 / viewport.GetField();
    // The scene follows the pointer, so the camera goes the other way; screen y runs down.
    const double along = -dx * distance / scale;
    const double up = dy * distance / scale;
    D3DVECTOR position;
    if (const Result r = camera->GetPosition(nullptr, position); Failed(r)) {
        return r;
    }
    // A step along the camera's own x and y axes, in its parent's coordinates.
    const Matrix4& local = camera->LocalTransform();
    const Vec shift{along * local.m[0][0] + up * local.m[1][0],
                    along * local.m[0][1] + up * local.m[1][1],
                    along * local.m[0][2] + up * local.m[1][2]};
    const D3DVECTOR moved{static_cast<float>(position.x + shift.x),
                          static_cast<float>(position.y + shift.y),
                          static_cast<float>(position.z + shift.z)};
    if (!std::isfinite(moved.x) || !std::isfinite(moved.y) || !std::isfinite(moved.z)) {
        return Result::BadValue;
    }
    return camera->SetPosition(nullptr, moved.x, moved.y, moved.z);
}

Result SetDepthRange(Viewport& viewport, D3DVALUE front, D3DVALUE back) {
    if (!(front > 0.0F) || !(back > front) || !std::isfinite(back)) {
        return Result::BadValue;
    }
    if (front < viewport.GetBack()) {
        if (const Result r = viewport.SetFront(front); Failed(r)) {
            return r;
        }
        return viewport.SetBack(back);
    }
    if (const Result r = viewport.SetBack(back); Failed(r)) {
        return r;
    }
    return viewport.SetFront(front);
}

Result FrameMesh(Viewport& viewport, const Frame& model, const MeshData& mesh,
                 const FramingLimits& limits) {
    Framing framing;
    if (const Result r = ComputeFraming(viewport, model, mesh, limits, framing); Failed(r)) {
        return r;
    }
    if (const Result r = SetDepthRange(viewport, framing.front, framing.back); Failed(r)) {
        return r;
    }
    return viewport.GetCamera()->SetPosition(nullptr, framing.position.x, framing.position.y,
                                             framing.position.z);
}

}  // namespace rm
