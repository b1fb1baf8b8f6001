#include "app/dx_probe.h"

namespace app {
namespace {

[[nodiscard]] bool Failed(HRESULT hr) {
    return hr < 0;
}

// The Windows NT family: only the presence of DirectInput tells releases apart.
std::uint32_t ProbeNt(const OSVERSIONINFO& os, DxProbeSystem& sys) {
    if (os.dwMajorVersion < 4) return 0;
    if (os.dwMajorVersion > 4) return 0x501;

    const HMODULE dinput = sys.LoadLibrary("DINPUT.DLL");
    if (dinput == 0) {
        sys.OutputDebugString("Couldn't LoadLibrary DInput\r\n");
        return 0x200;
    }
    const FARPROC create = sys.GetProcAddress(dinput, "DirectInputCreateA");
    sys.FreeLibrary(dinput);
    if (create == 0) {
        sys.OutputDebugString("Couldn't GetProcAddress DInputCreate\r\n");
        return 0x200;
    }
    return 0x300;
}

// The Windows 95 family: each newer interface that DirectDraw answers raises the release.
std::uint32_t Probe95(const OSVERSIONINFO& os, DxProbeSystem& sys) {
    if ((os.dwBuildNumber & 0xFFFF) > 1353) return 0x501;

    const HMODULE ddraw = sys.LoadLibrary("DDRAW.DLL");
    if (ddraw == 0) {
        sys.OutputDebugString("Couldn't LoadLibrary DDraw\r\n");
        return 0;
    }
    const FARPROC directDrawCreate = sys.GetProcAddress(ddraw, "DirectDrawCreate");
    if (directDrawCreate == 0) {
        sys.FreeLibrary(ddraw);
        return 0;
    }
    Interface dd = 0;
    if (Failed(sys.DirectDrawCreate(directDrawCreate, dd))) {
        sys.FreeLibrary(ddraw);
        sys.OutputDebugString("Couldn't create DDraw\r\n");
        return 0;
    }

    // DirectX 1 at least. IDirectDraw2 came with DirectX 2.
    Interface dd2 = 0;
    if (Failed(sys.QueryInterface(dd, IID_IDirectDraw2, dd2))) {
        sys.Release(dd);
        sys.FreeLibrary(ddraw);
        sys.OutputDebugString("Couldn't QI DDraw2\r\n");
        return 0x100;
    }
    sys.Release(dd2);

    // DirectInput came with DirectX 3; only its entry point is looked for.
    const HMODULE dinput = sys.LoadLibrary("DINPUT.DLL");
    if (dinput == 0) {
        sys.OutputDebugString("Couldn't LoadLibrary DInput\r\n");
        sys.Release(dd);
        sys.FreeLibrary(ddraw);
        return 0x200;
    }
    const FARPROC dinputCreate = sys.GetProcAddress(dinput, "DirectInputCreateA");
    sys.FreeLibrary(dinput);
    if (dinputCreate == 0) {
        sys.FreeLibrary(ddraw);
        sys.Release(dd);
        sys.OutputDebugString("Couldn't GetProcAddress DInputCreate\r\n");
        return 0x200;
    }

    // IDirectDrawSurface3 on a primary surface came with DirectX 5.
    if (Failed(sys.SetCooperativeLevel(dd, DDSCL_NORMAL))) {
        sys.Release(dd);
        sys.FreeLibrary(ddraw);
        sys.OutputDebugString("Couldn't Set coop level\r\n");
        return 0;
    }
    DDSURFACEDESC desc;
    desc.dwSize = sizeof(DDSURFACEDESC);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCapsDwCaps = DDSCAPS_PRIMARYSURFACE;
    Interface surface = 0;
    if (Failed(sys.CreateSurface(dd, desc, surface))) {
        sys.Release(dd);
        sys.FreeLibrary(ddraw);
        sys.OutputDebugString("Couldn't CreateSurface\r\n");
        return 0;
    }
    std::uint32_t version = 0x300;
    Interface surface3 = 0;
    if (!Failed(sys.QueryInterface(surface, IID_IDirectDrawSurface3, surface3))) {
        version = 0x500;
        sys.Release(surface3);
    }
    sys.Release(surface);
    sys.Release(dd);
    sys.FreeLibrary(ddraw);
    return version;
}

}  // namespace

void ProbeDirectXVersion(std::uint32_t* pdwDXVersion, DxProbeSystem& system) {
    *pdwDXVersion = 0;
    OSVERSIONINFO os;
    os.dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
    if (!system.GetVersionEx(os)) return;
    *pdwDXVersion =
        os.dwPlatformId == VER_PLATFORM_WIN32_NT ? ProbeNt(os, system) : Probe95(os, system);
}

}  // namespace app
