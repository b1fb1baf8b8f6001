#pragma once
// The open file as the window keeps up with it. Every load of the document (open, Reload,
// automatic reload) ends with a few seconds of status-bar text saying what it made; and,
// unless watching is off for the run, a change to the file on disk reloads it, keeping the
// camera, the model's rotation and the fill mode.

#include <QObject>
#include <QString>
#include <string>

#include "app/file_follower.h"
#include "app/load_tally.h"
#include "doc/tarno_doc.h"
#include "platform/io/file_stamp.h"

namespace app {

class CMainFrame;

class LiveFile final : public QObject, public doc::LoadObserver {
    Q_OBJECT
public:
    // How long the text after a load stays before "Ready" shows again.
    static constexpr int kLoadMessageMs = 5000;

    // Attaches itself to `document` as the observer of its loads. `document` and `frame`
    // must outlive it.
    LiveFile(doc::CTarnoDoc& document, CMainFrame& frame, bool watch);
    ~LiveFile() override;
    LiveFile(const LiveFile&) = delete;
    LiveFile& operator=(const LiveFile&) = delete;

    void OnWarning(doc::LoadWarning kind, std::int64_t line, const std::string& text) override;
    void OnLoadStart(const std::string& path) override;
    void OnLoadEnd(bool loaded) override;

    // The document no longer names a file (File New).
    void StopFollowing();

    [[nodiscard]] bool Watching() const { return m_watch; }
    [[nodiscard]] const FileFollower& Follower() const { return m_follower; }
    // How many loads the file's changes have started.
    [[nodiscard]] int AutomaticReloads() const { return m_autoReloads; }

private:
    void OnChanged();
    void OnGone();
    void OnNotRegular(bool folder);
    [[nodiscard]] QString FileName() const;

    doc::CTarnoDoc& m_document;
    CMainFrame& m_frame;
    const bool m_watch;
    FileFollower m_follower;
    LoadTally m_tally;
    std::string m_loadingPath;
    rm::FileStamp m_beforeLoad;
    int m_autoReloads = 0;
};

}  // namespace app
