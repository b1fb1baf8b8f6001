// A model slow to draw does not hold the window: keys and a resize are handled while its
// frame is drawn, stale frames give way, the picture at the end is the one of the last
// state, and the program ends cleanly with a frame still being drawn.

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <string>

#include "app/main_frame.h"
#include "platform/rm/revision.h"
#include "tests/app/app_test_support.h"
#include "view/tarno_view.h"

namespace {

using app_test::AppTest;

// Large squares all around the start camera's line of sight, each covering the whole
// view: every pixel is drawn over many times.
std::string WriteSlowModel(int squares) {
    const std::string path = tarno_test::ScratchDir("slow_frame") + "/slow.api";
    std::ofstream out(path, std::ios::binary);
    std::uint32_t seed = 12345;
    for (int block = 0; block * 1024 < squares; ++block) {
        const int count = std::min(1024, squares - block * 1024);
        out << "Points( 0\r\n";
        for (int q = 0; q < count; ++q) {
            seed = seed * 1103515245U + 12345U;
            const int z = static_cast<int>(seed % 400U) - 100;
            const int h = 150 + static_cast<int>((seed >> 9) % 200U);
            out << -h << ' ' << h << ' ' << z << "\r\n"
                << h << ' ' << h << ' ' << z << "\r\n"
                << h << ' ' << -h << ' ' << z << "\r\n"
                << -h << ' ' << -h << ' ' << z << "\r\n";
        }
        out << ")\r\n";
        for (int q = 0; q < count; ++q) {
            if (q % 64 == 0) out << "SurfaceColor( " << (q / 64) % 23 << " F0 )\r\n";
            out << "Poly( A " << q * 4 << ' ' << q * 4 + 1 << ' ' << q * 4 + 2 << ' ' << q * 4 + 3
                << " )\r\n";
        }
    }
    out << "EndA\r\n";
    return path;
}

// Runs `steps` one per pass of the loop, then waits until the view shows what a
// synchronous render of the final state shows; false in `matched` after `limitMs`.
struct Script {
    std::vector<std::function<void()>> steps;
    std::size_t next = 0;
    bool matched = false;
};

void RunScript(app::CTarnoApp& theApp, view::CTarnoView& view, Script& script, int limitMs) {
    QTimer::singleShot(limitMs, [] { QCoreApplication::exit(0); });
    std::function<void()> step;
    step = [&] {
        if (script.next < script.steps.size()) {
            script.steps[script.next++]();
            QTimer::singleShot(0, step);
            return;
        }
        const QImage shown = view.PresentedImage();
        if (!shown.isNull() && shown.size() == view.SurfaceSizeForWidget() &&
            theApp.m_pRoot->DrawsInBackground() &&
            view.Viewport()->DrawnRevision() == rm::CurrentRevision()) {
            script.matched = shown == view.RenderPicture(shown.width(), shown.height());
            QCoreApplication::exit(0);
            return;
        }
        QTimer::singleShot(20, step);
    };
    QTimer::singleShot(100, step);
    EXPECT_EQ(theApp.Run(), 0);
}

TEST_F(AppTest, KeysAndResizeAreHandledWhileASlowFrameIsDrawn) {
    ASSERT_TRUE(Start({QString::fromStdString(WriteSlowModel(3000))}));
    view::CTarnoView& view = Frame().GetActiveView();
    const auto key = [&view](Qt::Key k) {
        const Qt::KeyboardModifiers mods = k == Qt::Key_Plus ? Qt::KeypadModifier : Qt::NoModifier;
        return [&view, k, mods] {
            QTest::keyPress(&view, k, mods);
            QTest::keyRelease(&view, k, mods);
        };
    };
    Script script;
    script.steps = {
        key(Qt::Key_Plus), key(Qt::Key_Plus),
        key(Qt::Key_Left), [&] { Frame().resize(Frame().width() + 40, Frame().height() + 30); },
        key(Qt::Key_Plus), key(Qt::Key_Up)};
    RunScript(*theApp, view, script, 120000);
    EXPECT_EQ(script.next, script.steps.size()) << "not every input was handled";
    EXPECT_TRUE(script.matched) << "the last picture is not the one of the last state";
    // The resize put the camera back at its start; the two inputs after it count.
    rm::D3DVECTOR position;
    ASSERT_EQ(view.Camera()->GetPosition(theApp->GetDocument()->m_pSceneFrame.get(), position),
              rm::Result::Ok);
    EXPECT_FLOAT_EQ(position.x, 0.0F);
    EXPECT_FLOAT_EQ(position.y, -10.0F);
    EXPECT_FLOAT_EQ(position.z, -190.0F);
}

TEST_F(AppTest, EndsCleanlyWithASlowFrameInFlight) {
    ASSERT_TRUE(Start({QString::fromStdString(WriteSlowModel(3000))}));
    view::CTarnoView& view = Frame().GetActiveView();
    QTimer::singleShot(100, [&] {
        QTest::keyPress(&view, Qt::Key_Plus, Qt::KeypadModifier);
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    });
    EXPECT_EQ(theApp->Run(), 0);
    EXPECT_FALSE(theApp->m_pRoot->DrawsInBackground());
    // Drawing in the step works again after the loop.
    EXPECT_TRUE(theApp->RenderStep());
}

}  // namespace
