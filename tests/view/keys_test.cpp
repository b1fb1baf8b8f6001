// Arrow keys and the keypad's plus and minus: camera moves and toolbar buttons.

#include "res/resource_ids.h"
#include "tests/view/view_test_support.h"
#include "view/key_commands.h"

namespace view_test {
namespace {

using KeysTest = ViewTest;

TEST_F(KeysTest, ArrowsAndKeypadPlusMinusMoveTheCameraAndPressTheirButton) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int button;
        rm::D3DVECTOR change;
    };
    const Case cases[] = {
        {Qt::Key_Left, Qt::NoModifier, res::ID_LEFT, {10, 0, 0}},
        {Qt::Key_Right, Qt::NoModifier, res::ID_RIGHT, {-10, 0, 0}},
        {Qt::Key_Up, Qt::NoModifier, res::ID_UP, {0, -10, 0}},
        {Qt::Key_Down, Qt::NoModifier, res::ID_DOWN, {0, 10, 0}},
        {Qt::Key_Plus, Qt::KeypadModifier, res::ID_ZOOM_IN, {0, 0, 10}},
        {Qt::Key_Minus, Qt::KeypadModifier, res::ID_ZOOM_OUT, {0, 0, -10}},
        // The keypad's arrows with Num Lock off, and Shift or Ctrl held, pan all the same.
        {Qt::Key_Left, Qt::KeypadModifier, res::ID_LEFT, {10, 0, 0}},
        {Qt::Key_Down, Qt::ShiftModifier, res::ID_DOWN, {0, 10, 0}},
        {Qt::Key_Up, Qt::ControlModifier, res::ID_UP, {0, -10, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        toolbar.calls.clear();
        const rm::D3DVECTOR before = CameraPosition();
        KeyDown(c.key, c.modifiers);
        ExpectPosition(CameraPosition(), before.x + c.change.x, before.y + c.change.y,
                       before.z + c.change.z);
        ASSERT_EQ(toolbar.calls.size(), 1U);
        EXPECT_EQ(toolbar.calls[0], std::pair(c.button, true));
        KeyUp(c.key, c.modifiers);
        EXPECT_FALSE(toolbar.IsPressed(c.button));
    }
}

TEST_F(KeysTest, MainKeyboardPlusMinusAndOtherKeysDoNothing) {
    for (const auto& [key, modifiers] :
         {std::pair{int{Qt::Key_Plus}, Qt::KeyboardModifiers{Qt::ShiftModifier}},
          std::pair{int{Qt::Key_Plus}, Qt::KeyboardModifiers{}},
          std::pair{int{Qt::Key_Minus}, Qt::KeyboardModifiers{}},
          std::pair{int{Qt::Key_Equal}, Qt::KeyboardModifiers{}},
          std::pair{int{Qt::Key_A}, Qt::KeyboardModifiers{}},
          std::pair{int{Qt::Key_Asterisk}, Qt::KeyboardModifiers{Qt::KeypadModifier}},
          std::pair{int{Qt::Key_Left}, Qt::KeyboardModifiers{Qt::AltModifier}}}) {
        KeyDown(key, modifiers);
        EXPECT_EQ(view::CommandForKey(key, modifiers), 0) << key;
    }
    ExpectPosition(CameraPosition(), 0, 0, -200);
    EXPECT_TRUE(toolbar.calls.empty());
}

TEST_F(KeysTest, ReleasingAnyKeyUnpressesAllSixButtonsInOrder) {
    KeyDown(Qt::Key_Left);
    toolbar.calls.clear();
    KeyUp(Qt::Key_Shift);
    const std::vector<std::pair<int, bool>> expected = {
        {res::ID_ZOOM_IN, false}, {res::ID_ZOOM_OUT, false}, {res::ID_LEFT, false},
        {res::ID_RIGHT, false},   {res::ID_UP, false},       {res::ID_DOWN, false}};
    EXPECT_EQ(toolbar.calls, expected);
}

TEST_F(KeysTest, HeldKeyRepeatsTheCommandAndKeepsItsButtonPressed) {
    KeyDown(Qt::Key_Left);
    for (int i = 0; i < 4; ++i) {
        // What auto-repeat delivers: a release and a press, both flagged as repeats.
        KeyUp(Qt::Key_Left, Qt::NoModifier, true);
        KeyDown(Qt::Key_Left, Qt::NoModifier, true);
        EXPECT_TRUE(toolbar.IsPressed(res::ID_LEFT));
    }
    ExpectPosition(CameraPosition(), 50, 0, -200);
    KeyUp(Qt::Key_Left);
    EXPECT_FALSE(toolbar.IsPressed(res::ID_LEFT));
}

TEST_F(KeysTest, KeysWorkWithoutAToolbar) {
    view.reset();
    view = std::make_unique<view::CTarnoView>(*document, *root, nullptr);
    KeyDown(Qt::Key_Plus, Qt::KeypadModifier);
    KeyUp(Qt::Key_Plus, Qt::KeypadModifier);
    ExpectPosition(CameraPosition(), 0, 0, -190);
}

}  // namespace
}  // namespace view_test
