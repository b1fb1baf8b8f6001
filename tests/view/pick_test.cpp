// Framing with Home and a double-click on the background, leading from a face to its file
// line with a double-click, and panning with the middle button.

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <algorithm>

#include "tests/view/view_test_support.h"

namespace view_test {
namespace {

// A 60 by 60 square (line 5) with a 20 by 20 one in front of it (line 6), both facing the
// camera; far smaller than the start camera's view.
const std::vector<std::string> kSquares = {
    "SurfaceColor ( 05 0 )",                                               // 1
    "Points ( 0",                                                          // 2
    "-3 -3 0  3 -3 0  3 3 0  -3 3 0  -1 -1 -2  1 -1 -2  1 1 -2  -1 1 -2",  // 3
    ")",                                                                   // 4
    "Poly ( AI 0 1 2 3 )",                                                 // 5
    "  Poly ( A 4 5 6 7 )\t; the small one",                               // 6
    "EndA",
};

class PickTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        ShowAt(200, 150);
        path = WriteApi("squares.api", kSquares);
        ASSERT_TRUE(Open(path));
    }
    QImage Picture() {
        EXPECT_EQ(root->Tick(1.0F), rm::Result::Ok);
        return view->PresentedImage();
    }
    void DoubleClick(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        // What a double-click delivers: press, release, double-click, release.
        Press(p, button);
        Release(p, button);
        QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(p), QPointF(view->mapToGlobal(p)),
                          button, button, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
        Release(p, button);
    }
    std::string path;
};

TEST_F(PickTest, HomeFramesTheModelAndKeepsItsTurn) {
    const int speck = ForegroundPixels(Picture());
    ASSERT_GT(speck, 0);
    // A turn first: framing must keep it.
    Press({50, 50});
    Move({52, 50});
    Move({60, 50});
    Release({60, 50});
    const rm::Matrix4 turned = ModelTransform();
    KeyDown(Qt::Key_Home);
    KeyUp(Qt::Key_Home);
    EXPECT_EQ(ModelTransform(), turned);
    const int framed = ForegroundPixels(Picture());
    EXPECT_GT(framed, speck * 20);
    // The camera looks the same way as before.
    const rm::Matrix4 camera = view->Camera()->WorldTransform();
    EXPECT_EQ(camera.m[2][2], 1.0F);
    EXPECT_EQ(camera.m[0][0], 1.0F);
    // Home needs no toolbar button; no other key started to do anything.
    EXPECT_TRUE(toolbar.calls.empty() || std::all_of(toolbar.calls.begin(), toolbar.calls.end(),
                                                     [](const auto& c) { return !c.second; }));
}

TEST_F(PickTest, HomeOnAnEmptyModelDoesNothing) {
    const std::string empty = WriteApi("empty.api", {"; nothing", "EndA"});
    ASSERT_TRUE(Open(empty));
    KeyDown(Qt::Key_Home);
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

TEST_F(PickTest, DoubleClickOnAFaceShowsItsLineCopiesItAndHighlightsIt) {
    QSignalSpy messages(view.get(), &view::CTarnoView::StatusMessage);
    KeyDown(Qt::Key_Home);
    const QImage before = Picture();
    const QPoint centre(100, 75);
    DoubleClick(centre);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(),
              QStringLiteral("Line 6: Poly ( A 4 5 6 7 ) ; the small one"));
    EXPECT_GT(messages.at(0).at(1).toInt(), 1000);  // a few seconds, then "Ready"
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(path) + ":6");
    EXPECT_EQ(view->LineAt(centre.x(), centre.y()), 6U);
    // The small square shows highlighted; the big one around it does not.
    ASSERT_TRUE(view->HasHighlight());
    const QImage lit = Picture();
    EXPECT_NE(lit.pixel(centre), before.pixel(centre));
    EXPECT_NE(before.pixel(45, 75), before.pixel(0, 0));  // the big square is there
    EXPECT_EQ(lit.pixel(45, 75), before.pixel(45, 75));
    EXPECT_EQ(view->LineAt(45, 75), 5U);
    // Any key ends it.
    KeyDown(Qt::Key_Shift);
    EXPECT_FALSE(view->HasHighlight());
    EXPECT_EQ(Picture().pixel(centre), before.pixel(centre));
    // So does any click, and any load.
    DoubleClick(centre);
    ASSERT_TRUE(view->HasHighlight());
    Press({10, 10}, Qt::RightButton);
    EXPECT_FALSE(view->HasHighlight());
    EXPECT_EQ(Picture().pixel(centre), before.pixel(centre));
    DoubleClick(centre);
    view->OnReload();
    EXPECT_FALSE(view->HasHighlight());
    EXPECT_EQ(Picture().pixel(centre), before.pixel(centre));
}

TEST_F(PickTest, DoubleClickOnTheBackgroundFramesTheModel) {
    QSignalSpy messages(view.get(), &view::CTarnoView::StatusMessage);
    const int speck = ForegroundPixels(Picture());
    DoubleClick({5, 5});
    EXPECT_EQ(messages.count(), 0);
    EXPECT_FALSE(view->HasHighlight());
    EXPECT_GT(ForegroundPixels(Picture()), speck * 20);
    // Framed twice in a row, the camera stays where it is.
    const rm::D3DVECTOR framed = CameraPosition();
    DoubleClick({5, 5});
    EXPECT_NEAR(CameraPosition().z, framed.z, 1e-3);
}

TEST_F(PickTest, MiddleDragPansSoTheModelFollowsThePointer) {
    Press({100, 75}, Qt::MiddleButton);
    Move({130, 60}, Qt::MiddleButton);
    // At the scene origin's depth (200) one pixel is 200 / 150 units: the camera moves
    // against the pointer, so the model goes with it.
    const rm::D3DVECTOR moved = CameraPosition();
    EXPECT_NEAR(moved.x, -40.0F, 1e-3);
    EXPECT_NEAR(moved.y, -20.0F, 1e-3);
    EXPECT_EQ(moved.z, -200.0F);
    EXPECT_EQ(ModelTransform(), rm::Matrix4::Identity());
    EXPECT_FALSE(view->IsDragging());
    Release({130, 60}, Qt::MiddleButton);
    Move({10, 10}, Qt::NoButton);
    EXPECT_EQ(CameraPosition().x, moved.x);
    // The left button still turns, and pans nothing.
    Press({50, 50});
    Move({55, 50});
    Move({70, 50});
    Release({70, 50});
    EXPECT_EQ(CameraPosition().x, moved.x);
}

}  // namespace
}  // namespace view_test
