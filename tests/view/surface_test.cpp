// The view's render surface: creation, rebuilding at every size, release, what a tick and a
// paint show, the picture for printing, and device-pixel sizing on scaled screens.

#include <QCoreApplication>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdlib>

#include "tests/support/qt_app.h"
#include "tests/view/view_test_support.h"

namespace view_test {
namespace {

using SurfaceTest = ViewTest;

TEST_F(SurfaceTest, CreationBuildsAnEightByEightSurfaceWithTheCameraInTheScene) {
    ASSERT_TRUE(view->Device());
    EXPECT_EQ(view->Device()->GetWidth(), 8);
    EXPECT_EQ(view->Device()->GetHeight(), 8);
    ASSERT_TRUE(view->Viewport());
    EXPECT_EQ(view->Viewport()->GetCamera(), view->Camera());
    EXPECT_FLOAT_EQ(view->Viewport()->GetBack(), 5000.0F);
    EXPECT_EQ(view->Device()->GetQuality(), rm::D3DRMRENDER_GOURAUD);
    EXPECT_FALSE(view->Device()->GetDither());
    EXPECT_EQ(view->Camera()->GetParent(), document->m_pSceneFrame);
    // The clipper presents to this view's widget.
    ASSERT_TRUE(view->Clipper());
    EXPECT_TRUE(view->Clipper()->HasTarget());
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

TEST_F(SurfaceTest, EverySizeGetsASurfaceOfThatSizeButAtLeastEight) {
    ShowAt(320, 200);
    EXPECT_EQ(view->Device()->GetWidth(), 320);
    EXPECT_EQ(view->Device()->GetHeight(), 200);
    view->resize(3, 0);
    QApplication::processEvents();
    EXPECT_EQ(view->Device()->GetWidth(), 8);
    EXPECT_EQ(view->Device()->GetHeight(), 8);
    view->resize(640, 90);
    QApplication::processEvents();
    EXPECT_EQ(view->Device()->GetWidth(), 640);
    EXPECT_EQ(view->Device()->GetHeight(), 90);
    EXPECT_EQ(view->Viewport()->GetRect().width, 640);
    EXPECT_EQ(view->Viewport()->GetRect().height, 90);
}

TEST_F(SurfaceTest, ResizeReturnsTheCameraButKeepsTheModelsTurn) {
    ShowAt(200, 150);
    view->OnZoomIn();
    view->OnLeft();
    view->OnUp();
    Press({50, 50});
    Move({50, 50});
    Move({70, 60});
    Release({70, 60});
    const rm::Matrix4 turned = ModelTransform();
    ASSERT_NE(turned, rm::Matrix4::Identity());

    view->resize(260, 180);
    QApplication::processEvents();
    ExpectPosition(CameraPosition(), 0, 0, -200);
    EXPECT_EQ(ModelTransform(), turned);
}

TEST_F(SurfaceTest, ThousandsOfResizesLeaveOneCameraInTheScene) {
    ShowAt(100, 100);
    const std::size_t children = document->m_pSceneFrame->Children().size();
    for (int i = 0; i < 2000; ++i) {
        view->resize(40 + i % 7, 30 + i % 5);
        QApplication::processEvents();
    }
    EXPECT_EQ(document->m_pSceneFrame->Children().size(), children);
    // Closing the view takes its camera out of the scene too.
    view.reset();
    EXPECT_EQ(document->m_pSceneFrame->Children().size(), children - 1);
}

TEST_F(SurfaceTest, ATickAfterTheViewIsGoneDoesNotFail) {
    ShowAt(100, 100);
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    view.reset();
    EXPECT_EQ(document->m_pModelFrame->AddRotation(rm::D3DRMCOMBINETYPE::D3DRMCOMBINE_AFTER, 0, 1,
                                                   0, 0.1F),
              rm::Result::Ok);
    EXPECT_EQ(root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
}

TEST_F(SurfaceTest, TickPresentsTheSceneOnceAndPaintShowsIt) {
    ShowAt(160, 120);
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    const QImage first = view->PresentedImage();
    ASSERT_EQ(first.size(), QSize(160, 120));
    EXPECT_GT(ForegroundPixels(first), 500);
    // Nothing changed: the next tick draws nothing.
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);

    // A paint shows what was presented.
    const QImage painted = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(painted, first);

    // After a command and before the next tick, a paint already shows the new picture, and
    // the tick then has nothing left to draw.
    view->OnZoomIn();
    view->OnZoomIn();
    const QImage closer = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(closer, first);
    EXPECT_GT(ForegroundPixels(closer), ForegroundPixels(first));
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(root->LastTickDrawCount(), 0);
    EXPECT_EQ(view->PresentedImage(), closer);
}

TEST_F(SurfaceTest, WireframeShowsFewerPixelsThanSolid) {
    ShowAt(160, 120);
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    const int solid = ForegroundPixels(view->PresentedImage());
    view->OnWireframeModel();
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    const int wire = ForegroundPixels(view->PresentedImage());
    EXPECT_GT(wire, 50);
    EXPECT_LT(wire, solid);
}

TEST_F(SurfaceTest, PictureForPrintingFollowsTheCameraAndDisturbsNothing) {
    ShowAt(160, 120);
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    const std::size_t children = document->m_pSceneFrame->Children().size();

    const QImage far = view->RenderPicture(300, 200);
    ASSERT_EQ(far.size(), QSize(300, 200));
    EXPECT_GT(ForegroundPixels(far), 1000);
    view->OnZoomIn();
    view->OnZoomIn();
    view->OnZoomIn();
    const QImage near = view->RenderPicture(300, 200);
    EXPECT_GT(ForegroundPixels(near), ForegroundPixels(far));
    ExpectPosition(CameraPosition(), 0, 0, -170);
    EXPECT_EQ(document->m_pSceneFrame->Children().size(), children);

    // The window's own picture is still its own size.
    ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
    EXPECT_EQ(view->PresentedImage().size(), QSize(160, 120));

    EXPECT_TRUE(view->RenderPicture(0, 100).isNull());
    EXPECT_TRUE(view->RenderPicture(100, -1).isNull());
}

TEST_F(SurfaceTest, AFailedRebuildIsRetriedAtTheNextSize) {
    ShowAt(100, 100);
    // Too wide for a device: the rebuild stops before the device.
    view->resize(20000, 10);
    QApplication::processEvents();
    EXPECT_FALSE(view->Device());
    view->OnZoomIn();  // harmless meanwhile
    view->resize(120, 90);
    QApplication::processEvents();
    ASSERT_TRUE(view->Device());
    EXPECT_EQ(view->Device()->GetWidth(), 120);
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

// --- scaled screens ---------------------------------------------------------------------
// The scale factor is read when the application object is made, so each factor runs in a
// child process of this test binary.

constexpr char kChildVariable[] = "TARNO_VIEW_HIDPI_CHILD";

TEST(ViewHiDpi, SurfaceIsSizedInDevicePixels) {
    if (std::getenv(kChildVariable) != nullptr) {
        // Child: the application is made here, with the parent's QT_SCALE_FACTOR.
        tarno_test::EnsureQtApp();
        rm::RootPtr root;
        ASSERT_EQ(rm::Direct3DRMCreate(root), rm::Result::Ok);
        doc::CTarnoDoc document(*root);
        ASSERT_TRUE(document.OnOpenDocument(ExamplePath("house.api")));
        view::CTarnoView view(document, *root, nullptr);
        view.resize(200, 120);
        view.show();
        QApplication::processEvents();
        const qreal ratio = view.devicePixelRatioF();
        const double factor = std::atof(std::getenv("QT_SCALE_FACTOR"));
        EXPECT_DOUBLE_EQ(ratio, factor);
        const QSize logical = view.size();
        const QSize expected(static_cast<int>(std::lround(logical.width() * ratio)),
                             static_cast<int>(std::lround(logical.height() * ratio)));
        ASSERT_TRUE(view.Device());
        EXPECT_EQ(view.Device()->GetWidth(), expected.width());
        EXPECT_EQ(view.Device()->GetHeight(), expected.height());
        ASSERT_EQ(root->Tick(1.0F), rm::Result::Ok);
        EXPECT_EQ(view.PresentedImage().size(), expected);
        // Painted one device pixel per picture pixel: the grab equals the picture.
        const QPixmap grabbed = view.grab();
        EXPECT_EQ(grabbed.size(), expected);
        EXPECT_EQ(grabbed.toImage().convertToFormat(QImage::Format_RGB32), view.PresentedImage());
        return;
    }
    tarno_test::EnsureQtApp();
    for (const char* factor : {"1.25", "1.5", "2"}) {
        SCOPED_TRACE(factor);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(factor));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ViewHiDpi.SurfaceIsSizedInDevicePixels")});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    }
}

}  // namespace
}  // namespace view_test
