#include "doc/document.h"

#include <unistd.h>

#include "platform/io/regular_file.h"

namespace doc {

bool CDocument::OnNewDocument() {
    m_lastError.clear();
    SetPathName(std::string());
    return true;
}

bool CDocument::OnOpenDocument(const std::string& path) {
    m_lastError.clear();
    // Read-only: the document never writes the file it shows. Only regular files: a pipe
    // or a device would hang the open or never end.
    std::string problem;
    const int fd = rm::OpenRegularFile(path, problem);
    if (fd < 0) {
        SetLastError("Cannot open: " + problem);
        return false;
    }
    ::close(fd);
    SetPathName(path);
    return true;
}

void CDocument::SetPathName(const std::string& path) {
    m_pathName = path;
    const std::size_t slash = path.find_last_of('/');
    m_title = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace doc
