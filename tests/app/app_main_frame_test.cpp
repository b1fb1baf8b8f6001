// The main frame as a user meets it: menu 128, the accelerators, toolbar 128, the status
// bar's prompts, the caption, the recent files in the File menu, opening and saving.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "app/open_dialog.h"
#include "app/pictures.h"
#include "res/resource_ids.h"
#include "tests/app/app_test_support.h"
#include "view/tarno_view.h"

namespace {

using app_test::AppTest;

// One line per menu entry: "-" for a separator, "~" before a grayed item.
QStringList Describe(const QMenu& menu) {
    QStringList lines;
    for (const QAction* a : menu.actions()) {
        if (a->isSeparator()) {
            lines << QStringLiteral("-");
        } else {
            lines << (a->isEnabled() ? QString() : QStringLiteral("~")) + a->text();
        }
    }
    return lines;
}

QMenu* Popup(app::CMainFrame& frame, int index) {
    return frame.menuBar()->actions().at(index)->menu();
}

void ShowPopup(QMenu* menu) {
    emit menu->aboutToShow();
}

class FrameTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        Frame().resize(640, 480);
        QApplication::processEvents();
    }
    rm::D3DVECTOR Camera() {
        rm::D3DVECTOR p;
        EXPECT_EQ(Frame().GetActiveView().Camera()->GetPosition(
                      theApp->GetDocument()->m_pSceneFrame.get(), p),
                  rm::Result::Ok);
        return p;
    }
    // The file copied to the scratch folder, for tests that check it stays unchanged.
    std::string CopyOfHouse() {
        const std::string path = settingsDir + "/house.api";
        std::filesystem::copy_file(tarno_test::ExamplePath("house.api"), path,
                                   std::filesystem::copy_options::overwrite_existing);
        return path;
    }
};

TEST_F(FrameTest, MenuHasExactlyItsItemsInOrder) {
    QStringList top;
    for (const QAction* a : Frame().menuBar()->actions()) top << a->text();
    EXPECT_EQ(top, (QStringList{"&File", "&View", "&Help"}));

    for (int i = 0; i < 3; ++i) ShowPopup(Popup(Frame(), i));
    EXPECT_EQ(Describe(*Popup(Frame(), 0)),
              (QStringList{"Api File &Open...\tCtrl+O", "-", "~最新のﾌｧｲﾙ", "-", "E&xit"}));
    EXPECT_EQ(Describe(*Popup(Frame(), 1)),
              (QStringList{"~Section-1 View", "~Section-2 View", "~Section-3 View",
                           "~Section-4 View", "~Section-5 View", "~Section-6 View",
                           "~Section 1-6 (All)", "-", "&Toolbar", "&Status Bar", "-"}));
    EXPECT_EQ(Describe(*Popup(Frame(), 2)), QStringList{"&About TARNO..."});
    EXPECT_FALSE(Popup(Frame(), 1)->separatorsCollapsible()) << "the last separator must show";
}

TEST_F(FrameTest, SectionItemsCannotBeChosen) {
    for (int id = res::ID_SECTION_1; id <= res::ID_SECTION_ALL; ++id) {
        EXPECT_FALSE(Frame().RouteCommand(id)) << id;
        view::CCmdUI ui(id);
        EXPECT_FALSE(Frame().RouteCommandUI(ui)) << id;
    }
}

