#pragma once
// Menu 128, accelerator table 128 and toolbar 128, as data the main frame builds from.

#include <span>
#include <string_view>

#include "res/resource_ids.h"

namespace res {

inline constexpr int ID_SEPARATOR = 0;

struct MenuItem {
    int id;  // ID_SEPARATOR for a separator line
    std::string_view text;
    bool grayed = false;
};

struct MenuPopup {
    std::string_view text;
    std::span<const MenuItem> items;
};

inline constexpr MenuItem kFileMenu[] = {
    {ID_FILE_OPEN, "Api File &Open...\tCtrl+O"},
    {ID_SEPARATOR, {}},
    {ID_FILE_MRU_FILE1, "最新のﾌｧｲﾙ", true},
    {ID_SEPARATOR, {}},
    {ID_APP_EXIT, "E&xit"},
};

inline constexpr MenuItem kViewMenu[] = {
    {ID_SECTION_1, "Section-1 View"},
    {ID_SECTION_2, "Section-2 View"},
    {ID_SECTION_3, "Section-3 View"},
    {ID_SECTION_4, "Section-4 View"},
    {ID_SECTION_5, "Section-5 View"},
    {ID_SECTION_6, "Section-6 View"},
    {ID_SECTION_ALL, "Section 1-6 (All)"},
    {ID_SEPARATOR, {}},
    {ID_VIEW_TOOLBAR, "&Toolbar"},
    {ID_VIEW_STATUS_BAR, "&Status Bar"},
    {ID_SEPARATOR, {}},
};

inline constexpr MenuItem kHelpMenu[] = {
    {ID_APP_ABOUT, "&About TARNO..."},
};

inline constexpr MenuPopup kMainMenu[] = {
    {"&File", kFileMenu},
    {"&View", kViewMenu},
    {"&Help", kHelpMenu},
};

// Keys of the accelerator table, named as the virtual keys they are.
enum class VirtualKey { N, O, S, P, Z, X, C, V, Back, Delete, Insert, F6 };

struct Accelerator {
    VirtualKey key;
    bool ctrl;
    bool shift;
    bool alt;
    int id;
};

inline constexpr Accelerator kAccelerators[] = {
    {VirtualKey::N, true, false, false, ID_FILE_NEW},
    {VirtualKey::O, true, false, false, ID_FILE_OPEN},
    {VirtualKey::S, true, false, false, ID_FILE_SAVE},
    {VirtualKey::P, true, false, false, ID_FILE_PRINT},
    {VirtualKey::Z, true, false, false, ID_EDIT_UNDO},
    {VirtualKey::X, true, false, false, ID_EDIT_CUT},
    {VirtualKey::C, true, false, false, ID_EDIT_COPY},
    {VirtualKey::V, true, false, false, ID_EDIT_PASTE},
    {VirtualKey::Back, false, false, true, ID_EDIT_UNDO},
    {VirtualKey::Delete, false, true, false, ID_EDIT_CUT},
    {VirtualKey::Insert, true, false, false, ID_EDIT_COPY},
    {VirtualKey::Insert, false, true, false, ID_EDIT_PASTE},
    {VirtualKey::F6, false, false, false, ID_NEXT_PANE},
    {VirtualKey::F6, false, true, false, ID_PREV_PANE},
};

// Toolbar 128: buttons of 16 x 15 pixels in this order; ID_SEPARATOR marks a gap. The
// pictures are drawn in this order too, one per button.
inline constexpr int kToolbarButtonWidth = 16;
inline constexpr int kToolbarButtonHeight = 15;
inline constexpr int kToolbarButtons[] = {
    ID_FILE_OPEN, ID_RELOAD,       ID_SEPARATOR,       ID_ZOOM_IN,   ID_ZOOM_OUT,
    ID_SEPARATOR, ID_RENDER_MODEL, ID_WIREFRAME_MODEL, ID_SEPARATOR, ID_UP,
    ID_DOWN,      ID_LEFT,         ID_RIGHT,           ID_SEPARATOR, ID_APP_ABOUT,
};

// The recent-file list: entries in the menu and the length their names are shortened to.
inline constexpr int kRecentFileCount = 4;
inline constexpr int kRecentFileNameLength = 30;

}  // namespace res
