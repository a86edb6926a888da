// The DLLs that are not known DLLs on every Windows from XP SP3 on (gdiplus,
// crypt32, ws2_32) are not imported at load time. Each function the program
// calls from them (system_imports.inc) gets here the import slot the compiler
// calls through ("__imp__Name@N") and the plain symbol ("_Name@N") that jumps
// through it. The slot first holds a stub that loads the DLL from the system
// folder by full path, looks the function up, stores its address in the slot
// and goes on to it: the DLL is never searched for, so nothing planted beside
// the program is ever loaded. GDI+ on Windows XP lives only side by side; it is
// loaded from the assembly an activation context names.
#include "platform/dll_search.h"
#include "platform/win32/system_folder.h"

#include <windows.h>

#include <string>

namespace platform {
namespace {

// The GDI+ 1.0 assembly of the system: RT_MANIFEST resource 101 of the program
// (platform/win32/gdiplus-sxs.rc).
constexpr WORD kGdiplusManifestId = 101;

// LOAD_LIBRARY_SEARCH_SYSTEM32: set once NarrowDllSearch found that Windows
// knows the flag (before the program starts any thread).
constexpr DWORD kSearchSystem32 = 0x00000800;
bool g_systemSearch = false;

// GDI+ through the side-by-side assembly, as Windows XP keeps it. The context
// is created only when the assembly is installed, and while it is active the
// loader takes the name from the assembly's folder before any folder it would
// search (side-by-side redirection comes first in the search order).
HMODULE LoadGdiplusSideBySide(const char* name) {
  HMODULE self = ::GetModuleHandleA(nullptr);
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  ACTCTXA ctx = {};
  ctx.cbSize = sizeof ctx;
  ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  ctx.hModule = self;
  ctx.lpSource = path;
  ctx.lpResourceName = MAKEINTRESOURCEA(kGdiplusManifestId);
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
  if (folder.empty()) return nullptr;
  // The DLL's own dependencies are then looked for in the system folder alone,
  // or where Windows cannot be told so, in the DLL's folder (the system's) first.
  HMODULE module = ::LoadLibraryExA((folder + "\\" + name).c_str(), nullptr,
                                    g_systemSearch ? kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module && ::lstrcmpiA(name, "gdiplus.dll") == 0) module = LoadGdiplusSideBySide(name);
  return module;
}

// The DLLs that are not known DLLs and that the program's DLLs, or the system's
// DLLs on its behalf, load by name: its own three, and those the system's DLLs
// import or load later (themes, the shell, the network stack, CryptoAPI's
// provider, GDI+'s codecs). Windows before 8 (without KB2533623) and Wine look
// for such a DLL in the program's folder first, whatever SetDllDirectory says;
// one already loaded is taken by its name from the loaded modules instead. So
// each is loaded here first, from the system folder by full path (one the
// system lacks is simply not loaded, never searched for).
constexpr const char* kLoadedFirst[] = {
    "crypt32.dll",  "gdiplus.dll", "ws2_32.dll",  "uxtheme.dll",  "dwmapi.dll",   "winmm.dll",   "propsys.dll",
    "userenv.dll",  "secur32.dll", "iphlpapi.dll", "dnsapi.dll",  "mswsock.dll",  "rsaenh.dll",  "cryptsp.dll",
    "comctl32.dll", "msimg32.dll", "shfolder.dll", "wtsapi32.dll", "netapi32.dll", "sspicli.dll", "apphelp.dll",
    "windowscodecs.dll", "version.dll", "cryptbase.dll", "profapi.dll", "linkinfo.dll", "ntshrui.dll", "cscapi.dll",
    "srvcli.dll", "ntmarta.dll", "oleacc.dll", "clbcatq.dll", "setupapi.dll"};

}  // namespace

namespace win32 {
bool PreloadSystemDll(const char* name) { return LoadSystemDll(name) != nullptr; }
}  // namespace win32

void NarrowDllSearch() {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  using SetDefaultDirs = BOOL(WINAPI*)(DWORD);
  using SetDllDir = BOOL(WINAPI*)(LPCSTR);
  if (auto setDefault = reinterpret_cast<SetDefaultDirs>(
          reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories"))))
    g_systemSearch = setDefault(kSearchSystem32) != FALSE;
  if (auto setDir = reinterpret_cast<SetDllDir>(reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDllDirectoryA"))))
    setDir("");
  for (const char* name : kLoadedFirst) LoadSystemDll(name);
}

}  // namespace platform

// One function's import: its slot, its DLL's name and its own name. The stubs
// below pass it to VeltaroResolveSystemImport.
struct SystemImport {
  void** slot;
  const char* dll;
  const char* name;
};

// Called by a function's stub on its first call, from any thread: the address
// of the function, also stored in its slot (two threads store the same one).
// A DLL or function the system lacks ends the program: answering nothing would
// leave a call to nowhere, and searching for the DLL elsewhere is what this
// file exists to prevent.
extern "C" void* __stdcall VeltaroResolveSystemImport(const SystemImport* import) {
  HMODULE module = platform::LoadSystemDll(import->dll);
  FARPROC fn = module ? ::GetProcAddress(module, import->name) : nullptr;
  if (!fn) ::TerminateProcess(::GetCurrentProcess(), ERROR_PROC_NOT_FOUND);
  void* address = reinterpret_cast<void*>(fn);
  ::InterlockedExchangePointer(import->slot, address);
  return address;
}

// The stubs' common tail: the stub pushed its SystemImport; the caller's
// arguments and return address lie above it and stay as they were. ecx and edx
// are kept for the function (eax carries its address).
asm(".text\n"
    "veltaro_system_import_tail:\n"
    "  pushl %ecx\n"
    "  pushl %edx\n"
    "  pushl 8(%esp)\n"
    "  call _VeltaroResolveSystemImport@4\n"
    "  popl %edx\n"
    "  popl %ecx\n"
    "  addl $4, %esp\n"
    "  jmp *%eax\n");

#define VELTARO_DLL_NAME(dll)                             \
  asm(".section .rdata,\"dr\"\n"                          \
      "veltaro_dll_" #dll ": .asciz \"" #dll ".dll\"\n"   \
      ".text\n");
VELTARO_DLL_NAME(crypt32)
VELTARO_DLL_NAME(gdiplus)
VELTARO_DLL_NAME(ws2_32)
VELTARO_DLL_NAME(winhttp)

// Slot (initially the stub), plain symbol, stub, and the SystemImport record.
#define VELTARO_SYSTEM_IMPORT(dll, name, bytes)                                        \
  asm(".data\n.p2align 2\n"                                                            \
      ".globl __imp__" #name "@" #bytes "\n"                                           \
      "__imp__" #name "@" #bytes ": .long 1f\n"                                        \
      ".text\n"                                                                        \
      ".globl _" #name "@" #bytes "\n"                                                 \
      "_" #name "@" #bytes ": jmp *__imp__" #name "@" #bytes "\n"                      \
      "1: pushl $2f\n"                                                                 \
      "  jmp veltaro_system_import_tail\n"                                             \
      ".section .rdata,\"dr\"\n.p2align 2\n"                                           \
      "2: .long __imp__" #name "@" #bytes ", veltaro_dll_" #dll ", 3f\n"               \
      "3: .asciz \"" #name "\"\n"                                                      \
      ".text\n");
#include "platform/win32/system_imports.inc"
