#include "platform/shell.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

namespace platform {

bool ShellExecuteVerb(void* owner, const std::string& verb, const std::string& file, const std::string& params) {
  SHELLEXECUTEINFOA info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = static_cast<HWND>(owner);
  info.lpVerb = verb.c_str();
  info.lpFile = file.c_str();
  info.lpParameters = params.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ::ShellExecuteExA(&info) != FALSE;
}

bool ShellOpen(void* owner, const std::string& file, const std::string& dir) {
  HINSTANCE r = ::ShellExecuteA(static_cast<HWND>(owner), "open", file.c_str(), nullptr, dir.c_str(), SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(r) > 32;
}

std::string DesktopFolder() {
  char buf[MAX_PATH];
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, buf))) {
    return std::string();
  }
  return buf;
}

std::string ModulePath() {
  char buf[MAX_PATH + 1];
  DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return std::string();
  return std::string(buf, n);
}

namespace {

int CALLBACK SelectInitial(HWND dialog, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

// The item list the dialog returns, freed with the shell's allocator.
struct Pidl {
  PIDLIST_ABSOLUTE p;
  ~Pidl() {
    if (p) ::CoTaskMemFree(p);
  }
};

}  // namespace

std::string PickFolder(const std::u16string& title, const std::string& initial) {
  // The wide dialog for its prompt only: the initial folder goes in and the
  // choice comes out through the ANSI calls, as with the ANSI dialog.
  BROWSEINFOW bi;
  ZeroMemory(&bi, sizeof bi);
  bi.lpszTitle = reinterpret_cast<const wchar_t*>(title.c_str());
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  if (!initial.empty()) {
    bi.lpfn = SelectInitial;
    bi.lParam = reinterpret_cast<LPARAM>(initial.c_str());
  }
  Pidl item{::SHBrowseForFolderW(&bi)};
  if (!item.p) return std::string();
  char path[MAX_PATH];
  if (!::SHGetPathFromIDListA(item.p, path)) return std::string();
  return path;
}

ComApartment::ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
ComApartment::~ComApartment() {
  if (ok_) ::CoUninitialize();
}

}  // namespace platform
