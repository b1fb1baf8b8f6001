#include "platform/rm/clipper.h"

#include <algorithm>
#include <new>

#include "platform/rm/revision.h"

namespace rm {

void RecordingTarget::Present(const PictureView& picture) {
    ++m_presents;
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels == nullptr) {
        m_last.width = 0;
        m_last.height = 0;
        m_last.pixels.clear();
        return;
    }
    const std::size_t n =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    m_last.width = picture.width;
    m_last.height = picture.height;
    m_last.pixels.assign(picture.pixels, picture.pixels + n);  // reuses the capacity
}

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
