#include "doc/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace doc {

bool CDocument::OnNewDocument() {
    m_lastError.clear();
    SetPathName(std::string());
    return true;
}

bool CDocument::OnOpenDocument(const std::string& path) {
    m_lastError.clear();
    // Read-only: the document never writes the file it shows.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastError("Cannot open \"" + path + "\": " + std::strerror(errno));
        return false;
    }
    struct stat info {};
    const bool isDirectory = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(fd);
    if (isDirectory) {
        SetLastError("Cannot open \"" + path + "\": it is a folder");
        return false;
    }
    SetPathName(path);
    return true;
}

void CDocument::SetPathName(const std::string& path) {
    m_pathName = path;
    const std::size_t slash = path.find_last_of('/');
    m_title = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace doc
