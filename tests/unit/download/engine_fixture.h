// Shared pieces of the download engine's tests: a loopback server with one
// resource, a notice counter standing in for the window, and bounded waits.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "download/DownloadJob.h"
#include "download/ResumeState.h"
#include "tests/support/EngineFaultArm.h"
#include "download/Notify.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "tools/kit/http_server.h"
#include "tests/support/TempDir.h"

#ifndef _WIN32
#include "platform/testing.h"
#endif

class CountingTarget : public NotifyTarget {
 public:
  void SendDownloadFailed(uint32_t) override { ++count; }
  std::atomic<int> count{0};
};

// The job's log (ANSI text) in UTF-8, to compare with this file's literals.
inline std::vector<std::string> LogText(const std::shared_ptr<TDownloadJob>& job) {
  std::vector<std::string> out;
  for (const std::string& line : job->Log()) out.push_back(platform::WideToUtf8(platform::AnsiToWide(line)));
  return out;
}

// The resume state a run left beside `file`.
// A state the engine replaces while the test looks may be missing for a moment
// (Wine's rename over a name is not one step): the read is tried again briefly.
inline bool SavedState(const std::string& file, ResumeState* st) {
  std::string cfg;
  for (int tries = 0; tries < 20 && !testsupport::ReadFileBytes(file + ".rpc.cfg", &cfg); ++tries) {
    platform::SleepMs(5);
  }
  return DecodeResumeState(cfg, st);
}

inline ResumeState TwoSegments(int32_t size, int32_t r1, int32_t r2) {
  ResumeState s;
  s.Size = size;
  s.ThreadCount = 2;
  s.Segments[0] = {0, size / 2, r1};
  s.Segments[1] = {size / 2, size, r2};
  return s;
}

// The ".rpc" data file beside `file` holds the source's first n bytes and,
// past them, only the zeros it was created with.
inline ::testing::AssertionResult DataHolds(const std::string& file, const std::string& src, size_t n) {
  std::string data;
  if (!testsupport::ReadFileBytes(file + ".rpc", &data)) return ::testing::AssertionFailure() << "no data file";
  if (data.size() != src.size()) return ::testing::AssertionFailure() << "data file of " << data.size() << " bytes";
  if (data.compare(0, n, src, 0, n) != 0) return ::testing::AssertionFailure() << "the first " << n << " bytes differ";
  size_t extra = data.find_first_not_of('\0', n);
  if (extra != std::string::npos) return ::testing::AssertionFailure() << "byte " << extra << " written past " << n;
  return ::testing::AssertionSuccess();
}

// A state whose every counted byte is in the data file as the source has it.
inline ::testing::AssertionResult StateMatchesData(const std::string& file, const std::string& src,
                                                   ResumeState* st) {
  std::string data;
  if (!SavedState(file, st)) return ::testing::AssertionFailure() << "no valid state";
  if (!testsupport::ReadFileBytes(file + ".rpc", &data) || data.size() != src.size()) {
    return ::testing::AssertionFailure() << "no data file of the source's size";
  }
  for (int i = 0; i < st->ThreadCount; ++i) {
    const SegmentRecord& r = st->Segments[i];
    if (data.compare(r.Start, r.Received, src, r.Start, r.Received) != 0) {
      return ::testing::AssertionFailure() << "segment " << i + 1 << " counts bytes it does not hold";
    }
  }
  return ::testing::AssertionSuccess();
}

// Bounded in real time: a test may move the engine's tick count meanwhile.
template <typename F>
bool WaitFor(F done, int timeoutMs = 20000) {
  const uint32_t start = platform::TransferTickCount();
  while (!done()) {
    if (platform::TransferTickCount() - start > static_cast<uint32_t>(timeoutMs)) return false;
    platform::SleepMs(10);
  }
  return true;
}

// Moves the engine's tick count on by `ms`, so that a wait measured in ticks
// passes in a fraction of its time; under Windows the wait takes its real time.
inline void TicksPass(uint32_t ms) {
#ifndef _WIN32
  platform::testing::AdvanceTickCount(ms);
#else
  (void)ms;
#endif
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    notices_ = std::make_shared<CountingTarget>();
    SetNotifyWindow(notices_);
    ASSERT_TRUE(server_.Start());
  }
  void TearDown() override {
    ArmEngineFault(EngineFault::kSegmentStart, 0);
    ArmEngineFault(EngineFault::kPoll, 0);
    ArmEngineFault(EngineFault::kWrite, 0);
    ArmEngineFault(EngineFault::kFlush, 0);
    SetNotifyWindow(nullptr);
    server_.Stop();
  }
  // A resource of n pseudo-random bytes at /pkg.zip.
  std::string Publish(size_t n, const std::string& path = "/pkg.zip") {
    std::string s(n, '\0');
    uint32_t x = 2463534242u + static_cast<uint32_t>(n);
    for (char& c : s) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      c = static_cast<char>(x);
    }
    server_.AddFile(path, s);
    return s;
  }
  // Runs a job to its end: completion, or a stall that the test then cancels.
  std::shared_ptr<TDownloadJob> Start(const std::string& file, int threads = 2,
                                      const std::string& path = "/pkg.zip") {
    return TDownloadJob::Create(server_.Url(path), file, threads);
  }
  static bool Ended(const std::shared_ptr<TDownloadJob>& job) {
    if (job->WaitEngineEnded(30000)) return true;
    for (const std::string& line : LogText(job)) ADD_FAILURE() << line;
    return false;
  }
  std::vector<std::string> GetsOf(const std::string& path) {
    std::vector<std::string> out;
    for (const std::string& r : server_.Requests()) {
      if (r.compare(0, 5 + path.size(), "GET " + path + " ") == 0) out.push_back(r);
    }
    return out;
  }

  std::shared_ptr<CountingTarget> notices_;
  kit::HttpServer server_;
  testsupport::TempDir dir_;
};
