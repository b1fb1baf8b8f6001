// Turning the model with the mouse, the drag cursor, the wheel and dropped files.

#include <QBitmap>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>

#include "res/hand_cursor.h"
#include "tests/support/qt_app.h"
#include "tests/view/view_test_support.h"
#include "view/drag_turn.h"
#include "view/hand_cursor.h"

namespace view_test {
namespace {

constexpr float kTolerance = 1e-5F;

// The angle of a rotation matrix, from its trace.
double AngleOf(const rm::Matrix4& m) {
    const double trace = m.m[0][0] + m.m[1][1] + m.m[2][2];
    return std::acos(std::clamp((trace - 1.0) / 2.0, -1.0, 1.0));
}

void ExpectMatrixNear(const rm::Matrix4& actual, const rm::Matrix4& expected) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], kTolerance) << r << "," << c;
        }
    }
}

void ExpectIdentity(const rm::Matrix4& m) {
    ExpectMatrixNear(m, rm::Matrix4::Identity());
}

float MaxDifference(const rm::Matrix4& a, const rm::Matrix4& b) {
    float most = 0.0F;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a.m[r][c] - b.m[r][c]));
    }
    return most;
}

class MouseTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        ShowAt(200, 150);
        ASSERT_EQ(view->size(), QSize(200, 150));
    }
};

TEST_F(MouseTest, PressAndReleaseWithoutMovingTurnsNothing) {
    Press({40, 40});
    EXPECT_TRUE(view->IsDragging());
    Release({40, 40});
    EXPECT_FALSE(view->IsDragging());
    ExpectIdentity(ModelTransform());
}

TEST_F(MouseTest, FirstMoveOnlyRecordsThenThreeRightFourDownTurnsPointThreeFive) {
    Press({40, 40});
    Move({40, 40});
    ExpectIdentity(ModelTransform());
    EXPECT_EQ(view->LastDragPoint(), QPoint(40, 40));

    Move({43, 44});
    const rm::Matrix4& m = ModelTransform();
    EXPECT_NEAR(AngleOf(m), 0.35, 1e-5);
    // dx = -3, dy = -4: the axis is (dy, dx, 0), which the turn leaves where it is.
    const rm::D3DVECTOR axis{-0.8F, -0.6F, 0.0F};
    const rm::D3DVECTOR image = m.TransformDirection(axis);
    EXPECT_NEAR(image.x, axis.x, kTolerance);
    EXPECT_NEAR(image.y, axis.y, kTolerance);
    EXPECT_NEAR(image.z, axis.z, kTolerance);
    // And in the layer's own sense of rotation (a reversed sign would match the two above).
    ExpectMatrixNear(m, rm::Matrix4::Rotation(axis, 0.35F));
    EXPECT_EQ(view->LastDragPoint(), QPoint(43, 44));
}

TEST_F(MouseTest, TurnsComposeInSceneCoordinates) {
    Press({10, 10});
    Move({10, 10});
    Move({11, 10});  // one pixel right: 0.05 rad about -y
    Move({11, 12});  // two pixels down: 0.1 rad about -x, applied after the first
    const rm::Matrix4 first = rm::Matrix4::Rotation({0, -1, 0}, 0.05F);
    const rm::Matrix4 second = rm::Matrix4::Rotation({-1, 0, 0}, 0.1F);
    ExpectMatrixNear(ModelTransform(), first * second);
}

TEST_F(MouseTest, ThePointZeroZeroCountsAsNoStoredPosition) {
    Press({5, 5});
    Move({5, 5});
    Move({0, 0});  // turns by the way from (5, 5), then stores (0, 0)...
    const rm::Matrix4 afterCorner = ModelTransform();
    EXPECT_NEAR(AngleOf(afterCorner), 0.5, 1e-5);
    Move({3, 4});  // ...which reads as none stored: this move only records
    ExpectMatrixNear(ModelTransform(), afterCorner);
    Move({4, 4});
    EXPECT_GT(MaxDifference(ModelTransform(), afterCorner), 0.01F);
}

