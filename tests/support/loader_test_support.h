#pragma once
// Shared helpers of the loader tests: scratch .api files, a document on a fresh root
// object, and readable views of the mesh a load made.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "doc/load_observer.h"
#include "doc/load_tables.h"
#include "doc/tarno_doc.h"
#include "platform/rm/root.h"

namespace doc_test {

struct Warning {
    doc::LoadWarning kind;
    std::int64_t line;
    std::string text;
};

class RecordingObserver : public doc::LoadObserver {
public:
    void OnWarning(doc::LoadWarning kind, std::int64_t line, const std::string& text) override {
        warnings.push_back({kind, line, text});
    }
    [[nodiscard]] std::vector<Warning> Of(doc::LoadWarning kind) const;
    std::vector<Warning> warnings;
};

// A document on its own root object. The current colours are put back to white first, as
// they are when the program starts.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Writes `text` to the scratch file "model<suffix>.api" and loads it.
    bool Load(std::string_view text, doc::LoadObserver* observer = nullptr,
              std::string_view suffix = "");

    [[nodiscard]] const rm::MeshData& Mesh() const { return m_doc->m_pMeshBuilder->Data(); }
    [[nodiscard]] std::size_t FaceCount() const { return Mesh().faces.size(); }
    [[nodiscard]] std::vector<rm::D3DVECTOR> FaceVertices(std::size_t face) const;
    [[nodiscard]] rm::D3DCOLOR FaceColor(std::size_t face) const;
    // The vertices of a face as the x coordinates only (the tests' points are laid out so
    // that x names the point).
    [[nodiscard]] std::vector<float> FaceXs(std::size_t face) const;
    [[nodiscard]] rm::D3DVECTOR FaceNormal(std::size_t face) const;

    [[nodiscard]] static doc::LoadTables& T() { return doc::Tables(); }
    [[nodiscard]] static const doc::TablePoint& Point(int i) {
        return doc::Tables().pointTable[static_cast<std::size_t>(i)];
    }

    rm::RootPtr m_root;
    std::unique_ptr<doc::CTarnoDoc> m_doc;
};

// Compares a table point with expected coordinates.
::testing::AssertionResult IsPoint(const doc::TablePoint& p, std::int32_t x, std::int32_t y,
                                   std::int32_t z);

}  // namespace doc_test
