// The registry. HKEY_LOCAL_MACHINE is addressed in its 32-bit view on 64-bit Windows.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

enum class RegRoot { kLocalMachine, kCurrentUser, kClassesRoot };

enum class RegType : uint32_t {
  kNone = 0,
  kString = 1,        // REG_SZ
  kExpandString = 2,  // REG_EXPAND_SZ
  kBinary = 3,
  kDword = 4,
};

// One value; an empty name is the key's default value. For string types `data`
// holds the text without its terminator; for other types the raw bytes.
struct RegValue {
  RegType type = RegType::kNone;
  std::string data;
};

// Opens the key read-only and reads one value; false when the key or value is missing.
bool RegRead(RegRoot root, const std::string& key, const std::string& name, RegValue* out);
// Opens the key with full access, creating missing keys along the path, and writes.
bool RegWrite(RegRoot root, const std::string& key, const std::string& name, const RegValue& value);
// Opens the key with full access, creating missing keys along the path, and
// closes it again.
bool RegOpenOrCreateKey(RegRoot root, const std::string& key);
bool RegKeyExists(RegRoot root, const std::string& key);
// Deletes a key with everything below it.
bool RegRemoveTree(RegRoot root, const std::string& key);

}  // namespace platform
