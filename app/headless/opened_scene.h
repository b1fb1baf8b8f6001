#pragma once
// A root object and a document with a file opened the way File Open opens it; the
// headless commands start from one.

#include <memory>
#include <string>

#include "doc/load_observer.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"

namespace app {

struct OpenedScene {
    // Declared first so that it outlives the document, which keeps a reference to it.
    rm::RootPtr root;
    std::unique_ptr<doc::CTarnoDoc> document;
};

// Opens `path` through CTarnoDoc::OnOpenDocument, or, with an observer, through the base
// open and LoadApiFile so that the load reports its warnings. False with `error` (one
// line, naming the file) when the file cannot be read.
[[nodiscard]] bool OpenScene(const std::string& path, doc::LoadObserver* observer, OpenedScene& out,
                             std::string& error);

}  // namespace app