TEST_F(FrameTest, RecentFilesReplaceThePlaceholderNumberedAndShortened) {
    const std::string deep = settingsDir + "/a/rather/deep/folder/for/scenery";
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(tarno_test::ExamplePath("tower.api"), deep + "/tower.api");
    ASSERT_TRUE(theApp->OpenDocumentFile(QString::fromStdString(deep + "/tower.api")));
    ASSERT_TRUE(
        theApp->OpenDocumentFile(QString::fromStdString(tarno_test::ExamplePath("house.api"))));
    QMenu* file = Popup(Frame(), 0);
    ShowPopup(file);
    const QStringList lines = Describe(*file);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[1], QStringLiteral("-"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("&1 "))) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("house.api")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("&2 /.../"))) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("/scenery/tower.api")));
    EXPECT_LE(lines[3].size() - 3, 30);
    EXPECT_EQ(lines[4], QStringLiteral("-"));

    // Choosing an entry opens it.
    Frame().Action(res::ID_FILE_MRU_FILE1 + 1)->trigger();
    EXPECT_EQ(Frame().windowTitle(),
              QStringLiteral("tower.api - TARNO (Scenery Object 3D Viewer)"));
    // An entry whose file went away is dropped after its message.
    std::filesystem::remove(deep + "/tower.api");
    ShowPopup(file);
    Frame().Action(res::ID_FILE_MRU_FILE1)->trigger();
    EXPECT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(theApp->RecentFiles().Count(), 1);
}

