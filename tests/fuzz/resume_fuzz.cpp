// libFuzzer target: any bytes as a ".rpc.cfg" resume state, read back from a
// file and checked the way a run does before trusting it. A state the checks
// accept must really describe the download: 1..10 segments, a file of exactly
// 8 + 12 * ThreadCount bytes, segments tiling [0, Size) in order, each Received
// within its segment; and it must write back to the same bytes. A state that
// meets all of that must be accepted, and a rejected one leaves the output alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "download/ResumeState.h"
#include "tests/support/TempDir.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

int64_t Le32(const uint8_t* p) {
  uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
               static_cast<uint32_t>(p[3]) << 24;
  return static_cast<int32_t>(u);
}

// The checks written out again, in 64-bit arithmetic, straight from the bytes.
bool Trustworthy(const uint8_t* data, size_t size) {
  if (size < 8) return false;
  const int64_t total = Le32(data), count = Le32(data + 4);
  if (total < 1 || count < 1 || count > kMaxSegments) return false;
  if (size != 8 + 12 * static_cast<size_t>(count)) return false;
  int64_t at = 0;
  for (int64_t i = 0; i < count; ++i) {
    const uint8_t* r = data + 8 + 12 * i;
    const int64_t start = Le32(r), end = Le32(r + 4), received = Le32(r + 8);
    if (start != at || end < start || end > total || received < 0 || received > end - start) return false;
    at = end;
  }
  return at == total;
}

void CheckAccepted(const ResumeState& s, const std::string& bytes) {
  Check(s.ThreadCount >= 1 && s.ThreadCount <= kMaxSegments);
  Check(bytes.size() == 8 + 12 * static_cast<size_t>(s.ThreadCount));
  Check(s.Size >= 1);
  int64_t at = 0;
  for (int i = 0; i < s.ThreadCount; ++i) {
    const SegmentRecord& r = s.Segments[i];
    Check(r.Start == at && r.End >= r.Start && r.End <= s.Size);
    Check(r.Received >= 0 && static_cast<int64_t>(r.Received) <= static_cast<int64_t>(r.End) - r.Start);
    at = r.End;
  }
  Check(at == s.Size);
  for (int i = s.ThreadCount; i < kMaxSegments; ++i) {
    Check(s.Segments[i].Start == 0 && s.Segments[i].End == 0 && s.Segments[i].Received == 0);
  }
  Check(EncodeResumeState(s) == bytes);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const bool trustworthy = Trustworthy(data, size);

  // The bytes as they are, whatever their length.
  ResumeState direct;
  direct.Size = 0x5A5A5A5A;
  const bool ok = DecodeResumeState(input, &direct);
  Check(ok == trustworthy);
  if (ok) CheckAccepted(direct, input);
  else Check(direct.Size == 0x5A5A5A5A && direct.ThreadCount == 0);

  // The same bytes through the file a run reads: a file longer than any valid
  // state is read only far enough to tell.
  testsupport::TempDir t;
  const std::string path = t / "setup.zip.rpc.cfg";
  Check(testsupport::WriteFileBytes(path, input));
  std::string bytes;
  Check(ReadResumeStateFile(path, &bytes));
  Check(bytes.size() <= 8 + 12 * kMaxSegments + 1);
  Check(bytes == input.substr(0, bytes.size()));
  Check(bytes.size() == input.size() || bytes.size() == 8 + 12 * kMaxSegments + 1);
  ResumeState fromFile;
  Check(DecodeResumeState(bytes, &fromFile) == trustworthy);
  if (!trustworthy) return 0;
  CheckAccepted(fromFile, input);

  // Written back, it reads as the same state.
  const std::string copy = t / "copy.rpc.cfg";
  Check(WriteResumeStateFile(copy, fromFile));
  std::string again;
  Check(testsupport::ReadFileBytes(copy, &again) && again == input);
  return 0;
}
