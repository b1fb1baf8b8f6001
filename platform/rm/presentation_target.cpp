#include "platform/rm/presentation_target.h"

#include <cstddef>

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

}  // namespace rm