TEST_F(FrameTest, AcceleratorTableIsExact) {
    const std::vector<std::pair<int, QList<QKeySequence>>> expected = {
        {res::ID_FILE_NEW, {QKeySequence("Ctrl+N")}},
        {res::ID_FILE_OPEN, {QKeySequence("Ctrl+O")}},
        {res::ID_FILE_SAVE, {QKeySequence("Ctrl+S")}},
        {res::ID_FILE_PRINT, {QKeySequence("Ctrl+P")}},
        {res::ID_EDIT_UNDO, {QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}},
        {res::ID_EDIT_CUT, {QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")}},
        {res::ID_EDIT_COPY, {QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}},
        {res::ID_EDIT_PASTE, {QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}},
        {res::ID_NEXT_PANE, {QKeySequence("F6")}},
        {res::ID_PREV_PANE, {QKeySequence("Shift+F6")}},
    };
    int total = 0;
    for (const QAction* a : Frame().actions()) total += static_cast<int>(a->shortcuts().size());
    EXPECT_EQ(total, 14);
    for (const auto& [id, keys] : expected) {
        EXPECT_EQ(Frame().Action(id)->shortcuts(), keys) << id;
        EXPECT_TRUE(Frame().actions().contains(Frame().Action(id))) << id;
    }
}

TEST_F(FrameTest, EditKeysAndPaneKeysDoNothing) {
    Frame().UpdateAllCommandUI();
    for (int id : {res::ID_EDIT_UNDO, res::ID_EDIT_CUT, res::ID_EDIT_COPY, res::ID_EDIT_PASTE,
                   res::ID_NEXT_PANE, res::ID_PREV_PANE, res::ID_FILE_SAVE}) {
        EXPECT_FALSE(Frame().Action(id)->isEnabled()) << id;
    }
    ASSERT_TRUE(
        theApp->OpenDocumentFile(QString::fromStdString(tarno_test::ExamplePath("house.api"))));
    const rm::D3DVECTOR before = Camera();
    for (const char* keys : {"Ctrl+C", "Ctrl+X", "Ctrl+V", "Ctrl+Z", "Alt+Backspace", "Shift+Del",
                             "Ctrl+Ins", "Shift+Ins", "F6", "Shift+F6"}) {
        QTest::keySequence(&Frame().GetActiveView(), QKeySequence(QString::fromLatin1(keys)));
    }
    EXPECT_EQ(Camera(), before);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FrameTest, SavingNeverTouchesTheOpenedFile) {
    const std::string path = CopyOfHouse();
    const std::string bytes = tarno_test::ReadWhole(path);
    const auto stamp = std::filesystem::last_write_time(path);
    ASSERT_TRUE(theApp->OpenDocumentFile(QString::fromStdString(path)));
    Frame().activateWindow();
    QTest::keySequence(&Frame().GetActiveView(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_FALSE(Frame().RouteCommand(res::ID_FILE_SAVE));
    Frame().close();
    theApp->ExitInstance();
    EXPECT_EQ(tarno_test::ReadWhole(path), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(path), stamp);
}

TEST_F(FrameTest, ToolbarButtonsInOrderWithGaps) {
    QStringList layout;
    for (QAction* a : Frame().ToolBar().actions()) {
        layout << (a->isSeparator() ? QStringLiteral("|") : QString::number(a->data().toInt()));
    }
    EXPECT_EQ(layout, (QStringList{"57601", "32792", "|", "32784", "32782", "|", "32785", "32786",
                                   "|", "32787", "32788", "32789", "32790", "|", "57664"}));
    EXPECT_EQ(Frame().ToolBar().iconSize(), QSize(16, 15));
    EXPECT_EQ(Frame().ToolBar().allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_TRUE(Frame().ToolBar().isFloatable());
    EXPECT_EQ(Frame().toolBarArea(&Frame().ToolBar()), Qt::TopToolBarArea);
}

TEST_F(FrameTest, TooltipsAndPromptsComeFromTheStringTable) {
    const std::vector<std::tuple<int, const char*, const char*>> expected = {
        {res::ID_FILE_OPEN, "Open", "Api File Open"},
        {res::ID_RELOAD, "Reload present file", "Reload present file"},
        {res::ID_ZOOM_IN, "Zoom in", "Zoom in switch"},
        {res::ID_ZOOM_OUT, "Zoom out", "Zoom out switch"},
        {res::ID_RENDER_MODEL, "Render model", "Render model"},
        {res::ID_WIREFRAME_MODEL, "Wireframe model", "Wireframe model"},
        {res::ID_UP, "Up", "Up"},
        {res::ID_LEFT, "Left", "Left"},
        {res::ID_APP_EXIT, "Exit", "Quit the application"},
    };
    for (const auto& [id, tip, prompt] : expected) {
        EXPECT_EQ(Frame().Action(id)->toolTip(), QString::fromUtf8(tip)) << id;
        EXPECT_EQ(Frame().Action(id)->statusTip(), QString::fromUtf8(prompt)) << id;
    }
    EXPECT_EQ(Frame().ToolButton(res::ID_ZOOM_IN)->toolTip(), QStringLiteral("Zoom in"));
}

TEST_F(FrameTest, StatusBarShowsThePromptWhileHoveringAndReadyOtherwise) {
    QStatusBar& bar = Frame().StatusBar();
    EXPECT_EQ(Frame().IdleMessage(), QStringLiteral("Ready"));
    EXPECT_TRUE(bar.currentMessage().isEmpty());
    EXPECT_TRUE(bar.findChildren<QLabel*>().size() == 1) << "one pane, no key indicators";

    Frame().show();
    QToolButton* zoom = Frame().ToolButton(res::ID_ZOOM_IN);
    QTest::mouseMove(zoom, zoom->rect().center());
    QApplication::processEvents();
    EXPECT_EQ(bar.currentMessage(), QStringLiteral("Zoom in switch"));
    QTest::mouseMove(&Frame().GetActiveView(), QPoint(100, 100));
    QApplication::processEvents();
    EXPECT_TRUE(bar.currentMessage().isEmpty());
    EXPECT_TRUE(Frame().findChild<QLabel*>()->isVisible());

    QMenu* file = Popup(Frame(), 0);
    file->popup(QPoint(0, 0));
    QApplication::processEvents();
    file->setActiveAction(Frame().Action(res::ID_APP_EXIT));
    QApplication::processEvents();
    EXPECT_EQ(bar.currentMessage(), QStringLiteral("Quit the application"));
    file->close();
}

TEST_F(FrameTest, CaptionFollowsTheDocument) {
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("無題 - TARNO (Scenery Object 3D Viewer)"));
    ASSERT_TRUE(
        theApp->OpenDocumentFile(QString::fromStdString(tarno_test::ExamplePath("house.api"))));
    EXPECT_EQ(Frame().windowTitle(),
              QStringLiteral("house.api - TARNO (Scenery Object 3D Viewer)"));
    Frame().Action(res::ID_FILE_NEW)->trigger();
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("無題 - TARNO (Scenery Object 3D Viewer)"));
}

TEST_F(FrameTest, OpenThroughTheDialogAndAFailedOpenKeepsTheModel) {
    prompts.fileToOpen = QString::fromStdString(tarno_test::ExamplePath("house.api"));
    Frame().UpdateAllCommandUI();
    Frame().Action(res::ID_FILE_OPEN)->trigger();
    ASSERT_EQ(theApp->GetDocument()->GetPathName(),
              std::filesystem::absolute(tarno_test::ExamplePath("house.api")).string());
    const auto faces = theApp->GetDocument()->LastLoadSummary().faces;
    const rm::MeshBuilderPtr mesh = theApp->GetDocument()->m_pMeshBuilder;

    prompts.fileToOpen = QString::fromStdString(settingsDir + "/none.api");
    Frame().Action(res::ID_FILE_OPEN)->trigger();
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("none.api")));
    EXPECT_EQ(theApp->GetDocument()->m_pMeshBuilder, mesh);
    EXPECT_EQ(theApp->GetDocument()->LastLoadSummary().faces, faces);
    EXPECT_EQ(Frame().windowTitle(),
              QStringLiteral("house.api - TARNO (Scenery Object 3D Viewer)"));

    prompts.fileToOpen.reset();  // cancelled
    Frame().Action(res::ID_FILE_OPEN)->trigger();
    EXPECT_EQ(prompts.messages.size(), 1U);
}

TEST_F(FrameTest, OpenDialogHasItsTitleAndFilters) {
    app::COpenDialog dialog(&Frame());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("開く"));
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"Api File (*.api)", "すべてのﾌｧｲﾙ (*.*)"}));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
}

