#pragma once
// The recent-file list: the last files opened, newest first, as the File menu shows them
// and as the settings keep them ("Recent File List", values File1, File2, ...).

#include <QSettings>
#include <QString>
#include <QStringList>

namespace app {

// Shortens a path to at most `maxLength` characters: the root, "...", and as many of the
// trailing folders as fit before the file name. A file name alone longer than that is
// returned whole when `atLeastName`, else the result is empty.
[[nodiscard]] QString AbbreviateName(const QString& path, int maxLength, bool atLeastName);

class CRecentFileList {
public:
    CRecentFileList(QString section, QString entryFormat, int size, int maxDisplayLength);

    [[nodiscard]] int GetSize() const { return m_nSize; }
    [[nodiscard]] int Count() const { return static_cast<int>(m_arrNames.size()); }
    [[nodiscard]] const QString& operator[](int index) const { return m_arrNames[index]; }

    // Puts `path` at the top, dropping an older entry for the same file and the oldest one
    // when the list is full.
    void Add(const QString& path);
    void Remove(int index);

    // The menu's name for entry `index`: just the file name when it lies in `currentDir`,
    // else the abbreviated path.
    [[nodiscard]] QString GetDisplayName(int index, const QString& currentDir) const;
    // The File menu text of entry `index`: "&1 name", with "&" in the name doubled.
    [[nodiscard]] QString MenuText(int index, const QString& currentDir) const;

    // Reads what the settings hold; missing, empty or non-text values are skipped.
    void ReadList(QSettings& settings);
    // Writes every entry and removes values past the last one.
    void WriteList(QSettings& settings) const;

private:
    [[nodiscard]] QString EntryName(int index) const;

    QString m_strSectionName;
    QString m_strEntryFormat;
    int m_nSize;
    int m_nMaxDisplayLength;
    QStringList m_arrNames;
};

}  // namespace app
