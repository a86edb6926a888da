#include "platform/safe_fs.h"

namespace platform {
namespace {

template <typename Path>
uint32_t WriteWhole(const Path& path, const std::string& bytes) {
  File f;
  Path temp;
  uint32_t err = CreateSiblingTemp(path, &f, &temp);
  if (err != 0) return err;
  if (!bytes.empty()) err = f.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
  if (err == 0) err = f.Flush();
  const uint32_t closed = f.Close();
  if (err == 0) err = closed;
  if (err == 0) err = PlaceOver(temp, path);
  if (err != 0) RemoveSafely(temp);
  return err;
}

}  // namespace

uint32_t WriteWholeFile(const std::string& path, const std::string& bytes) { return WriteWhole(path, bytes); }
uint32_t WriteWholeFile(const std::u16string& path, const std::string& bytes) { return WriteWhole(path, bytes); }

}  // namespace platform