// Names the dialog lists in `dir`, once its folder has been read.
QStringList Listed(app::COpenDialog& dialog) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    EXPECT_NE(model, nullptr);
    if (model == nullptr) return {};
    const QModelIndex root = model->index(dialog.directory().absolutePath());
    for (int i = 0; i < 50 && model->rowCount(root) < 2; ++i) QTest::qWait(10);
    QTest::qWait(20);
    QStringList names;
    for (int r = 0; r < model->rowCount(root); ++r) {
        const QModelIndex index = model->index(r, 0, root);
        if (model->flags(index) & Qt::ItemIsEnabled) names << model->fileName(index);
    }
    names.sort();
    return names;
}

TEST_F(FrameTest, AllFilesFilterListsNamesWithoutADot) {
    for (const char* name : {"a.api", "notes.txt", "README"}) {
        std::ofstream(settingsDir + "/" + name) << "x";
    }
    app::COpenDialog dialog(&Frame());
    dialog.setDirectory(QString::fromStdString(settingsDir));
    dialog.show();
    EXPECT_TRUE(Listed(dialog).contains(QStringLiteral("a.api")));
    EXPECT_FALSE(Listed(dialog).contains(QStringLiteral("README")));
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    QTest::keyClick(types, Qt::Key_Down);  // as the user picks the second entry
    ASSERT_EQ(types->currentIndex(), 1);
    EXPECT_EQ(Listed(dialog), (QStringList{"README", "a.api", "notes.txt"}));
}

TEST_F(FrameTest, ExactlyOneFillModeButtonIsPressed) {
    auto pressed = [&] {
        Frame().UpdateAllCommandUI();
        return std::pair(Frame().ToolButton(res::ID_RENDER_MODEL)->isChecked(),
                         Frame().ToolButton(res::ID_WIREFRAME_MODEL)->isChecked());
    };
    EXPECT_EQ(pressed(), std::pair(true, false));
    Frame().ToolButton(res::ID_WIREFRAME_MODEL)->click();
    EXPECT_EQ(pressed(), std::pair(false, true));
    Frame().ToolButton(res::ID_WIREFRAME_MODEL)->click();  // pressing it again keeps it
    EXPECT_EQ(pressed(), std::pair(false, true));
    Frame().ToolButton(res::ID_RENDER_MODEL)->click();
    EXPECT_EQ(pressed(), std::pair(true, false));
}

