#include "app/host_probe_system.h"

#include "app/debug_output.h"

namespace app {
namespace {
constexpr HRESULT kNotAvailable = static_cast<HRESULT>(0x80004005U);  // E_FAIL
}

bool HostProbeSystem::GetVersionEx(OSVERSIONINFO& info) {
    if (info.dwOSVersionInfoSize != sizeof(OSVERSIONINFO)) return false;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    info.dwMajorVersion = 6;  // above 4: the probe answers 0x501
    info.dwMinorVersion = 0;
    info.dwBuildNumber = 0;
    return true;
}

HMODULE HostProbeSystem::LoadLibrary(const char* /*name*/) {
    return 0;
}
FARPROC HostProbeSystem::GetProcAddress(HMODULE /*module*/, const char* /*name*/) {
    return 0;
}
void HostProbeSystem::FreeLibrary(HMODULE /*module*/) {}
HRESULT HostProbeSystem::DirectDrawCreate(FARPROC /*entry*/, Interface& directDraw) {
    directDraw = 0;
    return kNotAvailable;
}
HRESULT HostProbeSystem::QueryInterface(Interface /*object*/, const GUID& /*iid*/, Interface& out) {
    out = 0;
    return kNotAvailable;
}
void HostProbeSystem::Release(Interface /*object*/) {}
HRESULT HostProbeSystem::SetCooperativeLevel(Interface /*directDraw*/, std::uint32_t /*flags*/) {
    return kNotAvailable;
}
HRESULT HostProbeSystem::CreateSurface(Interface /*directDraw*/, const DDSURFACEDESC& /*desc*/,
                                       Interface& surface) {
    surface = 0;
    return kNotAvailable;
}
void HostProbeSystem::OutputDebugString(const char* text) {
    OutputDebugText(text);
}

}  // namespace app
