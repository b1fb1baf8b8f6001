#include "platform/rm/frame.h"

#include <algorithm>
#include <cmath>

#include "platform/rm/light.h"
#include "platform/rm/mesh_builder.h"
#include "platform/rm/revision.h"

namespace rm {

namespace {

bool Finite(D3DVALUE v) {
    return std::isfinite(v);
}
bool Finite(const D3DVECTOR& v) {
    return Finite(v.x) && Finite(v.y) && Finite(v.z);
}
bool Finite(const Matrix4& m) {
    for (const auto& row : m.m) {
        for (float v : row) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return true;
}

D3DVECTOR Row(const Matrix4& m, int i) {
    return {m.m[i][0], m.m[i][1], m.m[i][2]};
}
void SetRow(Matrix4& m, int i, const D3DVECTOR& v) {
    m.m[i][0] = v.x;
    m.m[i][1] = v.y;
    m.m[i][2] = v.z;
}

// A unit axis, or the zero vector for an axis that cannot be normalised.
D3DVECTOR UnitOrZero(D3DVECTOR v) {
    if (Failed(D3DRMVectorNormalize(v))) {
        return {};
    }
    return v;
}

}  // namespace

Frame::~Frame() {
    // Tear the subtree down without recursing once per level, so that a very deep
    // hierarchy cannot exhaust the stack.
    std::vector<FramePtr> pending = std::move(m_children);
    while (!pending.empty()) {
        FramePtr f = std::move(pending.back());
        pending.pop_back();
        if (f.use_count() == 1) {
            for (auto& c : f->m_children) {
                pending.push_back(std::move(c));
            }
            f->m_children.clear();
        }
    }
}

Matrix4 Frame::WorldTransform() const {
    Matrix4 m = m_local;
    for (FramePtr p = m_parent.lock(); p; p = p->m_parent.lock()) {
        m = m * p->m_local;
    }
    return m;
}

const Frame* Frame::SceneRoot() const {
    const Frame* f = this;
    for (FramePtr p = f->m_parent.lock(); p; p = p->m_parent.lock()) {
        f = p.get();
    }
    return f;
}

// The world matrix of the reference frame; null means the parent (world for a root).
static Matrix4 ParentWorld(const Frame& f) {
    const FramePtr p = f.GetParent();
    return p ? p->WorldTransform() : Matrix4::Identity();
}
static Matrix4 ReferenceWorld(const Frame& f, const Frame* reference) {
    return reference != nullptr ? reference->WorldTransform() : ParentWorld(f);
}

Result Frame::SetPosition(const Frame* reference, D3DVALUE x, D3DVALUE y, D3DVALUE z) {
    const D3DVECTOR p{x, y, z};
    if (!Finite(p)) {
        return Result::BadValue;
    }
    D3DVECTOR local = p;
    const FramePtr parent = m_parent.lock();
    if (reference != nullptr && reference != parent.get()) {
        const D3DVECTOR world = reference->WorldTransform().TransformPoint(p);
        Matrix4 inv;
        if (!ParentWorld(*this).Inverse(inv)) {
            return Result::BadValue;
        }
        local = inv.TransformPoint(world);
    }
    SetRow(m_local, 3, local);
    BumpRevision();
    return Result::Ok;
}

Result Frame::GetPosition(const Frame* reference, D3DVECTOR& out) const {
    const FramePtr parent = m_parent.lock();
    if (reference == nullptr || reference == parent.get()) {
        out = m_local.Translation();
        return Result::Ok;
    }
    Matrix4 inv;
    if (!reference->WorldTransform().Inverse(inv)) {
        return Result::BadValue;
    }
    out = inv.TransformPoint(WorldTransform().Translation());
    return Result::Ok;
}

Result Frame::SetOrientation(const Frame* reference, const D3DVECTOR& dir, const D3DVECTOR& up) {
    if (!Finite(dir) || !Finite(up)) {
        return Result::BadValue;
    }
    // Axes in the reference frame's coordinates: z along dir, y the part of up at right
    // angles to z, x = y x z (a proper rotation, so x x y = z).
    D3DVECTOR z = dir;
    if (Failed(D3DRMVectorNormalize(z))) {
        return Result::BadValue;
    }
    const D3DVALUE upLength = Length(up);
    D3DVECTOR y = up - z * D3DRMVectorDotProduct(up, z);
    if (!(Length(y) > upLength * 1e-6F) || Failed(D3DRMVectorNormalize(y))) {
        return Result::BadValue;  // up is zero or parallel to dir
    }
    D3DVECTOR x = D3DRMVectorCrossProduct(y, z);

    // Into world coordinates, keeping the frame's world position.
    const Matrix4 refWorld = ReferenceWorld(*this, reference);
    D3DVECTOR wx = refWorld.TransformDirection(x);
    D3DVECTOR wy = refWorld.TransformDirection(y);
    D3DVECTOR wz = refWorld.TransformDirection(z);
    if (Failed(D3DRMVectorNormalize(wx)) || Failed(D3DRMVectorNormalize(wy)) ||
        Failed(D3DRMVectorNormalize(wz))) {
        return Result::BadValue;
    }
    const Matrix4 parentWorld = ParentWorld(*this);
    Matrix4 world;
    SetRow(world, 0, wx);
    SetRow(world, 1, wy);
    SetRow(world, 2, wz);
    SetRow(world, 3, parentWorld.TransformPoint(m_local.Translation()));
    Matrix4 invParent;
    if (!parentWorld.Inverse(invParent)) {
        return Result::BadValue;
    }
    Matrix4 local = world * invParent;
    SetRow(local, 3, m_local.Translation());  // exactly the position it had
    if (!Finite(local)) {
        return Result::BadValue;
    }
    m_local = local;
    BumpRevision();
    return Result::Ok;
}

Result Frame::GetOrientation(const Frame* reference, D3DVECTOR& dir, D3DVECTOR& up) const {
    D3DVECTOR d;
    D3DVECTOR u;
    const FramePtr parent = m_parent.lock();
    if (reference == nullptr || reference == parent.get()) {
        d = Row(m_local, 2);
        u = Row(m_local, 1);
    } else {
        Matrix4 inv;
        if (!reference->WorldTransform().Inverse(inv)) {
            return Result::BadValue;
        }
        const Matrix4 world = WorldTransform();
        d = inv.TransformDirection(Row(world, 2));
        u = inv.TransformDirection(Row(world, 1));
    }
    if (Failed(D3DRMVectorNormalize(d)) || Failed(D3DRMVectorNormalize(u))) {
        return Result::BadValue;
    }
    dir = d;
    up = u;
    return Result::Ok;
}

static Result Combine(Matrix4& local, D3DRMCOMBINETYPE combine, const Matrix4& m) {
    switch (combine) {
        case D3DRMCOMBINETYPE::D3DRMCOMBINE_REPLACE:
            local = m;
            return Result::Ok;
        case D3DRMCOMBINETYPE::D3DRMCOMBINE_BEFORE:
            local = m * local;
            return Result::Ok;
        case D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER:
            local = local * m;
            return Result::Ok;
    }
    return Result::BadValue;
}

Result Frame::AddRotation(D3DRMCOMBINETYPE combine, D3DVALUE ax, D3DVALUE ay, D3DVALUE az,
                          D3DVALUE theta) {
    const D3DVECTOR axis{ax, ay, az};
    if (!Finite(axis) || !Finite(theta)) {
        return Result::BadValue;
    }
    const D3DVECTOR unit = UnitOrZero(axis);
    const bool zero = unit == D3DVECTOR{};
    const Matrix4 r = zero ? Matrix4::Identity() : Matrix4::Rotation(unit, theta);
    Matrix4 local = m_local;
    const Result res = Combine(local, combine, r);
    if (Failed(res)) {
        return res;
    }
    m_local = local;
    BumpRevision();
    return Result::Ok;
}

Result Frame::AddTranslation(D3DRMCOMBINETYPE combine, D3DVALUE x, D3DVALUE y, D3DVALUE z) {
    const D3DVECTOR t{x, y, z};
    if (!Finite(t)) {
        return Result::BadValue;
    }
    Matrix4 local = m_local;
    const Result res = Combine(local, combine, Matrix4::Translation(t));
    if (Failed(res)) {
        return res;
    }
    m_local = local;
    BumpRevision();
    return Result::Ok;
}

Result Frame::SetRotation(const Frame* reference, D3DVALUE ax, D3DVALUE ay, D3DVALUE az,
                          D3DVALUE theta) {
    D3DVECTOR axis{ax, ay, az};
    if (!Finite(axis) || !Finite(theta)) {
        return Result::BadValue;
    }
    axis = UnitOrZero(axis);
    const FramePtr parent = m_parent.lock();
    if (reference != nullptr && reference != parent.get() && axis != D3DVECTOR{}) {
        Matrix4 invParent;
        if (!ParentWorld(*this).Inverse(invParent)) {
            return Result::BadValue;
        }
        axis = UnitOrZero(
            invParent.TransformDirection(reference->WorldTransform().TransformDirection(axis)));
    }
    m_rotationAxis = axis;
    m_rotationTheta = theta;
    BumpRevision();
    return Result::Ok;
}

Result Frame::GetRotation(const Frame* reference, D3DVECTOR& axis, D3DVALUE& theta) const {
    D3DVECTOR a = m_rotationAxis;
    const FramePtr parent = m_parent.lock();
    if (reference != nullptr && reference != parent.get() && a != D3DVECTOR{}) {
        Matrix4 invRef;
        if (!reference->WorldTransform().Inverse(invRef)) {
            return Result::BadValue;
        }
        a = UnitOrZero(invRef.TransformDirection(ParentWorld(*this).TransformDirection(a)));
    }
    axis = a;
    theta = m_rotationTheta;
    return Result::Ok;
}

Result Frame::AddChild(const FramePtr& child) {
    if (!child) {
        return Result::BadObject;
    }
    if (child.get() == this) {
        return Result::BadValue;
    }
    // Only a frame with children can be an ancestor of this one (a new frame never is).
    if (!child->m_children.empty()) {
        for (FramePtr p = m_parent.lock(); p; p = p->m_parent.lock()) {
            if (p == child) {
                return Result::BadValue;  // would make a cycle
            }
        }
    }
    const FramePtr oldParent = child->m_parent.lock();
    if (oldParent.get() == this) {
        return Result::Ok;
    }
    m_children.reserve(m_children.size() + 1);  // the only step that can throw
    if (oldParent) {
        auto& siblings = oldParent->m_children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), child), siblings.end());
    }
    child->m_parent = weak_from_this();
    m_children.push_back(child);
    BumpRevision();
    return Result::Ok;
}

