#include "tests/app/app_test_support.h"

#include <QPrinter>
#include <QSettings>

#include "app/main_frame.h"
#include "tests/support/qt_app.h"

namespace app_test {

void FakePrompts::MessageBox(QWidget* /*parent*/, const QString& text, QMessageBox::Icon icon) {
    messages.push_back({text, icon});
}

std::optional<QString> FakePrompts::GetOpenFileName(QWidget* /*parent*/, QString& folder) {
    openFolders.push_back(folder);
    if (!folderLeftIn.isEmpty()) folder = folderLeftIn;
    return fileToOpen;
}

bool FakePrompts::ChoosePrinter(QWidget* /*parent*/, QPrinter& printer, PrinterChoice choice) {
    printerChoices.push_back(choice);
    if (pdfPath.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    return true;
}

void AppTest::SetUp() {
    tarno_test::EnsureQtApp();
    settingsDir = tarno_test::ScratchDir("settings");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir));
    theApp = std::make_unique<app::CTarnoApp>(probe, prompts);
}

void AppTest::TearDown() {
    theApp.reset();
}

bool AppTest::Start(const QStringList& args) {
    return theApp->InitInstance(QStringList{QStringLiteral("tarno")} + args);
}

app::CMainFrame& AppTest::Frame() const {
    return *theApp->GetMainWnd();
}

QString AppTest::ProfilePath() const {
    return theApp->OpenProfile()->fileName();
}

}  // namespace app_test
