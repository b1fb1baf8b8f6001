#pragma once
// The clipper binds a device to a presentation target. It holds the target weakly: when
// the target goes away, presenting silently does nothing.

#include <memory>

#include "platform/core/types.h"
#include "platform/rm/presentation_target.h"

namespace rm {

class Clipper {
public:
    // Binds to `target` (flags must be 0). A null target unbinds.
    Result SetHWnd(std::uint32_t flags, std::weak_ptr<PresentationTarget> target);
    [[nodiscard]] std::shared_ptr<PresentationTarget> Target() const { return m_target.lock(); }
    [[nodiscard]] bool HasTarget() const { return !m_target.expired(); }

private:
    std::weak_ptr<PresentationTarget> m_target;
};

using ClipperPtr = std::shared_ptr<Clipper>;

// flags must be 0; `outer` is accepted for the shape of the call and must be null.
Result DirectDrawCreateClipper(std::uint32_t flags, ClipperPtr& out, const void* outer);

}  // namespace rm
