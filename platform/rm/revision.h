#pragma once
// A process-wide counter that every change to something a picture depends on advances
// (frames, visuals, lights, mesh contents and quality, viewport and device settings).
// A viewport whose last picture was drawn at the current revision need not draw again.

#include <cstdint>

namespace rm {

[[nodiscard]] std::uint64_t CurrentRevision();
void BumpRevision();

}  // namespace rm