Result Frame::DeleteChild(const Frame* child) {
    auto it = std::find_if(m_children.begin(), m_children.end(),
                           [child](const FramePtr& c) { return c.get() == child; });
    if (child == nullptr || it == m_children.end()) {
        return Result::BadValue;
    }
    const FramePtr keep = *it;  // alive until its parent link is cut
    m_children.erase(it);
    keep->m_parent.reset();
    BumpRevision();
    return Result::Ok;
}

Result Frame::AddVisual(const MeshBuilderPtr& visual) {
    if (!visual) {
        return Result::BadObject;
    }
    if (std::find(m_visuals.begin(), m_visuals.end(), visual) == m_visuals.end()) {
        m_visuals.push_back(visual);
    }
    BumpRevision();
    return Result::Ok;
}

Result Frame::DeleteVisual(const MeshBuilder* visual) {
    auto it = std::find_if(m_visuals.begin(), m_visuals.end(),
                           [visual](const MeshBuilderPtr& v) { return v.get() == visual; });
    if (it != m_visuals.end()) {
        m_visuals.erase(it);
        BumpRevision();
    }
    return Result::Ok;
}

Result Frame::AddLight(const LightPtr& light) {
    if (!light) {
        return Result::BadObject;
    }
    if (std::find(m_lights.begin(), m_lights.end(), light) == m_lights.end()) {
        m_lights.push_back(light);
    }
    BumpRevision();
    return Result::Ok;
}

