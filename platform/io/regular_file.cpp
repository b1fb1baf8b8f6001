#include "platform/io/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rm {

namespace {

std::string KindProblem(mode_t mode) {
    if (S_ISREG(mode)) return std::string();
    if (S_ISDIR(mode)) return "a folder, not a file";
    if (S_ISFIFO(mode)) return "a named pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a file";
    if (S_ISSOCK(mode)) return "a socket, not a file";
    return "not a regular file";
}

}  // namespace

std::string RegularFileProblem(const std::string& path) {
    if (path.empty()) return "no file name";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::strerror(errno);
    return KindProblem(info.st_mode);
}

std::string RegularFileProblem(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::strerror(errno);
    return KindProblem(info.st_mode);
}

int OpenRegularFile(const std::string& path, std::string& problem) {
    // Looked at before it is opened: opening some devices has effects of its own.
    problem = RegularFileProblem(path);
    if (!problem.empty()) return -1;
    // Non-blocking, for the moment between the look and the open in which the path may
    // have become a pipe; a regular file reads the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        problem = std::strerror(errno);
        return -1;
    }
    problem = RegularFileProblem(fd);
    if (!problem.empty()) {
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

}  // namespace rm
