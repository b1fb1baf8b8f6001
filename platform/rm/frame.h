#pragma once
// Frames: the nodes of the scene graph. A frame owns its child frames, its visuals and its
// lights (shared ownership, as the reference counts of the original interfaces had it) and
// places itself relative to its parent with an affine transformation.

#include <memory>
#include <vector>

#include "platform/core/types.h"
#include "platform/core/vector_math.h"

namespace rm {

class Light;
class MeshBuilder;
class Frame;
using FramePtr = std::shared_ptr<Frame>;
using LightPtr = std::shared_ptr<Light>;
using MeshBuilderPtr = std::shared_ptr<MeshBuilder>;

class Frame : public std::enable_shared_from_this<Frame> {
public:
    // Frames are made through Root::CreateFrame so that they join their parent.
    struct PrivateTag {};
    explicit Frame(PrivateTag) {}
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // Placement. `reference` null means the parent (for a root frame: world). Values are in
    // the reference frame's coordinates.
    Result SetPosition(const Frame* reference, D3DVALUE x, D3DVALUE y, D3DVALUE z);
    Result GetPosition(const Frame* reference, D3DVECTOR& out) const;
    // Points the frame's z axis along `dir` and its y axis as near `up` as is orthogonal.
    // Fails with BadValue (and changes nothing) when dir is zero or parallel to up.
    Result SetOrientation(const Frame* reference, const D3DVECTOR& dir, const D3DVECTOR& up);
    Result GetOrientation(const Frame* reference, D3DVECTOR& dir, D3DVECTOR& up) const;

    // Composes a rotation with the frame's transformation: REPLACE makes the rotation the
    // whole transformation (position back at the origin), BEFORE applies it in the frame's
    // own coordinates, AFTER in the parent's. A zero axis is the identity rotation.
    Result AddRotation(D3DRMCOMBINETYPE combine, D3DVALUE ax, D3DVALUE ay, D3DVALUE az,
                       D3DVALUE theta);
    Result AddTranslation(D3DRMCOMBINETYPE combine, D3DVALUE x, D3DVALUE y, D3DVALUE z);

    // Angular motion applied by each Root::Tick: theta radians per unit of tick time about
    // the axis. A frame never given one reports a zero axis and angle 0.
    Result SetRotation(const Frame* reference, D3DVALUE ax, D3DVALUE ay, D3DVALUE az,
                       D3DVALUE theta);
    Result GetRotation(const Frame* reference, D3DVECTOR& axis, D3DVALUE& theta) const;

    // Children.
    Result AddChild(const FramePtr& child);  // re-parents child, keeping its local transform
    Result DeleteChild(const Frame* child);  // BadValue if not a child
    [[nodiscard]] FramePtr GetParent() const { return m_parent.lock(); }
    [[nodiscard]] const std::vector<FramePtr>& Children() const { return m_children; }

    // Visuals and lights. Deleting a visual or light the frame does not carry is harmless
    // and succeeds.
    Result AddVisual(const MeshBuilderPtr& visual);
    Result DeleteVisual(const MeshBuilder* visual);
    [[nodiscard]] const std::vector<MeshBuilderPtr>& Visuals() const { return m_visuals; }
    Result AddLight(const LightPtr& light);
    Result DeleteLight(const Light* light);
    [[nodiscard]] const std::vector<LightPtr>& Lights() const { return m_lights; }

    // Local transformation (frame to parent) and the composed frame to world.
    [[nodiscard]] const Matrix4& LocalTransform() const { return m_local; }
    Result SetLocalTransform(const Matrix4& m);
    [[nodiscard]] Matrix4 WorldTransform() const;
    // The topmost ancestor (this frame if it has no parent).
    [[nodiscard]] const Frame* SceneRoot() const;

    // Background of the scene whose root this frame is; black unless set.
    Result SetSceneBackground(D3DCOLOR color);
    [[nodiscard]] D3DCOLOR GetSceneBackground() const { return m_background; }

    // Applies the frame's angular motion for `delta` units of time, in this frame and its
    // descendants.
    void Move(D3DVALUE delta);

private:
    std::weak_ptr<Frame> m_parent;
    std::vector<FramePtr> m_children;
    std::vector<MeshBuilderPtr> m_visuals;
    std::vector<LightPtr> m_lights;
    Matrix4 m_local;
    D3DVECTOR m_rotationAxis{};  // angular motion, in parent coordinates
    D3DVALUE m_rotationTheta = 0.0F;
    D3DCOLOR m_background = 0xFF000000U;
};

}  // namespace rm