Result Frame::DeleteLight(const Light* light) {
    auto it = std::find_if(m_lights.begin(), m_lights.end(),
                           [light](const LightPtr& l) { return l.get() == light; });
    if (it != m_lights.end()) {
        m_lights.erase(it);
        BumpRevision();
    }
    return Result::Ok;
}

Result Frame::SetLocalTransform(const Matrix4& m) {
    if (!Finite(m)) {
        return Result::BadValue;
    }
    m_local = m;
    BumpRevision();
    return Result::Ok;
}

Result Frame::SetSceneBackground(D3DCOLOR color) {
    m_background = color;
    BumpRevision();
    return Result::Ok;
}

void Frame::Move(D3DVALUE delta) {
    if (!std::isfinite(delta)) {
        return;
    }
    // Iterative, with a stack kept between calls: no recursion per level and, once warm,
    // no allocation per tick.
    thread_local std::vector<Frame*> stack;
    const std::size_t base = stack.size();
    stack.push_back(this);
    while (stack.size() > base) {
        Frame* f = stack.back();
        stack.pop_back();
        const D3DVALUE angle = f->m_rotationTheta * delta;
        if (f->m_rotationAxis != D3DVECTOR{} && angle != 0.0F && std::isfinite(angle)) {
            // Spins in place: the axes turn about the axis (parent coordinates) through the
            // frame's own origin; the position stays.
            const D3DVECTOR position = f->m_local.Translation();
            f->m_local = f->m_local * Matrix4::Rotation(f->m_rotationAxis, angle);
            SetRow(f->m_local, 3, position);
            BumpRevision();
        }
        for (auto it = f->m_children.rbegin(); it != f->m_children.rend(); ++it) {
            stack.push_back(it->get());
        }
    }
}

}  // namespace rm
