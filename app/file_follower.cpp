#include "app/file_follower.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>

namespace app {

namespace {

// Coarser than the modification times of any file system the viewer is likely to meet.
constexpr std::int64_t kTimestampGrainNs = 2'000'000'000;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

FileFollower::FileFollower(QObject* parent) : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &FileFollower::Check);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileFollower::OnFileEvent);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileFollower::OnFolderEvent);
}

void FileFollower::Follow(const QString& path, const rm::FileStamp& loaded) {
    if (path != m_path) {
        Stop();
        m_path = path;
        m_folder = QFileInfo(path).absolutePath();
        m_bytes = QFile::encodeName(path).toStdString();
    }
    m_loaded = loaded;
    m_loadedRecent = NowNs() - loaded.modifiedNs < kTimestampGrainNs;
    m_toldSomething = false;
    const rm::FileStamp now = rm::StampOf(m_bytes);
    m_seen = now;
    Arm(now);
    // Changed between the load's start and now: look again once it is quiet.
    if (now != m_loaded) m_quiet.start();
}

void FileFollower::LoadStarting() {
    m_fileEvent = false;
}

void FileFollower::Stop() {
    m_quiet.stop();
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty()) m_watcher.removePaths(watched);
    m_path.clear();
    m_folder.clear();
    m_bytes.clear();
    m_loaded = m_seen = m_armed = m_told = rm::FileStamp{};
    m_toldSomething = false;
    m_fileEvent = false;
    m_loadedRecent = false;
}

bool FileFollower::IsWatchingFile() const {
    return !m_path.isEmpty() && m_watcher.files().contains(m_path);
}

bool FileFollower::IsWatchingFolder() const {
    return !m_folder.isEmpty() && m_watcher.directories().contains(m_folder);
}

void FileFollower::Arm(const rm::FileStamp& now) {
    if (m_path.isEmpty()) return;
    if (!m_watcher.directories().contains(m_folder) && QFileInfo(m_folder).isDir()) {
        m_watcher.addPath(m_folder);
    }
    const bool watching = m_watcher.files().contains(m_path);
    if (!now.Exists()) {
        // The watch on a deleted file ends by itself; the folder says when it returns.
        if (watching) m_watcher.removePath(m_path);
        m_armed = rm::FileStamp{};
        return;
    }
    // A watch stays with the file it was set on, which after a rename over the path is
    // no longer the one the path names.
    if (watching && now.SameFile(m_armed)) return;
    if (watching) m_watcher.removePath(m_path);
    if (m_watcher.addPath(m_path)) {
        m_armed = now;
    } else {
        m_armed = rm::FileStamp{};
    }
}

void FileFollower::OnFileEvent() {
    if (m_path.isEmpty()) return;
    m_fileEvent = true;
    m_seen = rm::StampOf(m_bytes);
    Arm(m_seen);
    m_quiet.start();
}

void FileFollower::OnFolderEvent() {
    if (m_path.isEmpty()) return;
    // Other files of the folder change too; only a change at the path restarts the wait.
    const rm::FileStamp now = rm::StampOf(m_bytes);
    Arm(now);
    if (now == m_seen) return;
    m_seen = now;
    m_quiet.start();
}

void FileFollower::Check() {
    if (m_path.isEmpty()) return;
    const rm::FileStamp now = rm::StampOf(m_bytes);
    m_seen = now;
    Arm(now);
    if (!now.IsRegular()) {
        if (m_toldSomething && now == m_told) return;
        m_told = now;
        m_toldSomething = true;
        if (now.Exists()) {
            emit NotRegular(now.kind == rm::FileStamp::Kind::Directory);
        } else {
            emit Gone();
        }
        return;
    }
    if (now == m_loaded && !(m_fileEvent && m_loadedRecent) && !m_toldSomething) return;
    m_toldSomething = false;
    emit Changed();
}

}  // namespace app
