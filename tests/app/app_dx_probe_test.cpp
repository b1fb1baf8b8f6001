// The DirectX probe on scripted systems: every branch, the codes and debug texts it gives,
// and that it hands back every library and interface it took.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/dx_probe.h"
#include "app/host_probe_system.h"

namespace {

using app::FARPROC;
using app::HMODULE;
using app::HRESULT;
using app::Interface;

constexpr HRESULT kOk = 0;
constexpr HRESULT kFail = -1;

// A system whose answers a test sets, and which keeps account of what the probe holds.
struct ScriptedSystem final : app::DxProbeSystem {
    // What the system offers.
    bool versionOk = true;
    std::uint32_t platform = 1;  // Windows 95 family unless set to 2
    std::uint32_t major = 4;
    std::uint32_t build = 950;
    std::set<std::string> libraries{"DDRAW.DLL", "DINPUT.DLL"};
    std::set<std::string> entries{"DirectDrawCreate", "DirectInputCreateA"};
    bool createOk = true;
    bool dd2 = true;
    bool coopOk = true;
    bool surfaceOk = true;
    bool surface3 = true;

    // What the probe did.
    std::vector<std::string> debug;
    std::map<HMODULE, std::string> loaded;  // libraries not yet freed
    std::set<Interface> held;               // interfaces not yet released
    std::vector<std::string> calls;
    std::uint32_t coopFlags = 0;
    app::DDSURFACEDESC desc;
    Interface next = 100;

