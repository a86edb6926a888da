// The resume state of a download: the ".rpc.cfg" file beside the target. Fixed
// little-endian layout, no signature: Size, ThreadCount, then per segment Start,
// End and Received, all signed 32-bit.
#pragma once
#include <cstdint>
#include <string>

constexpr int kMaxSegments = 10;

struct SegmentRecord {
  int32_t Start = 0;
  int32_t End = 0;       // one past the segment's last byte
  int32_t Received = 0;  // bytes already written, counted from Start
};

struct ResumeState {
  int32_t Size = 0;
  int32_t ThreadCount = 0;
  SegmentRecord Segments[kMaxSegments];  // [0] is segment 1
};

// The file's bytes: 8 + 12 * ThreadCount.
std::string EncodeResumeState(const ResumeState& state);

// Reads the bytes and checks them before they are trusted: ThreadCount 1..10,
// exactly 8 + 12 * ThreadCount bytes, Size >= 1, segments that tile [0, Size)
// in order, each Received within its segment. False when any check fails.
bool DecodeResumeState(const std::string& bytes, ResumeState* state);

// Whole-file read and write on a Windows path; the write replaces the old
// state in one step.
bool ReadResumeStateFile(const std::string& path, std::string* bytes);
bool WriteResumeStateFile(const std::string& path, const ResumeState& state);
