#pragma once
// A frame drawn on another thread reads mesh data where it lies, without a copy. While it
// does, a pin keeps writers off that data: a writer to a pinned mesh cancels the frames
// reading it and waits until they have let go, so it never changes what they read.

#include <atomic>
#include <memory>

#include "platform/core/mesh_data.h"

namespace rm {

class MeshReadPin {
public:
    // Keeps `mesh` alive and unwritten until the pin goes. A writer that finds it pinned
    // sets `cancel`, which must outlive the pin.
    MeshReadPin(std::shared_ptr<const MeshData> mesh, std::atomic<bool>& cancel);
    ~MeshReadPin();
    MeshReadPin(MeshReadPin&& other) noexcept;
    MeshReadPin& operator=(MeshReadPin&&) = delete;
    MeshReadPin(const MeshReadPin&) = delete;
    MeshReadPin& operator=(const MeshReadPin&) = delete;

private:
    std::shared_ptr<const MeshData> m_mesh;
    std::atomic<bool>* m_cancel;
};

// Called before every change to a mesh's faces, corners or positions. Returns at once when
// nothing reads the mesh; otherwise cancels the readers and waits for them to finish.
void WaitForMeshReaders(const MeshData& mesh);

}  // namespace rm
