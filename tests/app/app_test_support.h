#pragma once
// Shared set-up of the application-shell tests: settings in a scratch folder, a recorder in
// place of the dialogs, and an application object started with a given command line.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/host_probe_system.h"
#include "app/tarno_app.h"
#include "app/user_prompts.h"
#include "tests/support/paths.h"
#include "tests/support/scratch.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace app_test {

struct ShownMessage {
    QString text;
    QMessageBox::Icon icon;
};

// Records message boxes; answers the open dialog and the printer choice as told.
class FakePrompts final : public app::UserPrompts {
public:
    void MessageBox(QWidget* parent, const QString& text, QMessageBox::Icon icon) override;
    std::optional<QString> GetOpenFileName(QWidget* parent, QString& folder) override;
    bool ChoosePrinter(QWidget* parent, QPrinter& printer, PrinterChoice choice) override;

    std::vector<ShownMessage> messages;
    std::optional<QString> fileToOpen;  // what the open dialog returns
    std::vector<QString> openFolders;   // the folder the open dialog started in, each time
    QString folderLeftIn;               // where the user leaves the dialog (empty: unchanged)
    QString pdfPath;                    // printing goes to this PDF when set
    std::vector<PrinterChoice> printerChoices;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the application object and runs start-up with `args` after the program name.
    bool Start(const QStringList& args = {});
    [[nodiscard]] app::CMainFrame& Frame() const;
    // The settings file the application reads and writes.
    [[nodiscard]] QString ProfilePath() const;

    std::string settingsDir;
    FakePrompts prompts;
    app::HostProbeSystem probe;
    std::unique_ptr<app::CTarnoApp> theApp;
};

}  // namespace app_test
