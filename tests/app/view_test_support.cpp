#include "tests/app/view_test_support.h"

#include <QKeyEvent>
#include <filesystem>
#include <fstream>

namespace view_test {

namespace {

std::unique_ptr<QApplication>& AppHolder() {
    static std::unique_ptr<QApplication> app;
    return app;
}

// Ends the application object before main returns: destroyed among the static objects at
// exit, it would outlive parts of Qt it still needs.
class QtAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { EnsureQtApp(); }
    void TearDown() override { AppHolder().reset(); }
};

// Google Test takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const g_qtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace

void EnsureQtApp() {
    if (QApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "tarno_app_tests";
    static char* argv[] = {name, nullptr};
    AppHolder() = std::make_unique<QApplication>(argc, argv);
}

bool FakeToolbar::IsPressed(int id) const {
    bool pressed = false;
    for (const auto& [callId, callPressed] : calls) {
        if (callId == id) pressed = callPressed;
    }
    return pressed;
}

std::string WriteApi(const std::string& name, const std::vector<std::string>& lines) {
    const std::filesystem::path dir = std::filesystem::path(TARNO_TEST_TMP) / "view";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\r\n";
    return path;
}

std::string ExamplePath(const std::string& name) {
    return (std::filesystem::path(TARNO_SOURCE_DIR) / "examples" / name).string();
}

std::string CopyExample(const std::string& name, const std::string& copyName) {
    const std::filesystem::path dir = std::filesystem::path(TARNO_TEST_TMP) / "view";
    std::filesystem::create_directories(dir);
    const std::filesystem::path target = dir / copyName;
    std::filesystem::copy_file(ExamplePath(name), target,
                               std::filesystem::copy_options::overwrite_existing);
    return target.string();
}

int ForegroundPixels(const QImage& image) {
    if (image.isNull()) return 0;
    const QRgb background = image.pixel(0, 0);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) ++count;
        }
    }
    return count;
}

void ViewTest::SetUp() {
    EnsureQtApp();
    ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
    document = std::make_unique<doc::CTarnoDoc>(*root);
    view = std::make_unique<view::CTarnoView>(*document, *root, &toolbar);
    ASSERT_TRUE(view->IsCreated());
}

void ViewTest::TearDown() {
    view.reset();
    document.reset();
}

void ViewTest::ShowAt(int width, int height) {
    view->resize(width, height);
    view->show();
    QApplication::processEvents();
}

bool ViewTest::Open(const std::string& path) {
    if (!document->OnOpenDocument(path)) return false;
    view->OnInitialUpdate();
    return true;
}

rm::D3DVECTOR ViewTest::CameraPosition() const {
    rm::D3DVECTOR position;
    EXPECT_EQ(view->Camera()->GetPosition(document->m_pSceneFrame.get(), position), rm::Result::Ok);
    return position;
}

const rm::Matrix4& ViewTest::ModelTransform() const {
    return document->m_pModelFrame->LocalTransform();
}

namespace {

void SendMouse(QWidget& widget, QEvent::Type type, QPoint p, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(p), QPointF(widget.mapToGlobal(p)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

}  // namespace

void ViewTest::Press(QPoint p, Qt::MouseButton button) {
    SendMouse(*view, QEvent::MouseButtonPress, p, button, button);
}

void ViewTest::Release(QPoint p, Qt::MouseButton button) {
    SendMouse(*view, QEvent::MouseButtonRelease, p, button, Qt::NoButton);
}

void ViewTest::Move(QPoint p, Qt::MouseButtons held) {
    SendMouse(*view, QEvent::MouseMove, p, Qt::NoButton, held);
}

void ViewTest::KeyDown(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(view.get(), &event);
}

void ViewTest::KeyUp(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    QKeyEvent event(QEvent::KeyRelease, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(view.get(), &event);
}

void ExpectPosition(const rm::D3DVECTOR& actual, float x, float y, float z) {
    EXPECT_EQ(actual.x, x);
    EXPECT_EQ(actual.y, y);
    EXPECT_EQ(actual.z, z);
}

}  // namespace view_test
