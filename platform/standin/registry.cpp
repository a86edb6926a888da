// An in-memory registry with the semantics the installer relies on: key and value
// names without regard to letter case, the default value under the empty name,
// typed values, keys created along the path on write.
#include "platform/registry.h"

#include <cctype>
#include <map>
#include <mutex>
#include <vector>

#include "platform/testing.h"

namespace platform {
namespace {
struct Key {
  std::map<std::string, RegValue> values;  // by lower-case name
};

std::string Lower(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// "Software\\A\\\\B\\" and "software\\a\\b" name the same key.
std::string Normalize(RegRoot root, const std::string& key) {
  std::string out = std::to_string(static_cast<int>(root));
  std::string part;
  auto flush = [&] {
    if (!part.empty()) out += "\\" + Lower(part);
    part.clear();
  };
  for (char c : key) {
    if (c == '\\') flush();
    else part += c;
  }
  flush();
  return out;
}

struct Registry {
  std::mutex mutex;
  std::map<std::string, Key> keys;
  std::vector<testing::RegWriteRecord> writes;
};
Registry& R() {
  static Registry r;
  return r;
}
}  // namespace

namespace testing {
void ResetRegistry() {
  std::lock_guard<std::mutex> lock(R().mutex);
  R().keys.clear();
  R().writes.clear();
}
std::vector<RegWriteRecord> TakeRegistryWrites() {
  std::lock_guard<std::mutex> lock(R().mutex);
  std::vector<RegWriteRecord> out;
  out.swap(R().writes);
  return out;
}
}  // namespace testing

bool RegRead(RegRoot root, const std::string& key, const std::string& name, RegValue* out) {
  std::lock_guard<std::mutex> lock(R().mutex);
  auto k = R().keys.find(Normalize(root, key));
  if (k == R().keys.end()) return false;
  auto v = k->second.values.find(Lower(name));
  if (v == k->second.values.end()) return false;
  *out = v->second;
  return true;
}

namespace {
// Every key along the path exists afterwards, as with RegCreateKeyEx. Called
// with the lock held.
Key& CreatePath(const std::string& path) {
  for (size_t pos = path.find('\\'); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
    R().keys[path.substr(0, pos)];
  }
  return R().keys[path];
}
}  // namespace

bool RegWrite(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) {
  std::string path = Normalize(root, key);
  std::lock_guard<std::mutex> lock(R().mutex);
  CreatePath(path).values[Lower(name)] = value;
  R().writes.push_back({root, key, name, value});
  return true;
}

bool RegOpenOrCreateKey(RegRoot root, const std::string& key) {
  std::string path = Normalize(root, key);
  std::lock_guard<std::mutex> lock(R().mutex);
  CreatePath(path);
  return true;
}

bool RegKeyExists(RegRoot root, const std::string& key) {
  std::lock_guard<std::mutex> lock(R().mutex);
  return R().keys.count(Normalize(root, key)) != 0;
}

bool RegRemoveTree(RegRoot root, const std::string& key) {
  std::string path = Normalize(root, key);
  std::lock_guard<std::mutex> lock(R().mutex);
  if (R().keys.erase(path) == 0) return false;
  std::string below = path + "\\";
  auto it = R().keys.lower_bound(below);
  while (it != R().keys.end() && it->first.compare(0, below.size(), below) == 0) it = R().keys.erase(it);
  return true;
}

}  // namespace platform
