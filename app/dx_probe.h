#pragma once
// Finds which DirectX release the system offers. The probe's logic is the program's own;
// every operating-system call it makes goes through DxProbeSystem, so that the real build
// answers for this machine and tests can walk every branch.

#include <cstdint>

namespace app {

// The system-information record the probe asks for: 148 bytes, as the size field says.
struct OSVERSIONINFO {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OSVERSIONINFO) == 148);

inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// The surface description the probe's CreateSurface passes: 108 bytes.
struct DDSURFACEDESC {
    std::uint32_t dwSize = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t rest[24] = {};  // the fields the probe leaves zero
    std::uint32_t ddsCapsDwCaps = 0;
};
static_assert(sizeof(DDSURFACEDESC) == 108);

inline constexpr std::uint32_t DDSD_CAPS = 0x1;
inline constexpr std::uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
inline constexpr std::uint32_t DDSCL_NORMAL = 0x8;

struct GUID {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};
inline constexpr GUID IID_IDirectDraw2 = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
inline constexpr GUID IID_IDirectDrawSurface3 = {
    0xDA044E00, 0x69B2, 0x11D0, {0xA1, 0xD5, 0x00, 0xAA, 0x00, 0xB8, 0xDF, 0xBB}};

// Opaque handles of the system's libraries, entry points and interfaces; 0 is none.
using HMODULE = std::uintptr_t;
using FARPROC = std::uintptr_t;
using Interface = std::uintptr_t;
using HRESULT = std::int32_t;

class DxProbeSystem {
public:
    virtual ~DxProbeSystem() = default;
    virtual bool GetVersionEx(OSVERSIONINFO& info) = 0;
    virtual HMODULE LoadLibrary(const char* name) = 0;
    virtual FARPROC GetProcAddress(HMODULE module, const char* name) = 0;
    virtual void FreeLibrary(HMODULE module) = 0;
    // Calls the DirectDrawCreate entry `entry` with no driver GUID and no outer object.
    virtual HRESULT DirectDrawCreate(FARPROC entry, Interface& directDraw) = 0;
    virtual HRESULT QueryInterface(Interface object, const GUID& iid, Interface& out) = 0;
    virtual void Release(Interface object) = 0;
    // On a DirectDraw object, with no window.
    virtual HRESULT SetCooperativeLevel(Interface directDraw, std::uint32_t flags) = 0;
    virtual HRESULT CreateSurface(Interface directDraw, const DDSURFACEDESC& desc,
                                  Interface& surface) = 0;
    virtual void OutputDebugString(const char* text) = 0;
};

// Writes the version code into *pdwDXVersion: the major release in bits 8-15 and a
// sub-release in bits 0-7 (0, 0x100, 0x200, 0x300, 0x500 or 0x501).
void ProbeDirectXVersion(std::uint32_t* pdwDXVersion, DxProbeSystem& system);

// The release the program needs.
inline constexpr std::uint32_t kRequiredDirectXVersion = 0x500;

}  // namespace app
