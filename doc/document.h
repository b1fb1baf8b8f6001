#pragma once
// The little of a document/view framework's document that the viewer uses: a path name, a
// title and the new/open entry points. No Qt: the window layer drives it.

#include <string>

namespace doc {

class CDocument {
public:
    virtual ~CDocument() = default;

    // Untitled, no path. Always succeeds.
    virtual bool OnNewDocument();
    // Checks that the path names a regular file that can be opened for reading (the file is
    // never written) and takes its path and title. False with LastError() set otherwise.
    [[nodiscard]] virtual bool OnOpenDocument(const std::string& path);

    [[nodiscard]] const std::string& GetPathName() const { return m_pathName; }
    // The file name without folders; empty for an untitled document.
    [[nodiscard]] const std::string& GetTitle() const { return m_title; }
    void SetPathName(const std::string& path);
    // One line for the user about the last failure of an open or load. It does not name
    // the file: the caller puts the name the user gave in front ("NAME: reason").
    [[nodiscard]] const std::string& LastError() const { return m_lastError; }

protected:
    void SetLastError(std::string text) { m_lastError = std::move(text); }

private:
    std::string m_pathName;
    std::string m_title;
    std::string m_lastError;
};

}  // namespace doc
