#include "common/InstallLog.h"

#include <vector>

#include "common/KpLib.h"
#include "platform/codepage.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "platform/localtime.h"
#include "platform/safe_fs.h"
#include "platform/thread.h"

namespace installlog {

namespace {
const char kBom[] = "\xEF\xBB\xBF";
constexpr size_t kBomSize = 3;
// Lines kept while the folder does not exist yet.
constexpr size_t kPendingLimit = 200;
// An older file far beyond the rotation size was not written by us: not carried over.
constexpr int64_t kCarryLimit = 8 * kRotateBytes;

struct State {
  platform::Mutex mutex;  // guards the fields below
  platform::File file;    // open for appending while the run has a log
  std::string path;       // empty when this run has no log (never opened, closed or given up)
  bool waiting = false;   // the folder was missing at the last try
  std::vector<std::string> pending;
};

// Never destroyed: an engine thread may still write a job's lines while the
// program ends. The system closes the handle with the process.
State& TheLog() {
  static State* state = new State;
  return *state;
}

std::string Line(Kind kind, const std::string& utf8) {
  std::string text = utf8;
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return platform::LocalTimeText() + " " + KindTag(kind) + " " + text + "\r\n";
}

// The earlier runs' bytes; empty when what stands at `path` is not a plain file
// of one name (a link, a second hard-link name, a folder: its target's bytes must
// not be copied into a file every user may read) or is too large to be a log.
std::string EarlierBytes(const std::string& path) {
  if (platform::IsLink(path)) return std::string();
  platform::File f;
  if (f.Open(path, platform::OpenMode::kRead) != 0) return std::string();
  uint32_t links = 0;
  const int64_t size = f.Size();
  if (f.LinkCount(&links) != 0 || links != 1 || size <= 0 || size > kCarryLimit) return std::string();
  std::string bytes(static_cast<size_t>(size), '\0');
  uint32_t got = 0;
  size_t at = 0;
  while (at < bytes.size() && f.Read(&bytes[at], static_cast<uint32_t>(bytes.size() - at), &got) == 0 && got > 0)
    at += got;
  bytes.resize(at);
  return bytes;
}

bool StartsWithBom(const std::string& s) { return s.compare(0, kBomSize, kBom) == 0; }

// Reopens the file just placed at `path` for appending, as its only writer. A
// link or a second name that appeared at the name meanwhile is not written.
bool OpenForAppend(State& s, int64_t expectedSize) {
  platform::File f;
  uint32_t links = 0;
  if (f.Open(s.path, platform::OpenMode::kWrite, platform::Share::kRead) != 0 || platform::IsLink(s.path) ||
      f.LinkCount(&links) != 0 || links != 1 || f.Size() != expectedSize || f.Seek(expectedSize) != 0) {
    return false;
  }
  s.file = std::move(f);
  return true;
}

void GiveUp(State& s) {
  s.file.Close();
  s.path.clear();
  s.pending.clear();
  s.waiting = false;
}

void TryOpen(State& s) {
  // The log never creates its folder: the work folder's rights are set where it is made.
  s.waiting = !DirExists(FolderPart(s.path));
  if (s.waiting) return;
  std::string earlier = EarlierBytes(s.path);
  if (static_cast<int64_t>(earlier.size()) >= kRotateBytes) {
    platform::WriteWholeFile(s.path + ".1", earlier);  // lost if it cannot be written; the run goes on
    earlier.clear();
  }
  std::string bytes = StartsWithBom(earlier) ? earlier : kBom + earlier;
  for (const std::string& line : s.pending) bytes += line;
  s.pending.clear();
  if (platform::WriteWholeFile(s.path, bytes) != 0 || !OpenForAppend(s, static_cast<int64_t>(bytes.size())))
    GiveUp(s);
}
}  // namespace

const char* KindTag(Kind kind) {
  switch (kind) {
    case Kind::kStart: return "START";
    case Kind::kFail: return "FAIL ";
    case Kind::kInfo: break;
  }
  return "INFO ";
}

void Open(const std::string& path, const std::string& startLine) {
  State& s = TheLog();
  platform::LockGuard lock(s.mutex);
  GiveUp(s);
  s.path = path;
  s.pending.push_back(Line(Kind::kStart, startLine));
  TryOpen(s);
}

void Close() {
  State& s = TheLog();
  platform::LockGuard lock(s.mutex);
  if (s.file.IsOpen()) s.file.Flush();
  GiveUp(s);
}

void Write(Kind kind, const std::string& utf8) {
  State& s = TheLog();
  platform::LockGuard lock(s.mutex);
  if (s.path.empty()) return;
  const std::string line = Line(kind, utf8);
  if (s.waiting) {
    if (s.pending.size() < kPendingLimit) s.pending.push_back(line);
    TryOpen(s);
    return;
  }
  // One write a line: what the system has taken survives a crash of the program.
  if (s.file.Write(line.data(), static_cast<uint32_t>(line.size())) != 0) GiveUp(s);
}

std::string FromAnsi(const std::string& ansi) { return platform::WideToUtf8(platform::AnsiToWide(ansi)); }

std::string ErrorWords(uint32_t code) {
  return std::to_string(code) + " (" + FromAnsi(platform::ErrorText(code)) + ")";
}

}  // namespace installlog