    bool GetVersionEx(app::OSVERSIONINFO& info) override {
        calls.push_back("GetVersionEx");
        EXPECT_EQ(info.dwOSVersionInfoSize, 148U);
        if (!versionOk) return false;
        info.dwPlatformId = platform;
        info.dwMajorVersion = major;
        info.dwBuildNumber = build;
        return true;
    }
    HMODULE LoadLibrary(const char* name) override {
        calls.push_back(std::string("LoadLibrary ") + name);
        if (libraries.count(name) == 0) return 0;
        const HMODULE h = next++;
        loaded[h] = name;
        return h;
    }
    FARPROC GetProcAddress(HMODULE module, const char* name) override {
        calls.push_back(std::string("GetProcAddress ") + name);
        EXPECT_EQ(loaded.count(module), 1U);
        return entries.count(name) != 0 ? next++ : 0;
    }
    void FreeLibrary(HMODULE module) override {
        calls.push_back("FreeLibrary " + loaded[module]);
        EXPECT_EQ(loaded.erase(module), 1U) << "freed twice or never loaded";
    }
    HRESULT DirectDrawCreate(FARPROC entry, Interface& out) override {
        calls.push_back("DirectDrawCreate");
        EXPECT_NE(entry, 0U);
        if (!createOk) return kFail;
        out = next++;
        held.insert(out);
        return kOk;
    }
    HRESULT QueryInterface(Interface object, const app::GUID& iid, Interface& out) override {
        EXPECT_EQ(held.count(object), 1U);
        const bool isDd2 = iid == app::IID_IDirectDraw2;
        EXPECT_TRUE(isDd2 || iid == app::IID_IDirectDrawSurface3);
        calls.push_back(isDd2 ? "QI DDraw2" : "QI Surface3");
        if (!(isDd2 ? dd2 : surface3)) return kFail;
        out = next++;
        held.insert(out);
        return kOk;
    }
    void Release(Interface object) override {
        EXPECT_EQ(held.erase(object), 1U) << "released twice or never obtained";
    }
    HRESULT SetCooperativeLevel(Interface dd, std::uint32_t flags) override {
        calls.push_back("SetCooperativeLevel");
        EXPECT_EQ(held.count(dd), 1U);
        coopFlags = flags;
        return coopOk ? kOk : kFail;
    }
    HRESULT CreateSurface(Interface dd, const app::DDSURFACEDESC& d, Interface& out) override {
        calls.push_back("CreateSurface");
        EXPECT_EQ(held.count(dd), 1U);
        desc = d;
        if (!surfaceOk) return kFail;
        out = next++;
        held.insert(out);
        return kOk;
    }
    void OutputDebugString(const char* text) override { debug.emplace_back(text); }
};

std::uint32_t Probe(ScriptedSystem& sys) {
    std::uint32_t version = 0xDEAD;
    app::ProbeDirectXVersion(&version, sys);
    EXPECT_TRUE(sys.loaded.empty()) << "a library was left loaded";
    EXPECT_TRUE(sys.held.empty()) << "an interface was left unreleased";
    return version;
}

using Texts = std::vector<std::string>;

TEST(DxProbe, NoVersionInformationMeansNoDirectX) {
    ScriptedSystem sys;
    sys.versionOk = false;
    EXPECT_EQ(Probe(sys), 0U);
    EXPECT_EQ(sys.calls, Texts{"GetVersionEx"});
}

TEST(DxProbe, NtFamilyIsJudgedByMajorVersionAndDirectInput) {
    ScriptedSystem old;
    old.platform = app::VER_PLATFORM_WIN32_NT;
    old.major = 3;
    EXPECT_EQ(Probe(old), 0U);
    EXPECT_TRUE(old.debug.empty());

    ScriptedSystem nt4;
    nt4.platform = app::VER_PLATFORM_WIN32_NT;
    EXPECT_EQ(Probe(nt4), 0x300U);
    EXPECT_EQ(nt4.calls, (Texts{"GetVersionEx", "LoadLibrary DINPUT.DLL",
                                "GetProcAddress DirectInputCreateA", "FreeLibrary DINPUT.DLL"}));

    ScriptedSystem noDinput;
    noDinput.platform = app::VER_PLATFORM_WIN32_NT;
    noDinput.libraries.erase("DINPUT.DLL");
    EXPECT_EQ(Probe(noDinput), 0x200U);
    EXPECT_EQ(noDinput.debug, Texts{"Couldn't LoadLibrary DInput\r\n"});

    ScriptedSystem noEntry;
    noEntry.platform = app::VER_PLATFORM_WIN32_NT;
    noEntry.entries.erase("DirectInputCreateA");
    EXPECT_EQ(Probe(noEntry), 0x200U);
    EXPECT_EQ(noEntry.debug, Texts{"Couldn't GetProcAddress DInputCreate\r\n"});

    ScriptedSystem nt5;
    nt5.platform = app::VER_PLATFORM_WIN32_NT;
    nt5.major = 5;
    EXPECT_EQ(Probe(nt5), 0x501U);
    EXPECT_EQ(nt5.calls, Texts{"GetVersionEx"});
}

TEST(DxProbe, Windows95BuildAbove1353PassesWithoutProbing) {
    ScriptedSystem sys;
    sys.build = 0x7FFF0000U | 1354;  // only the low 16 bits count
    EXPECT_EQ(Probe(sys), 0x501U);
    EXPECT_EQ(sys.calls, Texts{"GetVersionEx"});

    ScriptedSystem at;
    at.build = 0xFFFF0000U | 1353;
    at.surface3 = false;
    EXPECT_EQ(Probe(at), 0x300U);
}

TEST(DxProbe, Windows95FullProbeFindsDirectX5) {
    ScriptedSystem sys;
    EXPECT_EQ(Probe(sys), 0x500U);
    EXPECT_TRUE(sys.debug.empty());
    EXPECT_EQ(sys.coopFlags, app::DDSCL_NORMAL);
    EXPECT_EQ(sys.desc.dwSize, 108U);
    EXPECT_EQ(sys.desc.dwFlags, app::DDSD_CAPS);
    EXPECT_EQ(sys.desc.ddsCapsDwCaps, app::DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(sys.calls, (Texts{"GetVersionEx", "LoadLibrary DDRAW.DLL",
                                "GetProcAddress DirectDrawCreate", "DirectDrawCreate", "QI DDraw2",
                                "LoadLibrary DINPUT.DLL", "GetProcAddress DirectInputCreateA",
                                "FreeLibrary DINPUT.DLL", "SetCooperativeLevel", "CreateSurface",
                                "QI Surface3", "FreeLibrary DDRAW.DLL"}));
}

// Each Windows 95 failure point: the code it leaves and its debug text.
struct FailureCase {
    const char* name;
    void (*breakIt)(ScriptedSystem&);
    std::uint32_t version;
    const char* text;  // nullptr: no debug text
};

class DxProbe95Failure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(DxProbe95Failure, GivesItsCodeAndText) {
    ScriptedSystem sys;
    GetParam().breakIt(sys);
    EXPECT_EQ(Probe(sys), GetParam().version);
    if (GetParam().text == nullptr) {
        EXPECT_TRUE(sys.debug.empty());
    } else {
        EXPECT_EQ(sys.debug, Texts{GetParam().text});
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllBranches, DxProbe95Failure,
    ::testing::Values(
        FailureCase{"NoDDraw", [](ScriptedSystem& s) { s.libraries.erase("DDRAW.DLL"); }, 0,
                    "Couldn't LoadLibrary DDraw\r\n"},
        FailureCase{"NoDirectDrawCreate",
                    [](ScriptedSystem& s) { s.entries.erase("DirectDrawCreate"); }, 0, nullptr},
        FailureCase{"CreateFails", [](ScriptedSystem& s) { s.createOk = false; }, 0,
                    "Couldn't create DDraw\r\n"},
        FailureCase{"NoDDraw2", [](ScriptedSystem& s) { s.dd2 = false; }, 0x100,
                    "Couldn't QI DDraw2\r\n"},
        FailureCase{"NoDInput", [](ScriptedSystem& s) { s.libraries.erase("DINPUT.DLL"); }, 0x200,
                    "Couldn't LoadLibrary DInput\r\n"},
        FailureCase{"NoDInputEntry",
                    [](ScriptedSystem& s) { s.entries.erase("DirectInputCreateA"); }, 0x200,
                    "Couldn't GetProcAddress DInputCreate\r\n"},
        FailureCase{"CoopFails", [](ScriptedSystem& s) { s.coopOk = false; }, 0,
                    "Couldn't Set coop level\r\n"},
        FailureCase{"SurfaceFails", [](ScriptedSystem& s) { s.surfaceOk = false; }, 0,
                    "Couldn't CreateSurface\r\n"},
        FailureCase{"NoSurface3", [](ScriptedSystem& s) { s.surface3 = false; }, 0x300, nullptr}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(DxProbe, ThisMachinePassesWithoutLookingForLibraries) {
    app::HostProbeSystem host;
    std::uint32_t version = 0;
    app::ProbeDirectXVersion(&version, host);
    EXPECT_EQ(version, 0x501U);
    EXPECT_GE(version, app::kRequiredDirectXVersion);
}

}  // namespace
