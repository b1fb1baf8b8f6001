#include "platform/rm/revision.h"

#include <atomic>

namespace rm {

namespace {
// Starts at 1 so that a viewport's "never drawn" revision 0 never matches.
std::atomic<std::uint64_t> g_revision{1};
}  // namespace

std::uint64_t CurrentRevision() {
    return g_revision.load(std::memory_order_acquire);
}

void BumpRevision() {
    g_revision.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace rm
