#include "platform/rm/clipper.h"

#include <algorithm>
#include <new>

#include "platform/rm/revision.h"

namespace rm {

Result Clipper::SetHWnd(std::uint32_t flags, std::weak_ptr<PresentationTarget> target) {
    if (flags != 0) {
        return Result::BadValue;
    }
    m_target = std::move(target);
    BumpRevision();  // a new place to present needs a picture
    return Result::Ok;
}

Result DirectDrawCreateClipper(std::uint32_t flags, ClipperPtr& out, const void* outer) {
    if (flags != 0 || outer != nullptr) {
        return Result::BadValue;
    }
    try {
        out = std::make_shared<Clipper>();
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    return Result::Ok;
}

}  // namespace rm
