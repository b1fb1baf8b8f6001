// libFuzzer entry for the .api loader: every input is written to a scratch file and
// loaded by one document on one root, as File Open would, alternately with and without
// a warning observer. The sanitizers turn any read or write outside a table into a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "doc/load_observer.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"

namespace {

class CountingObserver final : public doc::LoadObserver {
public:
    void OnWarning(doc::LoadWarning, std::int64_t line, const std::string& text) override {
        // Touch what was reported, so that a bad string or line number shows.
        if (line < 1) std::abort();
        m_bytes += text.size();
    }

private:
    std::size_t m_bytes = 0;
};

// One root and one document for the whole run: building the scene graph per input
// would cost more than most loads.
struct Harness {
    Harness() {
        // Memory-backed when the system has it: one file write per input.
        char name[] = "/dev/shm/tarno-fuzz-XXXXXX";
        int fd = ::mkstemp(name);
        if (fd < 0) {
            char fallback[] = "/tmp/tarno-fuzz-XXXXXX";
            fd = ::mkstemp(fallback);
            if (fd < 0) std::abort();
            path = fallback;
        } else {
            path = name;
        }
        ::close(fd);
        if (rm::Failed(rm::Direct3DRMCreate(root)) || !root) std::abort();
        document = std::make_unique<doc::CTarnoDoc>(*root);
    }
    ~Harness() { ::unlink(path.c_str()); }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    std::string path;
    rm::RootPtr root;
    std::unique_ptr<doc::CTarnoDoc> document;
    CountingObserver observer;
    bool watch = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    {
        std::ofstream out(harness.path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) std::abort();
    }
    harness.watch = !harness.watch;
    if (!harness.document->LoadApiFile(harness.path, harness.watch ? &harness.observer : nullptr)) {
        // The scratch file is always readable: a failed load is a fault of the loader.
        std::abort();
    }
    return 0;
}
