// libFuzzer target: any bytes as a package, read and extracted into a fresh
// temporary folder. Nothing may crash, leak, read past the archive or land
// outside the folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/testing.h"
#include "tests/support/TempDir.h"
#include "unpack/PubZip.h"

namespace {
// The parent of each run's folder must hold nothing but that folder afterwards.
bool OnlyChild(const std::string& parent, const std::string& child) {
  std::vector<platform::DirEntry> entries;
  platform::ListDir(parent, &entries);
  return entries.size() == 1 && entries[0].name == child && entries[0].isDir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  testsupport::TempDir t;
  const std::string package = t / "p.zip";
  if (!testsupport::WriteFileBytes(package, std::string(reinterpret_cast<const char*>(data), size))) std::abort();
  testsupport::TempDir parent;
  UnpackPackage(package, parent / "d", [](const UnpackProgress& p) {
    if (p.bytesDone > p.bytesTotal || p.entry >= p.entries) std::abort();
  });
  platform::testing::TakeMessageBoxes();
  std::vector<platform::DirEntry> top;
  if (platform::ListDir(parent.path(), &top) && !top.empty() && !OnlyChild(parent.path(), "d")) std::abort();
  return 0;
}
