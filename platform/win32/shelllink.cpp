#include "platform/shelllink.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/codepage.h"
#include "platform/safe_fs.h"

namespace platform {
namespace {
// The shell link class and its two interfaces, named here so that no GUID
// library is needed.
const CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string ErrorText(HRESULT hr) {
  char buf[512];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(hr), 0, buf, sizeof buf, nullptr);
  std::string s(buf, n);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
  if (s.empty()) {
    std::snprintf(buf, sizeof buf, "OLE error %08lX", static_cast<unsigned long>(hr));
    s = buf;
  }
  return s;
}
}  // namespace

struct ShellLink::Impl {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  std::string error;
  ~Impl() {
    if (file) file->Release();
    if (link) link->Release();
  }
};

ShellLink::ShellLink() : impl_(new Impl) {
  ::CoInitialize(nullptr);  // never undone: the link may be made on the UI thread any time
  HRESULT hr = ::CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA,
                                  reinterpret_cast<void**>(&impl_->link));
  if (SUCCEEDED(hr)) hr = impl_->link->QueryInterface(kIidPersistFile, reinterpret_cast<void**>(&impl_->file));
  if (FAILED(hr)) impl_->error = ErrorText(hr);
}
ShellLink::~ShellLink() = default;

bool ShellLink::Ok() const { return impl_->link && impl_->file; }
const std::string& ShellLink::Error() const { return impl_->error; }

void ShellLink::SetPath(const std::string& target) {
  if (impl_->link) impl_->link->SetPath(target.c_str());
}
void ShellLink::SetWorkingDirectory(const std::string& dir) {
  if (impl_->link) impl_->link->SetWorkingDirectory(dir.c_str());
}
void ShellLink::SetDescription(const std::string& text) {
  if (impl_->link) impl_->link->SetDescription(text.c_str());
}

// Saved under a fresh name of our own, then renamed over `path`: a link or a
// second name planted there is replaced, never written through.
bool ShellLink::Save(const std::string& path) {
  if (!impl_->file) return false;
  const std::u16string wide = AnsiToWide(path);
  File reserved;
  std::u16string temp;
  if (CreateSiblingTemp(wide, &reserved, &temp) != 0) return false;
  reserved.Close();
  if (SUCCEEDED(impl_->file->Save(reinterpret_cast<const wchar_t*>(temp.c_str()), FALSE)) &&
      PlaceOver(temp, wide) == 0)
    return true;
  RemoveSafely(temp);
  return false;
}

}  // namespace platform
