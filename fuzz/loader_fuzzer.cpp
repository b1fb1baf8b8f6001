// libFuzzer entry for the .api loader: every input is written to a scratch file and
// loaded by one document on one root, as File Open would, alternately with and without
// a warning observer. The sanitizers turn any read or write outside a table into a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "doc/load_observer.h"
#include "doc/tarno_doc.h"
#include "fuzz/scratch_file.h"
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
        if (rm::Failed(rm::Direct3DRMCreate(root)) || !root) std::abort();
        document = std::make_unique<doc::CTarnoDoc>(*root);
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    fuzz::ScratchFile scratch;
    rm::RootPtr root;
    std::unique_ptr<doc::CTarnoDoc> document;
    CountingObserver observer;
    bool watch = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    {
        std::ofstream out(harness.scratch.Path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) std::abort();
    }
    harness.watch = !harness.watch;
    if (!harness.document->LoadApiFile(harness.scratch.Path(),
                                       harness.watch ? &harness.observer : nullptr)) {
        // The scratch file is always readable: a failed load is a fault of the loader.
        std::abort();
    }
    return 0;
}
