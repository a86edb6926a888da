#include "platform/registry.h"

#include <windows.h>

#include <vector>

namespace platform {
namespace {
HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    default: return HKEY_LOCAL_MACHINE;
  }
}
// A 32-bit program's view of HKLM\SOFTWARE on 64-bit Windows.
REGSAM View(RegRoot root) { return root == RegRoot::kLocalMachine ? KEY_WOW64_32KEY : 0; }

class Key {
 public:
  ~Key() {
    if (h_) ::RegCloseKey(h_);
  }
  HKEY* Out() { return &h_; }
  HKEY Get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};
}  // namespace

bool RegRead(RegRoot root, const std::string& key, const std::string& name, RegValue* out) {
  Key k;
  if (::RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ | View(root), k.Out()) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::vector<BYTE> buf(size + 2);
  DWORD got = size;
  if (::RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type, buf.data(), &got) != ERROR_SUCCESS) return false;
  out->type = static_cast<RegType>(type);
  out->data.assign(reinterpret_cast<const char*>(buf.data()), got);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    // Stored strings usually carry their terminator; the text ends at the first zero.
    size_t z = out->data.find('\0');
    if (z != std::string::npos) out->data.resize(z);
  }
  return true;
}

bool RegWrite(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) {
  Key k;
  if (::RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | View(root),
                        nullptr, k.Out(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = static_cast<DWORD>(value.type);
  bool text = type == REG_SZ || type == REG_EXPAND_SZ;
  DWORD size = static_cast<DWORD>(value.data.size() + (text ? 1 : 0));
  return ::RegSetValueExA(k.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.data.c_str()), size) ==
         ERROR_SUCCESS;
}

bool RegOpenOrCreateKey(RegRoot root, const std::string& key) {
  Key k;
  return ::RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | View(root),
                           nullptr, k.Out(), nullptr) == ERROR_SUCCESS;
}

bool RegKeyExists(RegRoot root, const std::string& key) {
  Key k;
  return ::RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ | View(root), k.Out()) == ERROR_SUCCESS;
}

namespace {
bool DeleteKeyRecursive(HKEY parent, const std::string& sub, REGSAM view) {
  {
    Key k;
    if (::RegOpenKeyExA(parent, sub.c_str(), 0, KEY_ALL_ACCESS | view, k.Out()) != ERROR_SUCCESS) return false;
    char child[256];
    for (;;) {
      DWORD len = sizeof child;
      if (::RegEnumKeyExA(k.Get(), 0, child, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      if (!DeleteKeyRecursive(k.Get(), child, view)) return false;
    }
  }
  return ::RegDeleteKeyExA(parent, sub.c_str(), view, 0) == ERROR_SUCCESS;
}
}  // namespace

bool RegRemoveTree(RegRoot root, const std::string& key) { return DeleteKeyRecursive(RootKey(root), key, View(root)); }

}  // namespace platform
