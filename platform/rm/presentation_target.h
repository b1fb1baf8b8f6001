#pragma once
// Where a device's pictures go: the window (implemented by the view), a test double, a
// file. A clipper binds a device to one target.

#include <utility>

#include "platform/image/picture.h"

namespace rm {

class PresentationTarget {
public:
    virtual ~PresentationTarget() = default;
    // Called by Device::Update and HandlePaint with the device's current picture. The view
    // is valid only for the duration of the call.
    virtual void Present(const PictureView& picture) = 0;
};

// Keeps a copy of the last picture presented; for tests and the headless commands.
class RecordingTarget final : public PresentationTarget {
public:
    void Present(const PictureView& picture) override;
    [[nodiscard]] const Picture& LastPicture() const { return m_last; }
    // The same, handed over without a copy (a big picture's fresh pages are dear); the
    // target then holds an empty picture until the next Present.
    [[nodiscard]] Picture TakeLastPicture() { return std::exchange(m_last, Picture{}); }
    [[nodiscard]] int PresentCount() const { return m_presents; }

private:
    Picture m_last;
    int m_presents = 0;
};

}  // namespace rm
