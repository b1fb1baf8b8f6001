#include "app/live_file.h"

#include <QFile>
#include <QFileInfo>

#include "app/debug_output.h"
#include "app/main_frame.h"
#include "view/tarno_view.h"

namespace app {

namespace {

QString LocalPath(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace

LiveFile::LiveFile(doc::CTarnoDoc& document, CMainFrame& frame, bool watch)
    : m_document(document), m_frame(frame), m_watch(watch) {
    m_document.SetLoadObserver(this);
    connect(&m_follower, &FileFollower::Changed, this, &LiveFile::OnChanged);
    connect(&m_follower, &FileFollower::Gone, this, &LiveFile::OnGone);
    connect(&m_follower, &FileFollower::NotRegular, this, &LiveFile::OnNotRegular);
}

LiveFile::~LiveFile() {
    m_document.SetLoadObserver(nullptr);
}

void LiveFile::OnWarning(doc::LoadWarning kind, std::int64_t line, const std::string& text) {
    m_tally.OnWarning(kind, line, text);
}

void LiveFile::OnLoadStart(const std::string& path) {
    m_tally.Reset();
    m_loadingPath = path;
    // Taken before the file is read: a write during the read then differs from it, and
    // the follower reads the file again once it is quiet.
    m_beforeLoad = rm::StampOf(path);
    if (m_follower.IsFollowing() && QFile::encodeName(m_follower.Path()).toStdString() == path) {
        m_follower.LoadStarting();
    }
}

void LiveFile::OnLoadEnd(bool loaded) {
    const QString path = LocalPath(m_loadingPath);
    if (path.isEmpty()) return;  // Reload with no file: nothing was asked of the disk
    const QString name = QFileInfo(path).fileName();
    if (!loaded) {
        QString why = LocalPath(m_document.LastError());
        if (why.isEmpty()) why = QStringLiteral("it could not be read");
        m_frame.ShowStatusText(QStringLiteral("%1 not loaded: %2").arg(name, why), kLoadMessageMs);
        return;
    }
    if (m_document.LastLoadSummary().readAhead) {
        OutputDebugText("file read while the window started\r\n");
    }
    m_frame.ShowStatusText(
        QString::fromStdString(LoadStatusText(name.toStdString(), path.toStdString(),
                                              m_document.LastLoadSummary(), m_tally)),
        kLoadMessageMs);
    if (m_watch) m_follower.Follow(QFileInfo(path).absoluteFilePath(), m_beforeLoad);
}

void LiveFile::StopFollowing() {
    m_follower.Stop();
}

QString LiveFile::FileName() const {
    return QFileInfo(m_follower.Path()).fileName();
}

void LiveFile::OnChanged() {
    // The document may have moved on (a failed open, File New) without the follower.
    if (LocalPath(m_document.GetPathName()) != m_follower.Path()) return;
    ++m_autoReloads;
    m_frame.GetActiveView().OnFileChanged();
}

void LiveFile::OnGone() {
    // Stays until something else is shown: the user may look only later.
    m_frame.ShowStatusText(
        QStringLiteral("%1 is gone; the last model stays on screen until the file is back")
            .arg(FileName()),
        0);
}

void LiveFile::OnNotRegular(bool folder) {
    m_frame.ShowStatusText(QStringLiteral("%1 is now %2, not a file; the last model stays")
                               .arg(FileName(), folder ? QStringLiteral("a folder")
                                                       : QStringLiteral("something else")),
                           0);
}

}  // namespace app
