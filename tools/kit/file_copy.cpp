#include "tools/kit/file_copy.h"

#include <memory>

#include "common/KpLib.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "tools/kit/terminal_text.h"

namespace {
constexpr uint32_t kBlock = 1 << 20;

std::string Problem(const char* what, const std::string& path, uint32_t code) {
  return std::string("cannot ") + what + " " + UserPath(path) + ": " + platform::ErrorText(code);
}

// Creates the missing folders of `path`, each readable by the web server.
void MakeServedDirs(const std::string& path) {
  const std::string p = StripTrailingBackslash(path);
  if (p.size() <= 2 || DirExists(p)) return;
  const std::string parent = FolderPart(p);
  if (!parent.empty() && parent != p) MakeServedDirs(parent);
  if (platform::CreateDir(p)) platform::SetServedMode(p);
}

// Writes through `write` into `to`'s temporary name, then renames it into place.
template <typename WriteFn>
bool Place(const std::string& to, bool replace, std::string* error, WriteFn write) {
  const std::string part = to + kPartSuffix;
  MakeServedDirs(FolderPart(to));
  if (platform::FileExists(part)) platform::RemoveFile(part);
  platform::File f;
  uint32_t err = f.Open(part, platform::OpenMode::kCreateAlways);
  if (err != 0) {
    *error = Problem("create", part, err);
    return false;
  }
  if (!platform::SetServedMode(part)) {
    *error = Problem("set the mode of", part, platform::LastError());
    f.Close();
    platform::RemoveFile(part);
    return false;
  }
  if (!write(f, error) || (err = f.Close()) != 0) {
    if (error->empty()) *error = Problem("write", part, err);
    f.Close();
    platform::RemoveFile(part);
    return false;
  }
  bool moved = replace ? platform::MoveFileOver(part, to) : platform::RenameFile(part, to);
  if (!moved) {
    *error = Problem("rename into", to, platform::LastError());
    platform::RemoveFile(part);
    return false;
  }
  return true;
}
}  // namespace

const char kPartSuffix[] = ".part~";

bool SameFile(const std::string& a, const std::string& b) {
  platform::File fa, fb;
  if (fa.Open(a, platform::OpenMode::kRead, platform::Share::kRead) != 0 ||
      fb.Open(b, platform::OpenMode::kRead, platform::Share::kRead) != 0 || fa.Size() != fb.Size()) {
    return false;
  }
  std::unique_ptr<char[]> ba(new char[kBlock]), bb(new char[kBlock]);
  for (;;) {
    uint32_t na = 0, nb = 0;
    if (fa.Read(ba.get(), kBlock, &na) != 0 || fb.Read(bb.get(), kBlock, &nb) != 0 || na != nb) return false;
    if (na == 0) return true;
    if (std::char_traits<char>::compare(ba.get(), bb.get(), na) != 0) return false;
  }
}

bool PlaceFile(const std::string& from, const std::string& to, bool replace, std::string* error) {
  platform::File in;
  uint32_t err = in.Open(from, platform::OpenMode::kRead, platform::Share::kRead);
  if (err != 0) {
    *error = Problem("open", from, err);
    return false;
  }
  return Place(to, replace, error, [&](platform::File& out, std::string* why) {
    std::unique_ptr<char[]> buf(new char[kBlock]);
    for (;;) {
      uint32_t got = 0;
      uint32_t e = in.Read(buf.get(), kBlock, &got);
      if (e != 0) {
        *why = Problem("read", from, e);
        return false;
      }
      if (got == 0) return true;
      if ((e = out.Write(buf.get(), got)) != 0) {
        *why = Problem("write", to, e);
        return false;
      }
    }
  });
}

bool PlaceBytes(const std::string& bytes, const std::string& to, std::string* error) {
  return Place(to, true, error, [&](platform::File& out, std::string* why) {
    uint32_t e = bytes.empty() ? 0 : out.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (e != 0) *why = Problem("write", to, e);
    return e == 0;
  });
}
