#pragma once
// The program's string table. A command's text is its status-bar prompt, then "\n", then
// its tooltip. All texts are UTF-8.

#include <string_view>

namespace res {

inline constexpr int IDS_APP_TITLE = 57344;  // application name: message-box caption
inline constexpr int IDS_IDLE_MESSAGE = 57345;
inline constexpr int IDS_UNTITLED = 0xF00F;  // the framework's name of an untitled document
inline constexpr int IDP_FAILED_TO_CREATE_DOC = 61700;

struct StringEntry {
    int id;
    std::string_view text;
};

// Document-template string 128: window title, document name, file-new name, filter name,
// filter extension, file-type id, file-type name.
inline constexpr std::string_view kDocTemplate =
    "TARNO (Scenery Object 3D Viewer)\n\nTarno\nApi File (*.api)\n.api\nTarno.Document\n"
    "Tarno Document";

inline constexpr StringEntry kStringTable[] = {
    {128, kDocTemplate},
    {32782, "Zoom out switch\nZoom out"},
    {32784, "Zoom in switch\nZoom in"},
    {32785, "Render model\nRender model"},
    {32786, "Wireframe model\nWireframe model"},
    {32787, "Up\nUp"},
    {32788, "Down\nDown"},
    {32789, "Left\nLeft"},
    {32790, "Right\nRight"},
    {32792, "Reload present file\nReload present file"},
    {IDS_APP_TITLE, "Tarno"},
    {IDS_IDLE_MESSAGE, "Ready"},
    // The framework's standard prompts for the commands the program reaches.
    {57600, "Create a new document\nNew"},
    {57601, "Api File Open\nOpen"},
    {57603, "Save the active document\nSave"},
    {57606, "Change the printer and printing options\nPrint Setup"},
    {57607, "Print the block data\nPrint"},
    {57608, "Print the active document using current options\nQuick Print"},
    {57609, "Display full pages\nPrint Preview"},
    {57616, "Open this document"},
    {57617, "Open this document"},
    {57618, "Open this document"},
    {57619, "Open this document"},
    {57634, "Copy the selection and put it on the Clipboard\nCopy"},
    {57635, "Cut the selection and put it on the Clipboard\nCut"},
    {57637, "Insert Clipboard contents\nPaste"},
    {57643, "Undo the last action\nUndo"},
    {57664, "Display program information, version number and copyright\nAbout"},
    {57665, "Quit the application\nExit"},
    {57680, "Switch to the next window pane\nNext Pane"},
    {57681, "Switch back to the previous window pane\nPrevious Pane"},
    {59392, "Show or hide the toolbar\nToggle ToolBar"},
    {59393, "Show or hide the status bar\nToggle StatusBar"},
    // The framework's Japanese texts that the window shows.
    {IDS_UNTITLED, "無題"},
    {IDP_FAILED_TO_CREATE_DOC, "空のﾄﾞｷｭﾒﾝﾄの作成に失敗しました。"},
};

// The text of `id`, or empty when the table has none.
[[nodiscard]] constexpr std::string_view LoadString(int id) {
    for (const StringEntry& e : kStringTable) {
        if (e.id == id) return e.text;
    }
    return {};
}

// Field `index` (0-based) of a "\n"-separated string; empty past the last field.
[[nodiscard]] constexpr std::string_view StringField(std::string_view text, int index) {
    while (index > 0) {
        const std::size_t nl = text.find('\n');
        if (nl == std::string_view::npos) return {};
        text.remove_prefix(nl + 1);
        --index;
    }
    return text.substr(0, text.find('\n'));
}

// The status-bar prompt and the tooltip of a command.
[[nodiscard]] constexpr std::string_view PromptOf(int id) {
    return StringField(LoadString(id), 0);
}
[[nodiscard]] constexpr std::string_view TooltipOf(int id) {
    return StringField(LoadString(id), 1);
}

// Texts of the framework that have no string id of their own in this program.
inline constexpr std::string_view kOpenDialogTitle = "開く";
inline constexpr std::string_view kAllFilesFilter = "すべてのﾌｧｲﾙ (*.*)";
inline constexpr std::string_view kDirectXMissing = "Please install DirectX 5 or later !";
inline constexpr std::string_view kRegistryKey = "Local AppWizard-Generated Applications";

// About box, template 100.
inline constexpr std::string_view kAboutCaption = "TARNO";
inline constexpr std::string_view kAboutName = "TARNO";
inline constexpr std::string_view kAboutVersion = "Scenery Object 3D Viewer Ver.1.0.0.5";

// Version record.
inline constexpr std::string_view kVersion = "1.0.0.5";
inline constexpr std::string_view kProductName = "Tarno Scenery Object 3D Viewer";

}  // namespace res
