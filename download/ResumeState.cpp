#include "download/ResumeState.h"

#include "platform/fs.h"
#include "platform/safe_fs.h"

namespace {
// Anything longer than the largest valid state is rejected unread.
constexpr uint32_t kMaxStateBytes = 8 + 12 * kMaxSegments;

void PutLe32(std::string* out, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t GetLe32(const std::string& in, size_t at) {
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(in[at + static_cast<size_t>(i)]);
  return static_cast<int32_t>(u);
}
}  // namespace

std::string EncodeResumeState(const ResumeState& s) {
  std::string out;
  PutLe32(&out, s.Size);
  PutLe32(&out, s.ThreadCount);
  for (int i = 0; i < s.ThreadCount && i < kMaxSegments; ++i) {
    PutLe32(&out, s.Segments[i].Start);
    PutLe32(&out, s.Segments[i].End);
    PutLe32(&out, s.Segments[i].Received);
  }
  return out;
}

bool DecodeResumeState(const std::string& bytes, ResumeState* out) {
  if (bytes.size() < 8) return false;
  ResumeState s;
  s.Size = GetLe32(bytes, 0);
  s.ThreadCount = GetLe32(bytes, 4);
  if (s.Size < 1 || s.ThreadCount < 1 || s.ThreadCount > kMaxSegments) return false;
  if (bytes.size() != 8 + 12 * static_cast<size_t>(s.ThreadCount)) return false;
  int32_t expectStart = 0;
  for (int i = 0; i < s.ThreadCount; ++i) {
    SegmentRecord& r = s.Segments[i];
    size_t at = 8 + 12 * static_cast<size_t>(i);
    r.Start = GetLe32(bytes, at);
    r.End = GetLe32(bytes, at + 4);
    r.Received = GetLe32(bytes, at + 8);
    if (r.Start != expectStart || r.End < r.Start || r.End > s.Size) return false;
    if (r.Received < 0 || r.Received > r.End - r.Start) return false;
    expectStart = r.End;
  }
  if (expectStart != s.Size) return false;
  *out = s;
  return true;
}

bool ReadResumeStateFile(const std::string& path, std::string* bytes) {
  platform::File f;
  if (f.Open(path, platform::OpenMode::kRead) != 0) return false;
  char buf[kMaxStateBytes + 1];
  uint32_t total = 0, got = 0;
  do {
    if (f.Read(buf + total, sizeof buf - total, &got) != 0) return false;
    total += got;
  } while (got > 0 && total < sizeof buf);
  bytes->assign(buf, total);
  return true;
}

// Written beside the state and moved over it in one step: a crash mid-write
// leaves the old state or the new one, never a torn one; a link at its name is
// replaced, never followed.
bool WriteResumeStateFile(const std::string& path, const ResumeState& state) {
  return platform::WriteWholeFile(path, EncodeResumeState(state)) == 0;
}
