#pragma once
// Follows one file on disk and says when it has changed and then stayed quiet for a short
// moment, so that a save in several writes asks for one reload. The file and its folder are
// both watched: a save in place shows on the file, a new file renamed over it or a delete
// and recreate shows on the folder, and after either the watch moves to whatever file the
// path names now.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <string>

#include "platform/io/file_stamp.h"

namespace app {

class FileFollower final : public QObject {
    Q_OBJECT
public:
    // How long the file must stay quiet before a change is reported.
    static constexpr int kQuietMs = 100;

    explicit FileFollower(QObject* parent = nullptr);

    // Follows `path` (absolute), whose content as loaded is described by `loaded`, taken
    // before the file was read: a change made while it was read then still counts.
    void Follow(const QString& path, const rm::FileStamp& loaded);
    // A load of the followed file begins: what changed before it is in it.
    void LoadStarting();
    void Stop();

    [[nodiscard]] bool IsFollowing() const { return !m_path.isEmpty(); }
    [[nodiscard]] const QString& Path() const { return m_path; }
    [[nodiscard]] bool IsWatchingFile() const;
    [[nodiscard]] bool IsWatchingFolder() const;

signals:
    // The file changed (or came back) and has been quiet since: load it.
    void Changed();
    // Nothing is at the path any more.
    void Gone();
    // Something is at the path, but not a regular file; `folder` when it is a folder.
    void NotRegular(bool folder);

private:
    void OnFileEvent();
    void OnFolderEvent();
    void Check();
    // Watches the file the path names now, and its folder.
    void Arm(const rm::FileStamp& now);

    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    QString m_path;
    QString m_folder;
    std::string m_bytes;     // m_path as the system names it
    rm::FileStamp m_loaded;  // the file as the last load found it
    rm::FileStamp m_seen;    // as the last event found it
    rm::FileStamp m_armed;   // the file the watch is on
    rm::FileStamp m_told;    // what Gone or NotRegular was last said about
    bool m_toldSomething = false;
    // The file itself reported a change since the last load began. Timestamps may be too
    // coarse to show two writes in quick succession; the event is not. It counts only when
    // the loaded file was written so recently that such a second write cannot be ruled
    // out; otherwise the event was of a write the load already read.
    bool m_fileEvent = false;
    bool m_loadedRecent = false;
};

}  // namespace app
