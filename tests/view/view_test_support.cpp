#include "tests/view/view_test_support.h"

#include <QKeyEvent>

#include "tests/support/qt_app.h"
#include "tests/support/scratch.h"

namespace view_test {

bool FakeToolbar::IsPressed(int id) const {
    bool pressed = false;
    for (const auto& [callId, callPressed] : calls) {
        if (callId == id) pressed = callPressed;
    }
    return pressed;
}

std::string WriteApi(const std::string& name, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return tarno_test::WriteTemp(name, text);
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
    tarno_test::EnsureQtApp();
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
