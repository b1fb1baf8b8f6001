#pragma once
// What the system says about a path, enough to tell whether the file there has changed:
// another file put in its place (device and inode), a write (size, modification and change
// times), or something that is not a regular file at all.

#include <cstdint>
#include <string>

namespace rm {

struct FileStamp {
    enum class Kind { Missing, Regular, Directory, Other };

    Kind kind = Kind::Missing;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileStamp&) const = default;

    [[nodiscard]] bool Exists() const { return kind != Kind::Missing; }
    [[nodiscard]] bool IsRegular() const { return kind == Kind::Regular; }
    // The same file (not necessarily the same content).
    [[nodiscard]] bool SameFile(const FileStamp& other) const {
        return Exists() && other.Exists() && device == other.device && inode == other.inode;
    }
};

// The stamp of `path`, following symbolic links; Missing when nothing can be found there.
// Never opens the file, so a named pipe or a device is safe to ask about.
[[nodiscard]] FileStamp StampOf(const std::string& path);

}  // namespace rm
