#pragma once
// Command routing as the window uses it: a command id goes to the view first, then the
// document, the frame and the application; the first target that handles it wins. Before
// a menu opens and when idle, each target's update handler enables and checks the
// command's menu items and toolbar buttons; a command nobody handles is grayed.

namespace view {

// What an update handler sets for one command.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_id(id) {}
    [[nodiscard]] int GetID() const { return m_id; }
    void Enable(bool on = true) {
        m_enabled = on;
        m_handled = true;
    }
    void SetCheck(bool on = true) { m_checked = on; }
    void SetRadio(bool on = true) {
        m_checked = on;
        m_radio = true;
    }
    void SetText(const char* text) { m_text = text; }
    [[nodiscard]] bool Handled() const { return m_handled; }
    [[nodiscard]] bool Enabled() const { return m_enabled; }
    [[nodiscard]] bool Checked() const { return m_checked; }
    [[nodiscard]] bool Radio() const { return m_radio; }
    [[nodiscard]] const char* Text() const { return m_text; }

private:
    int m_id;
    bool m_handled = false;
    bool m_enabled = false;
    bool m_checked = false;
    bool m_radio = false;
    const char* m_text = nullptr;
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // True when this target handled the command.
    virtual bool OnCommand(int id) = 0;
    // True when this target has an update handler for the command (it then sets `ui`).
    virtual bool OnUpdateCommandUI(CCmdUI& ui) = 0;
};

// The main frame's side of the toolbar that the view's key handlers press and release.
class ToolbarPresser {
public:
    virtual ~ToolbarPresser() = default;
    virtual void PressButton(int id, bool pressed) = 0;
};

}  // namespace view
