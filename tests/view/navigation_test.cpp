// Zoom, pan, fill mode, reload and the view's update handlers.

#include <filesystem>
#include <fstream>

#include "res/resource_ids.h"
#include "tests/view/view_test_support.h"

namespace view_test {
namespace {

using NavigationTest = ViewTest;

TEST_F(NavigationTest, EachCommandMovesTheCameraTenUnitsAlongOneAxis) {
    struct Case {
        int id;
        rm::D3DVECTOR change;
    };
    const Case cases[] = {
        {res::ID_ZOOM_IN, {0, 0, 10}}, {res::ID_ZOOM_OUT, {0, 0, -10}},
        {res::ID_UP, {0, -10, 0}},     {res::ID_DOWN, {0, 10, 0}},
        {res::ID_LEFT, {10, 0, 0}},    {res::ID_RIGHT, {-10, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const rm::D3DVECTOR before = CameraPosition();
        EXPECT_TRUE(view->OnCommand(c.id));
        const rm::D3DVECTOR after = CameraPosition();
        ExpectPosition(after, before.x + c.change.x, before.y + c.change.y, before.z + c.change.z);
    }
}

TEST_F(NavigationTest, TwentyZoomInStepsReachTheOriginAndTheNextGoesPast) {
    ExpectPosition(CameraPosition(), 0, 0, -200);
    for (int i = 0; i < 20; ++i) view->OnZoomIn();
    ExpectPosition(CameraPosition(), 0, 0, 0);
    view->OnZoomIn();
    ExpectPosition(CameraPosition(), 0, 0, 10);
}

TEST_F(NavigationTest, EveryMoveUndoneByItsOppositeReturnsExactly) {
    // Mixed moves and then their opposites in reverse order: steps of ten are exact.
    const int ids[] = {res::ID_ZOOM_IN,  res::ID_LEFT,  res::ID_UP,   res::ID_ZOOM_OUT,
                       res::ID_ZOOM_OUT, res::ID_RIGHT, res::ID_DOWN, res::ID_ZOOM_OUT};
    const auto opposite = [](int id) {
        switch (id) {
            case res::ID_ZOOM_IN:
                return res::ID_ZOOM_OUT;
            case res::ID_ZOOM_OUT:
                return res::ID_ZOOM_IN;
            case res::ID_UP:
                return res::ID_DOWN;
            case res::ID_DOWN:
                return res::ID_UP;
            case res::ID_LEFT:
                return res::ID_RIGHT;
            default:
                return res::ID_LEFT;
        }
    };
    for (int id : ids) view->OnCommand(id);
    for (auto it = std::rbegin(ids); it != std::rend(ids); ++it) view->OnCommand(opposite(*it));
    ExpectPosition(CameraPosition(), 0, 0, -200);

    view->OnZoomIn();
    view->OnZoomOut();
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

TEST_F(NavigationTest, UpdateHandlersEnableViewCommandsAndMarkExactlyOneFillMode) {
    for (int id : {res::ID_ZOOM_IN, res::ID_ZOOM_OUT, res::ID_UP, res::ID_DOWN, res::ID_LEFT,
                   res::ID_RIGHT, res::ID_RELOAD}) {
        view::CCmdUI ui(id);
        EXPECT_TRUE(view->OnUpdateCommandUI(ui)) << id;
        EXPECT_TRUE(ui.Enabled()) << id;
        EXPECT_FALSE(ui.Checked()) << id;
    }
    const auto marks = [this] {
        view::CCmdUI solid(res::ID_RENDER_MODEL);
        view::CCmdUI wire(res::ID_WIREFRAME_MODEL);
        EXPECT_TRUE(view->OnUpdateCommandUI(solid));
        EXPECT_TRUE(view->OnUpdateCommandUI(wire));
        EXPECT_TRUE(solid.Enabled() && wire.Enabled());
        EXPECT_TRUE(solid.Radio() && wire.Radio());
        return std::pair{solid.Checked(), wire.Checked()};
    };
    EXPECT_EQ(marks(), std::pair(true, false));
    view->OnCommand(res::ID_WIREFRAME_MODEL);
    EXPECT_EQ(marks(), std::pair(false, true));
    view->OnCommand(res::ID_RENDER_MODEL);
    EXPECT_EQ(marks(), std::pair(true, false));
}

TEST_F(NavigationTest, SectionItemsAndFrameCommandsAreNotTheViews) {
    for (int id : {res::ID_SECTION_1, res::ID_SECTION_2, res::ID_SECTION_3, res::ID_SECTION_4,
                   res::ID_SECTION_5, res::ID_SECTION_6, res::ID_SECTION_ALL, res::ID_FILE_OPEN,
                   res::ID_FILE_SAVE, res::ID_APP_ABOUT, res::ID_EDIT_COPY}) {
        view::CCmdUI ui(id);
        EXPECT_FALSE(view->OnUpdateCommandUI(ui)) << id;
        EXPECT_FALSE(ui.Handled()) << id;
        EXPECT_FALSE(view->OnCommand(id)) << id;
    }
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

TEST_F(NavigationTest, FillModeCommandsSetTheMeshQuality) {
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    EXPECT_EQ(document->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_FLAT);
    view->OnWireframeModel();
    EXPECT_EQ(document->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_WIREFRAME);
    EXPECT_FALSE(view->IsRenderModel());
    view->OnRenderModel();
    EXPECT_EQ(document->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_FLAT);
    EXPECT_TRUE(view->IsRenderModel());
}

TEST_F(NavigationTest, WireframeThenOpenShowsTheNewModelSolidFromTheStart) {
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    view->OnWireframeModel();
    view->OnZoomIn();
    view->OnLeft();
    ASSERT_TRUE(Open(ExamplePath("tower.api")));
    EXPECT_EQ(document->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_FLAT);
    EXPECT_TRUE(view->IsRenderModel());
    ExpectPosition(CameraPosition(), 0, 0, -200);
}

TEST_F(NavigationTest, ReloadRereadsTheFileAndKeepsCameraAndRotation) {
    ShowAt(200, 150);
    const std::string path = CopyExample("house.api", "reload.api");
    ASSERT_TRUE(Open(path));
    const std::uint32_t facesBefore = document->m_pMeshBuilder->GetFaceCount();
    ASSERT_GT(facesBefore, 0U);

    view->OnWireframeModel();
    view->OnZoomIn();
    view->OnDown();
    Press({50, 50});
    Move({50, 50});
    Move({60, 45});
    Release({60, 45});
    const rm::Matrix4 turned = ModelTransform();
    ASSERT_NE(turned, rm::Matrix4::Identity());

    // The file is edited elsewhere: one more triangle.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "POINTS ( 0\r\n0 0 0\r\n30 0 0\r\n0 30 0\r\n)\r\nPOLY ( A 0 1 2 )\r\n"
               "POLY ( AI 0 1 2 )\r\nENDA\r\n";
    }
    const rm::MeshBuilder* oldMesh = document->m_pMeshBuilder.get();
    view->OnCommand(res::ID_RELOAD);

    EXPECT_NE(document->m_pMeshBuilder.get(), oldMesh);
    EXPECT_EQ(document->m_pMeshBuilder->GetFaceCount(), 2U);
    EXPECT_EQ(document->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_FLAT);
    EXPECT_TRUE(view->IsRenderModel());
    ExpectPosition(CameraPosition(), 0, 10, -190);
    EXPECT_EQ(ModelTransform(), turned);
}

TEST_F(NavigationTest, ReloadOfAVanishedFileKeepsTheWireframeModelAndItsMark) {
    const std::string path = CopyExample("house.api", "vanishing.api");
    ASSERT_TRUE(Open(path));
    view->OnWireframeModel();
    const rm::MeshBuilder* mesh = document->m_pMeshBuilder.get();
    std::filesystem::remove(path);

    view->OnReload();

    EXPECT_EQ(document->m_pMeshBuilder.get(), mesh);
    EXPECT_EQ(document->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_WIREFRAME);
    // The marks show what is on screen, not what the reload hoped for.
    EXPECT_FALSE(view->IsRenderModel());
}

TEST_F(NavigationTest, ReloadBeforeAnyOpenChangesNothing) {
    const rm::MeshBuilder* mesh = document->m_pMeshBuilder.get();
    const std::size_t children = document->m_pSceneFrame->Children().size();
    view->OnReload();
    EXPECT_EQ(document->m_pMeshBuilder.get(), mesh);
    EXPECT_EQ(document->m_pSceneFrame->Children().size(), children);
    EXPECT_TRUE(view->IsRenderModel());
}

TEST_F(NavigationTest, InitialUpdateReturnsTheCameraToItsStart) {
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    view->OnZoomOut();
    view->OnRight();
    view->OnInitialUpdate();
    ExpectPosition(CameraPosition(), 0, 0, -200);
    EXPECT_TRUE(view->IsRenderModel());
}

TEST_F(NavigationTest, NewDocumentAfterWireframeKeepsTheWireframeMark) {
    // File New leaves the last model on screen, still in wireframe.
    ASSERT_TRUE(Open(ExamplePath("house.api")));
    view->OnWireframeModel();
    ASSERT_TRUE(document->OnNewDocument());
    view->OnInitialUpdate();
    EXPECT_EQ(document->m_pMeshBuilder->GetQuality(), rm::D3DRMRENDER_WIREFRAME);
    EXPECT_FALSE(view->IsRenderModel());
}

}  // namespace
}  // namespace view_test