TEST_F(MouseTest, LeavingTheViewEndsTheDragAndComingBackDoesNotResumeIt) {
    Press({100, 70});
    Move({100, 70});
    Move({150, 70});
    const rm::Matrix4 turned = ModelTransform();
    Move({200, 70});  // the right edge is outside
    EXPECT_FALSE(view->IsDragging());
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(view->LastDragPoint(), QPoint(0, 0));
    Move({150, 70});
    Move({120, 70});
    EXPECT_EQ(ModelTransform(), turned);
    Release({120, 70});

    // Left and top edges are inside.
    Press({0, 10});
    Move({0, 10});
    Move({0, 20});
    EXPECT_TRUE(view->IsDragging());
    Move({-1, 20});
    EXPECT_FALSE(view->IsDragging());
}

TEST_F(MouseTest, RightButtonStopsTurningUntilTheNextLeftPress) {
    Press({50, 50});
    Move({50, 50});
    Move({60, 50});
    const rm::Matrix4 turned = ModelTransform();
    Press({60, 50}, Qt::RightButton);
    EXPECT_FALSE(view->IsDragging());
    Move({80, 60}, Qt::LeftButton | Qt::RightButton);
    Move({90, 70}, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(ModelTransform(), turned);
    Release({90, 70}, Qt::RightButton);
    Release({90, 70});

    Press({90, 70});
    Move({90, 70});
    Move({95, 70});
    EXPECT_GT(MaxDifference(ModelTransform(), turned), 0.01F);
}

TEST_F(MouseTest, TheHandShowsWhileDraggingAndTheArrowOtherwise) {
    Move({30, 30}, Qt::NoButton);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
    Press({30, 30});
    ASSERT_EQ(view->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(view->cursor().hotSpot(), QPoint(9, 10));
    Move({35, 35});
    EXPECT_EQ(view->cursor().shape(), Qt::BitmapCursor);
    Release({35, 35});
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);

    // A view closed in the middle of a drag leaves the module's flag at "hand"; the next
    // view's first press must still show the hand.
    Press({35, 35});
    view.reset();
    view = std::make_unique<view::CTarnoView>(*document, *root, &toolbar);
    ShowAt(100, 100);
    Press({20, 20});
    EXPECT_EQ(view->cursor().shape(), Qt::BitmapCursor);
}

TEST(HandCursor, IsA32By32MonochromeHandWithItsHotSpotOnTheHand) {
    tarno_test::EnsureQtApp();
    const QCursor cursor = view::MakeHandCursor();
    const QImage bitmap = cursor.bitmap().toImage();
    const QImage mask = cursor.mask().toImage();
    ASSERT_EQ(bitmap.size(), QSize(32, 32));
    ASSERT_EQ(mask.size(), QSize(32, 32));
    EXPECT_EQ(cursor.hotSpot(), QPoint(9, 10));
    EXPECT_EQ(bitmap.depth(), 1);

    // The art is 32 rows of 32; the outline is black, the inside white, and the hot spot
    // lies inside the hand.
    ASSERT_EQ(res::kHandCursorArt.size(), 32U);
    int black = 0;
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        ASSERT_EQ(res::kHandCursorArt[static_cast<std::size_t>(y)].size(), 32U) << y;
        for (int x = 0; x < 32; ++x) {
            const char c =
                res::kHandCursorArt[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            const bool opaque = mask.pixelIndex(x, y) != mask.pixelIndex(0, 0);
            const bool dark = bitmap.pixelIndex(x, y) != bitmap.pixelIndex(0, 0);
            EXPECT_EQ(opaque, c != ' ') << x << "," << y;
            EXPECT_EQ(dark, c == '#') << x << "," << y;
            black += c == '#';
            white += c == '.';
        }
    }
    EXPECT_GT(black, 60);
    EXPECT_GT(white, 150);
    EXPECT_EQ(res::kHandCursorArt[10][9], '.');
}

TEST(DragTurn, AxisCrossesTheMotionAndAngleFollowsThePathLength) {
    const rm::D3DVECTOR none{};
    // Horizontal travel turns about the vertical axis, vertical about the horizontal.
    view::DragTurn t = view::TurnForMove(10, 10, 13, 10, none, 0.0F);
    EXPECT_EQ(t.axis, (rm::D3DVECTOR{0, -3, 0}));
    EXPECT_FLOAT_EQ(t.theta, 0.15F);
    t = view::TurnForMove(10, 10, 10, 6, none, 0.0F);
    EXPECT_EQ(t.axis, (rm::D3DVECTOR{4, 0, 0}));
    EXPECT_FLOAT_EQ(t.theta, 0.2F);
    // The read-back z stays; with nothing stored the read-back turn is used unchanged
    // (its first two components exchanged).
    t = view::TurnForMove(10, 10, 12, 12, {0, 0, 0.5F}, 1.0F);
    EXPECT_EQ(t.axis, (rm::D3DVECTOR{-2, -2, 0.5F}));
    t = view::TurnForMove(0, 0, 12, 12, {1, 2, 3}, 0.7F);
    EXPECT_EQ(t.axis, (rm::D3DVECTOR{2, 1, 3}));
    EXPECT_FLOAT_EQ(t.theta, 0.7F);
    // Computed in double, stored in single: 7 * 0.05.
    t = view::TurnForMove(40, 40, 43, 44, none, 0.0F);
    EXPECT_EQ(t.theta, static_cast<float>(7 * 0.05));
}

// --- wheel ------------------------------------------------------------------------------

void Wheel(QWidget& widget, int delta) {
    QWheelEvent event(QPointF(20, 20), QPointF(widget.mapToGlobal(QPoint(20, 20))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

TEST_F(MouseTest, WheelZoomsOneStepPerNotch) {
    Wheel(*view, 120);
    ExpectPosition(CameraPosition(), 0, 0, -190);
    Wheel(*view, -240);
    ExpectPosition(CameraPosition(), 0, 0, -210);
    // Half notches add up; a turn of direction starts afresh.
    Wheel(*view, 60);
    ExpectPosition(CameraPosition(), 0, 0, -210);
    Wheel(*view, 60);
    ExpectPosition(CameraPosition(), 0, 0, -200);
    Wheel(*view, 90);
    Wheel(*view, -90);
    Wheel(*view, 90);
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

// --- drop -------------------------------------------------------------------------------

bool Drop(QWidget& widget, const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &drop);
    return drop.isAccepted();
}

TEST_F(MouseTest, DroppedApiFileGoesToTheFrameWhenItListens) {
    QString requested;
    QObject::connect(view.get(), &view::CTarnoView::OpenFileRequested,
                     [&requested](const QString& path) { requested = path; });
    const QString path = QString::fromStdString(ExamplePath("house.api"));
    EXPECT_TRUE(Drop(*view, path));
    EXPECT_EQ(requested, path);
    EXPECT_TRUE(document->GetPathName().empty());
}

TEST_F(MouseTest, DroppedApiFileOpensDirectlyWithNobodyListening) {
    view->OnZoomIn();
    const std::string path = WriteApi("Dropped.API", {"POINTS ( 0", "0 0 0", "20 0 0", "0 20 0",
                                                      ")", "POLY ( A 0 1 2 )", "ENDA"});
    EXPECT_TRUE(Drop(*view, QString::fromStdString(path)));
    EXPECT_EQ(document->GetPathName(), path);
    EXPECT_EQ(document->m_pMeshBuilder->GetFaceCount(), 1U);
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

TEST_F(MouseTest, OtherDroppedFilesAreRefused) {
    const std::string path = WriteApi("notes.txt", {"POINTS ( 0", ")"});
    EXPECT_FALSE(Drop(*view, QString::fromStdString(path)));
    EXPECT_TRUE(document->GetPathName().empty());
}

}  // namespace
}  // namespace view_test
