#include "tests/app/app_test_support.h"

#include <QPrinter>
#include <QSettings>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/main_frame.h"
#include "tests/app/view_test_support.h"

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

std::string ScratchDir(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(TARNO_TEST_TMP) / "app" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string ExamplePath(const std::string& name) {
    return view_test::ExamplePath(name);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void AppTest::SetUp() {
    view_test::EnsureQtApp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    settingsDir =
        ScratchDir(std::string("settings-") + info->test_suite_name() + "-" + info->name());
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