TEST_F(FrameTest, ArrowKeyShowsItsButtonPressedUntilReleased) {
    Frame().show();
    QToolButton* up = Frame().ToolButton(res::ID_UP);
    const float y = Camera().y;
    QTest::keyPress(&Frame().GetActiveView(), Qt::Key_Up);
    EXPECT_TRUE(up->isDown());
    EXPECT_EQ(Camera().y, y - 10.0F);
    QTest::keyRelease(&Frame().GetActiveView(), Qt::Key_Up);
    EXPECT_FALSE(up->isDown());
}

TEST_F(FrameTest, ViewMenuTogglesAndChecksTheBars) {
    Frame().show();
    QAction* toolbar = Frame().Action(res::ID_VIEW_TOOLBAR);
    QAction* status = Frame().Action(res::ID_VIEW_STATUS_BAR);
    Frame().UpdateAllCommandUI();
    EXPECT_TRUE(toolbar->isChecked());
    EXPECT_TRUE(status->isChecked());
    toolbar->trigger();
    status->trigger();
    EXPECT_TRUE(Frame().ToolBar().isHidden());
    EXPECT_TRUE(Frame().StatusBar().isHidden());
    EXPECT_FALSE(toolbar->isChecked());
    EXPECT_FALSE(status->isChecked());
    toolbar->trigger();
    EXPECT_FALSE(Frame().ToolBar().isHidden());
    EXPECT_TRUE(toolbar->isChecked());
}

TEST_F(FrameTest, ExitClosesTheWindow) {
    Frame().show();
    Frame().Action(res::ID_APP_EXIT)->trigger();
    EXPECT_FALSE(Frame().isVisible());
}

TEST(Pictures, ToolbarPicturesAreDrawnAtEveryScaleNotEnlarged) {
    for (int i = 0; i < app::kToolbarPictureCount; ++i) {
        const QImage one = app::RenderToolbarPicture(i, 1.0);
        const QImage two = app::RenderToolbarPicture(i, 2.0);
        ASSERT_EQ(one.size(), QSize(16, 15)) << i;
        ASSERT_EQ(two.size(), QSize(32, 30)) << i;
        const QImage enlarged = one.scaled(32, 30, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        EXPECT_NE(two.convertToFormat(QImage::Format_ARGB32),
                  enlarged.convertToFormat(QImage::Format_ARGB32))
            << "picture " << i << " is a blown-up bitmap";
        int drawn = 0;
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 16; ++x) drawn += qAlpha(one.pixel(x, y)) != 0 ? 1 : 0;
        }
        EXPECT_GT(drawn, 30) << i;
        EXPECT_LT(drawn, 16 * 15) << "the button face must show around picture " << i;
    }
    // The icon reports a pixmap at the device ratio it was asked for.
    const QPixmap icon = app::AppIcon().pixmap(QSize(32, 32), 3.0);
    EXPECT_EQ(icon.size(), QSize(96, 96));
}

TEST(Pictures, DisabledPicturesAreGray) {
    const QImage gray = app::ToolbarIcon(4).pixmap(QSize(16, 15), QIcon::Disabled).toImage();
    for (int y = 0; y < gray.height(); ++y) {
        for (int x = 0; x < gray.width(); ++x) {
            const QRgb p = gray.pixel(x, y);
            if (qAlpha(p) == 0) continue;
            EXPECT_EQ(qRed(p), qGreen(p));
            EXPECT_EQ(qGreen(p), qBlue(p));
        }
    }
}

}  // namespace
