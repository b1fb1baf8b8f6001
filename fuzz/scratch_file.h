#pragma once
// One scratch file for a fuzzer's whole run, rewritten per input and removed at the end;
// memory-backed when the system has /dev/shm, so an input costs one write.
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace fuzz {

class ScratchFile {
public:
    ScratchFile() {
        char name[] = "/dev/shm/tarno-fuzz-XXXXXX";
        int fd = ::mkstemp(name);
        if (fd < 0) {
            char fallback[] = "/tmp/tarno-fuzz-XXXXXX";
            fd = ::mkstemp(fallback);
            if (fd < 0) std::abort();
            m_path = fallback;
        } else {
            m_path = name;
        }
        ::close(fd);
    }
    ~ScratchFile() { ::unlink(m_path.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace fuzz
