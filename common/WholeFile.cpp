#include "common/WholeFile.h"

#include "platform/fs.h"

uint32_t ReadWholeFile(const std::string& path, size_t limit, std::string* bytes) {
  bytes->clear();
  platform::File f;
  uint32_t r = f.Open(path, platform::OpenMode::kRead, platform::Share::kReadWrite);
  if (r != 0) return r;
  char buf[16384];
  uint32_t got = 0;
  do {
    r = f.Read(buf, sizeof buf, &got);
    if (r != 0) break;
    if (bytes->size() + got > limit) {
      r = platform::kErrorInvalidParameter;
      break;
    }
    bytes->append(buf, got);
  } while (got != 0);
  if (r != 0) bytes->clear();
  return r;
}
