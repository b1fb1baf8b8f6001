#pragma once
// The block record of the declared data model. Nothing creates one; the document's block
// array exists and stays empty.

#include <memory>
#include <vector>

namespace doc {

class CObject {
public:
    virtual ~CObject() = default;
};

class CTarnoBlock : public CObject {
public:
    static constexpr int kSchema = 0;
    CTarnoBlock() = default;
};

// An owning array of records.
class CObArray {
public:
    [[nodiscard]] std::size_t GetSize() const { return m_items.size(); }
    void Add(std::unique_ptr<CObject> item) { m_items.push_back(std::move(item)); }

private:
    std::vector<std::unique_ptr<CObject>> m_items;
};

}  // namespace doc
