#pragma once
// Shared set-up of the view's widget tests: one QApplication for the process, a root
// object, a document and a view on Qt's offscreen platform, and small event senders.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "doc/tarno_doc.h"
#include "platform/rm/root.h"
#include "tests/support/paths.h"
#include "view/command_target.h"
#include "view/tarno_view.h"

namespace view_test {

// A toolbar that records what the view pressed and released.
class FakeToolbar final : public view::ToolbarPresser {
public:
    void PressButton(int id, bool pressed) override { calls.emplace_back(id, pressed); }
    // The state a real toolbar would show for `id` after the calls so far.
    [[nodiscard]] bool IsPressed(int id) const;
    std::vector<std::pair<int, bool>> calls;
};

// A file in the test's scratch folder; `lines` are joined with CR LF, as .api files are.
std::string WriteApi(const std::string& name, const std::vector<std::string>& lines);
using tarno_test::CopyExample;
using tarno_test::ExamplePath;

// Pixels of `image` that differ from its corner pixel (the background).
int ForegroundPixels(const QImage& image);

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Shows the view at `width` by `height` (logical pixels) so it gets its real surface.
    void ShowAt(int width, int height);
    // Opens a file as File Open does: the document's open, then the view's first update.
    bool Open(const std::string& path);

    [[nodiscard]] rm::D3DVECTOR CameraPosition() const;
    [[nodiscard]] const rm::Matrix4& ModelTransform() const;

    // Mouse events at client point p.
    void Press(QPoint p, Qt::MouseButton button = Qt::LeftButton);
    void Release(QPoint p, Qt::MouseButton button = Qt::LeftButton);
    void Move(QPoint p, Qt::MouseButtons held = Qt::LeftButton);
    // Keys.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                 bool autoRepeat = false);
    void KeyUp(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false);

    rm::RootPtr root;
    std::unique_ptr<doc::CTarnoDoc> document;
    FakeToolbar toolbar;
    std::unique_ptr<view::CTarnoView> view;
};

// Expect two positions to be equal to the bit.
void ExpectPosition(const rm::D3DVECTOR& actual, float x, float y, float z);

}  // namespace view_test
