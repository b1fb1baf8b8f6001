#pragma once
// Command and resource identifiers of the window. The numbers are the ones the menus,
// the toolbar, the accelerators and the string table are keyed by.

namespace res {

inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDC_HAND_CURSOR = 145;

inline constexpr int ID_SECTION_1 = 32771;
inline constexpr int ID_SECTION_2 = 32772;
inline constexpr int ID_SECTION_3 = 32773;
inline constexpr int ID_SECTION_4 = 32774;
inline constexpr int ID_SECTION_5 = 32775;
inline constexpr int ID_SECTION_6 = 32776;
inline constexpr int ID_SECTION_ALL = 32777;
inline constexpr int ID_ZOOM_OUT = 32782;
inline constexpr int ID_ZOOM_IN = 32784;
inline constexpr int ID_RENDER_MODEL = 32785;
inline constexpr int ID_WIREFRAME_MODEL = 32786;
inline constexpr int ID_UP = 32787;
inline constexpr int ID_DOWN = 32788;
inline constexpr int ID_LEFT = 32789;
inline constexpr int ID_RIGHT = 32790;
inline constexpr int ID_RELOAD = 32792;

inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_FILE_MRU_LAST = 57631;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;

}  // namespace res
