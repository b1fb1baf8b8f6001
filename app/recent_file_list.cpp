#include "app/recent_file_list.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace app {

QString AbbreviateName(const QString& path, int maxLength, bool atLeastName) {
    if (path.size() <= maxLength) return path;

    const qsizetype lastSlash = path.lastIndexOf(u'/');
    const QString fileName = path.mid(lastSlash + 1);
    const QString root = path.startsWith(u'/') ? QStringLiteral("/") : QString();
    const QString ellipsis = QStringLiteral("...");

    // Not even root, "..." and the name fit: the name alone, or nothing.
    if (root.size() + ellipsis.size() + 1 + fileName.size() > maxLength) {
        return atLeastName ? fileName : QString();
    }
    // The longest tail of whole folders that fits after root and "...".
    qsizetype from = root.size();
    while (true) {
        const qsizetype slash = path.indexOf(u'/', from);
        if (slash < 0 || slash >= lastSlash) {
            return root + ellipsis + path.mid(lastSlash);
        }
        const QString tail = path.mid(slash);
        if (root.size() + ellipsis.size() + tail.size() <= maxLength) {
            return root + ellipsis + tail;
        }
        from = slash + 1;
    }
}

CRecentFileList::CRecentFileList(QString section, QString entryFormat, int size,
                                 int maxDisplayLength)
    : m_strSectionName(std::move(section)),
      m_strEntryFormat(std::move(entryFormat)),
      m_nSize(size),
      m_nMaxDisplayLength(maxDisplayLength) {}

void CRecentFileList::Add(const QString& path) {
    m_arrNames.removeAll(path);
    m_arrNames.prepend(path);
    while (m_arrNames.size() > m_nSize) m_arrNames.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < Count()) m_arrNames.removeAt(index);
}

QString CRecentFileList::GetDisplayName(int index, const QString& currentDir) const {
    const QString& path = m_arrNames[index];
    const QFileInfo info(path);
    if (!currentDir.isEmpty() && QDir::cleanPath(info.path()) == QDir::cleanPath(currentDir)) {
        return AbbreviateName(info.fileName(), m_nMaxDisplayLength, true);
    }
    return AbbreviateName(path, m_nMaxDisplayLength, true);
}

QString CRecentFileList::MenuText(int index, const QString& currentDir) const {
    QString name = GetDisplayName(index, currentDir);
    name.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

QString CRecentFileList::EntryName(int index) const {
    return m_strEntryFormat.arg(index + 1);
}

void CRecentFileList::ReadList(QSettings& settings) {
    m_arrNames.clear();
    settings.beginGroup(m_strSectionName);
    for (int i = 0; i < m_nSize; ++i) {
        const QVariant value = settings.value(EntryName(i));
        if (value.typeId() != QMetaType::QString) continue;
        const QString path = value.toString();
        if (!path.isEmpty() && !m_arrNames.contains(path)) m_arrNames.append(path);
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const {
    settings.beginGroup(m_strSectionName);
    for (int i = 0; i < m_nSize; ++i) {
        if (i < Count()) {
            settings.setValue(EntryName(i), m_arrNames[i]);
        } else {
            settings.remove(EntryName(i));
        }
    }
    settings.endGroup();
}

}  // namespace app
