#include "platform/io/file_stamp.h"

#include <sys/stat.h>

namespace rm {

namespace {

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return stamp;
    if (S_ISREG(info.st_mode)) {
        stamp.kind = FileStamp::Kind::Regular;
    } else if (S_ISDIR(info.st_mode)) {
        stamp.kind = FileStamp::Kind::Directory;
    } else {
        stamp.kind = FileStamp::Kind::Other;
    }
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::int64_t>(info.st_size);
    stamp.modifiedNs = Nanoseconds(info.st_mtim);
    stamp.changedNs = Nanoseconds(info.st_ctim);
    return stamp;
}

}  // namespace rm
