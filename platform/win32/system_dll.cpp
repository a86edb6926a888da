// The DLLs that are not known DLLs on every Windows from XP SP3 on (gdiplus,
// crypt32, ws2_32) are linked through delay-load libraries (cmake/DelayImport.cmake).
// The toolchain's delay-load helper asks the notify hook below for each DLL
// before it would search for it by name; the hook loads it from the system
// folder by full path, or, for GDI+ on Windows XP, where it lives only side by
// side, from the assembly an activation context names.
#include "platform/dll_search.h"
#include "platform/win32/system_folder.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace platform {
namespace {

// The GDI+ 1.0 assembly of the system (RT_MANIFEST resource kGdiplusManifestId
// of the program: platform/win32/gdiplus-sxs.rc).
constexpr WORD kGdiplusManifestId = 101;

// GDI+ through the side-by-side assembly, as Windows XP keeps it. The context
// is created only when the assembly is installed, and while it is active the
// loader takes the name from the assembly's folder before any folder it would
// search (side-by-side redirection comes first in the search order).
HMODULE LoadGdiplusSideBySide(const char* name) {
  HMODULE self = ::GetModuleHandleA(nullptr);
  ACTCTXA ctx = {};
  ctx.cbSize = sizeof ctx;
  ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  ctx.hModule = self;
  ctx.lpResourceName = MAKEINTRESOURCEA(kGdiplusManifestId);
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  ctx.lpSource = path;
  HANDLE actCtx = ::CreateActCtxA(&ctx);
  if (actCtx == INVALID_HANDLE_VALUE) return nullptr;
  HMODULE module = nullptr;
  ULONG_PTR cookie = 0;
  if (::ActivateActCtx(actCtx, &cookie)) {
    module = ::LoadLibraryA(name);
    ::DeactivateActCtx(0, cookie);
  }
  ::ReleaseActCtx(actCtx);
  return module;
}

HMODULE LoadSystemDll(const char* name) {
  const std::string folder = win32::SystemFolder();
  if (folder.empty() || std::string(name).find_first_of("\\/:") != std::string::npos) return nullptr;
  // The DLL's own dependencies are then looked for in the system folder first.
  HMODULE module = ::LoadLibraryExA((folder + "\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module && ::lstrcmpiA(name, "gdiplus.dll") == 0) module = LoadGdiplusSideBySide(name);
  return module;
}

FARPROC WINAPI DelayLoadNotify(unsigned notice, PDelayLoadInfo info) {
  if (notice != dliNotePreLoadLibrary) return nullptr;
  HMODULE module = LoadSystemDll(info->szDll);
  // Answering nothing would let the helper search for the DLL by name, the
  // program's own folder first: a system DLL missing from the system ends the
  // program instead.
  if (!module) ::TerminateProcess(::GetCurrentProcess(), ERROR_MOD_NOT_FOUND);
  return reinterpret_cast<FARPROC>(module);
}

}  // namespace

void NarrowDllSearch() {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  using SetDefaultDirs = BOOL(WINAPI*)(DWORD);
  using SetDllDir = BOOL(WINAPI*)(LPCSTR);
  if (auto setDefault = reinterpret_cast<SetDefaultDirs>(
          reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories"))))
    setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  if (auto setDir = reinterpret_cast<SetDllDir>(reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDllDirectoryA"))))
    setDir("");
}

}  // namespace platform

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = platform::DelayLoadNotify;
}
