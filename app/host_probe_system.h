#pragma once
// The probe's view of this machine. There is no DirectX here: the viewer brings its own
// software renderer, which offers everything DirectX 5 offered. So the machine reports
// itself as a platform of the NT family with a major version above 4, for which the probe
// answers 0x501 without looking for any library; the library calls answer "not present".

#include "app/dx_probe.h"

namespace app {

class HostProbeSystem final : public DxProbeSystem {
public:
    bool GetVersionEx(OSVERSIONINFO& info) override;
    HMODULE LoadLibrary(const char* name) override;
    FARPROC GetProcAddress(HMODULE module, const char* name) override;
    void FreeLibrary(HMODULE module) override;
    HRESULT DirectDrawCreate(FARPROC entry, Interface& directDraw) override;
    HRESULT QueryInterface(Interface object, const GUID& iid, Interface& out) override;
    void Release(Interface object) override;
    HRESULT SetCooperativeLevel(Interface directDraw, std::uint32_t flags) override;
    HRESULT CreateSurface(Interface directDraw, const DDSURFACEDESC& desc,
                          Interface& surface) override;
    void OutputDebugString(const char* text) override;
};

}  // namespace app
