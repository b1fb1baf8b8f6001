// The render loop: it draws after input within the same pass, spends nothing while nothing
// changes, and ends the program when a tick fails.

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <ctime>

#include "app/main_frame.h"
#include "tests/app/app_test_support.h"
#include "view/tarno_view.h"

namespace {

using app_test::AppTest;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

TEST_F(AppTest, StaticModelCostsNothingWhileTheLoopWaits) {
    ASSERT_TRUE(Start({QString::fromStdString(tarno_test::ExamplePath("house.api"))}));
    std::uint64_t steps = 0;
    double cpu = 0.0;
    QTimer::singleShot(500, [&] {
        steps = theApp->RenderStepCount();
        cpu = CpuSeconds();
    });
    QTimer::singleShot(1500, [&] {
        steps = theApp->RenderStepCount() - steps;
        cpu = CpuSeconds() - cpu;
        QCoreApplication::exit(0);
    });
    EXPECT_EQ(theApp->Run(), 0);
    // A busy loop would run thousands of steps a second.
    EXPECT_LE(steps, 5U);
    EXPECT_LT(cpu, 0.05) << "seconds of processor time in one idle second";
}

TEST_F(AppTest, KeyPressIsOnScreenAfterOnePass) {
    ASSERT_TRUE(Start({QString::fromStdString(tarno_test::ExamplePath("house.api"))}));
    view::CTarnoView& view = Frame().GetActiveView();
    QImage before;
    bool changed = false;
    std::uint64_t stepsBetween = 0;
    QTimer::singleShot(300, [&] {
        before = view.PresentedImage().copy();
        stepsBetween = theApp->RenderStepCount();
        QTest::keyPress(&view, Qt::Key_Plus, Qt::KeypadModifier);
        QTest::keyRelease(&view, Qt::Key_Plus, Qt::KeypadModifier);
        // The next timer fires after the loop's next pass.
        QTimer::singleShot(0, [&] {
            changed = !before.isNull() && view.PresentedImage() != before;
            stepsBetween = theApp->RenderStepCount() - stepsBetween;
            QCoreApplication::exit(0);
        });
    });
    EXPECT_EQ(theApp->Run(), 0);
    EXPECT_TRUE(changed) << "the zoomed picture was not presented";
    EXPECT_GE(stepsBetween, 1U);
    EXPECT_LE(stepsBetween, 2U);
}

TEST_F(AppTest, FailingTickEndsTheLoop) {
    ASSERT_TRUE(Start());
    // A viewport whose window went away: presenting its next picture fails.
    rm::FramePtr camera;
    rm::ClipperPtr clipper;
    rm::DevicePtr device;
    rm::ViewportPtr viewport;
    auto target = std::make_shared<rm::RecordingTarget>();
    rm::Root& root = *theApp->m_pRoot;
    ASSERT_EQ(root.CreateFrame(theApp->GetDocument()->m_pSceneFrame, camera), rm::Result::Ok);
    ASSERT_EQ(rm::DirectDrawCreateClipper(0, clipper, nullptr), rm::Result::Ok);
    ASSERT_EQ(clipper->SetHWnd(0, target), rm::Result::Ok);
    ASSERT_EQ(root.CreateDeviceFromClipper(clipper, nullptr, 16, 16, device), rm::Result::Ok);
    ASSERT_EQ(root.CreateViewport(device, camera, 0, 0, 16, 16, viewport), rm::Result::Ok);
    target.reset();
    bool timedOut = false;
    QTimer::singleShot(3000, [&] {
        timedOut = true;
        QCoreApplication::exit(0);
    });
    EXPECT_NE(theApp->Run(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(theApp->RenderStep());
    EXPECT_EQ(theApp->GetDocument()->m_pSceneFrame->DeleteChild(camera.get()), rm::Result::Ok);
}

}  // namespace
