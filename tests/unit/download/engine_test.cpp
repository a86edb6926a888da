// The download engine end to end on loopback: fresh, resumed, cancelled and
// failing runs, the files they leave and the notices they send.
#include <functional>
#include <regex>

#include "download/ResumeState.h"
#include "engine_fixture.h"
#include "tests/support/FileAssert.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "platform/thread.h"

namespace {

using testsupport::WriteFileBytes;

// Log lines without their "[yyyy-mm-dd hh:nn:ss] " stamp; the stamp's form is checked.
std::vector<std::string> Unstamped(const std::shared_ptr<TDownloadJob>& job) {
  static const std::regex stamp(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] )");
  std::vector<std::string> out;
  for (const std::string& line : LogText(job)) {
    if (line.compare(0, 6, "线程") == 0) {
      out.push_back(line);
    } else {
      EXPECT_TRUE(std::regex_search(line, stamp)) << line;
      out.push_back(line.size() > 22 ? line.substr(22) : line);
    }
  }
  return out;
}

std::string RangeOf(const std::string& request) {
  size_t p = request.find("Range: ");
  return p == std::string::npos ? std::string() : request.substr(p + 7, request.find("\r\n", p) - p - 7);
}

TEST_F(EngineTest, FreshDownloadCompletesWithExactRequestsAndLog) {
  std::string src = Publish(101);
  std::string file = dir_ / "dl\\pkg.zip";
  auto job = Start(file);
  EXPECT_EQ(job->Running, 1);
  ASSERT_TRUE(Ended(job));
  EXPECT_TRUE(job->Finished);
  EXPECT_EQ(job->Running, 0);
  EXPECT_EQ(job->GetPercent(), 100);
  EXPECT_EQ(job->FinalName(), file);
  EXPECT_TRUE(FileHolds(file, src));
  EXPECT_FALSE(platform::FileExists(file + ".rpc"));
  EXPECT_FALSE(platform::FileExists(file + ".rpc.cfg"));
  EXPECT_EQ(notices_->count, 0);

  // 101 bytes in two segments: [0, 50) and [50, 101), each asking one byte more.
  std::vector<std::string> gets = GetsOf("/pkg.zip");
  ASSERT_EQ(gets.size(), 2u);
  std::string host = "127.0.0.1:" + std::to_string(server_.Port());
  for (const char* range : {"0-50", "50-101"}) {
    std::string want = std::string("GET /pkg.zip HTTP/1.1\r\nContent-Type: text/html\r\nHost: ") + host +
                       "\r\nAccept: text/html, */*\r\n"
                       "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Maxthon)\r\n"
                       "Range: bytes=" + range + "\r\n\r\n";
    EXPECT_TRUE(gets[0] == want || gets[1] == want) << range;
  }

  // The log holds ANSI text (GBK here), not the source's UTF-8.
  std::vector<std::string> raw = job->Log();
  EXPECT_EQ(std::count(raw.begin(), raw.end(), "\xCF\xDF\xB3\xCC" "1\xCD\xEA\xB3\xC9\xCD\xCB\xB3\xF6."), 1);
  EXPECT_EQ(raw.at(0).substr(22, 8), "\xBD\xF8\xC8\xEB\xCF\xC2\xD4\xD8");
  std::vector<std::string> log = Unstamped(job);
  ASSERT_EQ(log.size(), 9u);
  std::vector<std::string> head(log.begin(), log.begin() + 6);
  EXPECT_EQ(head, (std::vector<std::string>{"进入下载分支1：0 字节。", "取得资源原始大小：101 字节。",
                                            "重新取得资源原始大小：101 字节。", "开始创建接收文件... ...",
                                            "创建接收文件成功.", "开始启动线程进行接收... ..."}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "线程1完成退出."), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "线程2完成退出."), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "线程启动成功，资源接收中... ..."), 1);
}

TEST_F(EngineTest, SmallAndOddSizesSplitWithTheRemainderLast) {
  std::string one = Publish(1, "/one.bin");
  auto job = Start(dir_ / "one.bin", 2, "/one.bin");
  ASSERT_TRUE(Ended(job));
  ASSERT_TRUE(job->Finished);
  std::vector<std::string> gets = GetsOf("/one.bin");
  ASSERT_EQ(gets.size(), 1u);  // segment 1 is [0, 0) and gets no thread
  EXPECT_EQ(RangeOf(gets[0]), "bytes=0-1");

  std::string big = Publish(250007, "/big.bin");
  job = Start(dir_ / "big.bin", 3, "/big.bin");
  ASSERT_TRUE(Ended(job));
  ASSERT_TRUE(job->Finished);
  EXPECT_TRUE(FileHolds(dir_ / "big.bin", big));
  std::vector<std::string> ranges;
  for (const std::string& r : GetsOf("/big.bin")) ranges.push_back(RangeOf(r));
  std::sort(ranges.begin(), ranges.end());
  EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-83335", "bytes=166670-250007", "bytes=83335-166670"}));
}

TEST_F(EngineTest, ExistingTargetGetsTheNextNumberedName) {
  std::string src = Publish(5000);
  ASSERT_TRUE(WriteFileBytes(dir_ / "pkg.zip", "old"));
  ASSERT_TRUE(WriteFileBytes(dir_ / "pkg(1).zip", "old1"));
  auto job = Start(dir_ / "pkg.zip");
  ASSERT_TRUE(Ended(job));
  EXPECT_EQ(job->FinalName(), dir_ / "pkg(2).zip");
  EXPECT_TRUE(FileHolds(dir_ / "pkg(2).zip", src));
  EXPECT_TRUE(FileHolds(dir_ / "pkg.zip", "old"));

  ASSERT_TRUE(WriteFileBytes(dir_ / "setup", "x"));
  job = Start(dir_ / "setup");
  ASSERT_TRUE(Ended(job));
  EXPECT_EQ(job->FinalName(), dir_ / "setup(1)");
}

TEST_F(EngineTest, UnknownOrZeroSizeFailsEarlyWithoutFiles) {
  Publish(0, "/empty.bin");
  Publish(5000, "/nolength.bin");
  const struct {
    const char* path;
    bool noLength;
    const char* sizeLine;
  } cases[] = {
      {"/empty.bin", false, "取得资源原始大小：0 字节。"},
      {"/missing.bin", false, "取得资源原始大小：0 字节。"},
      {"/nolength.bin", true, "取得资源原始大小：-1 字节。"},
  };
  for (const auto& c : cases) {
    kit::ServerFaults f;
    f.noContentLength = c.noLength;
    server_.SetFaults(f);
    int before = notices_->count;
    auto job = Start(dir_ / "x.bin", 2, c.path);
    ASSERT_TRUE(Ended(job));
    EXPECT_EQ(notices_->count, before + 1);
    EXPECT_EQ(Unstamped(job), (std::vector<std::string>{"进入下载分支1：0 字节。", c.sizeLine})) << c.path;
    EXPECT_EQ(job->Running, 1);  // the run ended before its download phase
    EXPECT_FALSE(platform::FileExists(dir_ / "x.bin.rpc"));
    EXPECT_FALSE(platform::FileExists(dir_ / "x.bin.rpc.cfg"));
    job->Cancel();
    EXPECT_EQ(job->Running, 1);
    // A size of 0 never divides: the percentage stays 0.
    job->ProgressValid = true;
    EXPECT_EQ(job->GetPercent(), 0);
  }
}

TEST_F(EngineTest, CancelThenResumeIsByteIdenticalAndSkipsCompleteSegments) {
  const int size = 200000;
  std::string src = Publish(size);
  // Segment 2 stalls after 30000 bytes; segment 1 completes.
  kit::ServerFaults f;
  f.stallAfter = 30000;
  f.faultFrom = size / 2;
  server_.SetFaults(f);
  std::string file = dir_ / "pkg.zip";
  auto job = Start(file);
  ASSERT_TRUE(WaitFor([&] { return job->Downloaded >= size / 2 + 20480; }));
  EXPECT_GT(job->GetPercent(), 0);
  job->Cancel();
  ASSERT_TRUE(WaitFor([&] { return job->Running == 0; }));
  ASSERT_TRUE(Ended(job));
  EXPECT_FALSE(job->CancelRequested);
  EXPECT_FALSE(job->Finished);
  EXPECT_FALSE(platform::FileExists(file));
  EXPECT_EQ(Unstamped(job).back(), "资源接收未完成，任务中止.");

  ResumeState st;
  ASSERT_TRUE(SavedState(file, &st));
  EXPECT_EQ(st.Size, size);
  EXPECT_EQ(st.Segments[0].Received, size / 2);
  const int32_t seg2 = st.Segments[1].Received;
  EXPECT_EQ(seg2 % 10240, 0);  // whole chunks only
  EXPECT_GE(seg2, 20480);
  EXPECT_LE(seg2, 30000);
  EXPECT_TRUE(DataHolds(file, src, size / 2 + seg2));

  server_.SetFaults(kit::ServerFaults());
  size_t before = server_.Requests().size();
  auto again = Start(file);
  ASSERT_TRUE(Ended(again));
  ASSERT_TRUE(again->Finished);
  EXPECT_TRUE(FileHolds(file, src));
  std::vector<std::string> req = server_.Requests();
  ASSERT_EQ(req.size(), before + 1);  // no size request, one segment
  EXPECT_EQ(RangeOf(req.back()), "bytes=" + std::to_string(size / 2 + seg2) + "-" + std::to_string(size));
  std::vector<std::string> log = Unstamped(again);
  EXPECT_EQ(log[0], "进入下载分支0：0 字节。");
  EXPECT_EQ(log[1], "取得资源原始大小：200000 字节。");
  EXPECT_EQ(std::count(log.begin(), log.end(), "线程1完成退出."), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "线程2完成退出."), 1);
  EXPECT_FALSE(platform::FileExists(file + ".rpc.cfg"));
}

TEST_F(EngineTest, DroppedConnectionsNoticeOncePerSegmentThenResume) {
  const int size = 200000;
  std::string src = Publish(size);
  kit::ServerFaults f;
  f.dropAfter = 30000;
  server_.SetFaults(f);
  std::string file = dir_ / "pkg.zip";
  auto job = Start(file);
  ASSERT_TRUE(WaitFor([&] { return notices_->count == 2; }));
  // The job stalls: still running, not finished, progress stuck at whole chunks.
  platform::SleepMs(300);
  EXPECT_EQ(notices_->count, 2);
  EXPECT_EQ(job->Running, 1);
  EXPECT_FALSE(job->Finished);
  EXPECT_EQ(job->Downloaded, 2 * 20480);
  std::vector<std::string> log = Unstamped(job);
  // Each segment logs its failure line and then its end line; the two threads'
  // lines may interleave, so only the order within one segment is fixed.
  for (const char* n : {"1", "2"}) {
    const std::string failLine = std::string("线程") + n + "下载异常.", endLine = std::string("线程") + n + "完成退出.";
    auto fail = std::find(log.begin(), log.end(), failLine);
    ASSERT_NE(fail, log.end());
    auto end = std::find(fail + 1, log.end(), endLine);
    ASSERT_NE(end, log.end()) << "segment " << n << " ends after its failure";
    EXPECT_EQ(std::count(log.begin(), log.end(), failLine), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), endLine), 1);
    EXPECT_EQ(std::find(log.begin(), fail, endLine), fail) << "no end line before the failure";
  }
  job->Cancel();
  ASSERT_TRUE(Ended(job));

  server_.SetFaults(kit::ServerFaults());
  auto again = Start(file);
  ASSERT_TRUE(Ended(again));
  ASSERT_TRUE(again->Finished);
  EXPECT_TRUE(FileHolds(file, src));
  EXPECT_EQ(notices_->count, 2);
}

TEST_F(EngineTest, AnswerForTheWrongRangeIsASegmentErrorAndWritesNothing) {
  const int size = 100000;
  std::string src = Publish(size);
  std::string file = dir_ / "pkg.zip";
  // Segment 2's answer: the whole resource (200), or a 206 that starts 7 bytes late.
  kit::ServerFaults ignore, shift;
  ignore.ignoreRange = true;
  shift.shiftRange = 7;
  for (kit::ServerFaults f : {ignore, shift}) {
    f.faultFrom = size / 2;
    server_.SetFaults(f);
    int before = notices_->count;
    auto job = Start(file);
    ASSERT_TRUE(WaitFor([&] { return notices_->count == before + 1; }));
    ASSERT_TRUE(WaitFor([&] { return job->Downloaded == size / 2; }));
    EXPECT_FALSE(job->Finished);
    job->Cancel();
    ASSERT_TRUE(Ended(job));
    std::vector<std::string> log = Unstamped(job);
    EXPECT_EQ(std::count(log.begin(), log.end(), "线程2下载异常."), 1);
    EXPECT_FALSE(platform::FileExists(file));
    EXPECT_TRUE(DataHolds(file, src, size / 2));
    platform::RemoveFile(file + ".rpc");
    platform::RemoveFile(file + ".rpc.cfg");
  }
  server_.SetFaults(kit::ServerFaults());
  auto again = Start(file);
  ASSERT_TRUE(Ended(again));
  EXPECT_TRUE(FileHolds(file, src));
}

// A segment reads chunks of 10240 bytes and a last one of what is left, and
// counts only chunks it has written whole: a 25000-byte segment whose
// connection drops after `dropAfter` bytes has `received` bytes on record.
TEST_F(EngineTest, SegmentCountsWholeChunksOnly) {
  std::string src = Publish(25000);
  const struct {
    int64_t dropAfter;
    int32_t received;
  } cases[] = {{10239, 0}, {10240, 10240}, {24999, 20480}, {-1, 25000}};
  for (const auto& c : cases) {
    kit::ServerFaults f;
    f.dropAfter = c.dropAfter;
    server_.SetFaults(f);
    std::string file = dir_ / ("c" + std::to_string(c.dropAfter) + ".bin");
    auto job = Start(file, 1);
    if (c.dropAfter >= 0) {
      ASSERT_TRUE(WaitFor([&] { return notices_->count > 0; }));
      notices_->count = 0;
      job->Cancel();
    }
    ASSERT_TRUE(Ended(job));
    if (c.dropAfter < 0) {
      EXPECT_TRUE(job->Finished);
      EXPECT_TRUE(FileHolds(file, src));
      continue;
    }
    ResumeState st;
    ASSERT_TRUE(SavedState(file, &st));
    EXPECT_EQ(st.Segments[0].Received, c.received) << c.dropAfter;
    EXPECT_TRUE(DataHolds(file, src, static_cast<size_t>(c.received)));
  }
}

TEST_F(EngineTest, StopDuringAReadEndsThatRead) {
  std::string src = Publish(50000);
  kit::ServerFaults f;
  f.stallAfter = 15000;  // halfway through the second chunk
  f.stallMs = 1500;
  server_.SetFaults(f);
  std::string file = dir_ / "pkg.zip";
  auto job = Start(file, 1);
  ASSERT_TRUE(WaitFor([&] { return job->Downloaded == 10240; }));
  job->Cancel();
  ASSERT_TRUE(Ended(job));
  EXPECT_EQ(notices_->count, 0);
  ResumeState st;
  ASSERT_TRUE(SavedState(file, &st));
  EXPECT_EQ(st.Segments[0].Received, 10240) << "the chunk under way (its server stalled) is dropped";
  EXPECT_TRUE(DataHolds(file, src, 10240));
}

// The owner setting Finished ends the run without a last state and without
// the rename; what the run saved meanwhile, or an earlier run's state, still
// describes the data file.
TEST_F(EngineTest, OwnerFinishingEarlyLeavesAStateThatMatchesTheData) {
  std::string src = Publish(200000);
  std::string file = dir_ / "pkg.zip";
  for (bool resumed : {false, true}) {
    if (resumed) {
      ASSERT_TRUE(WriteFileBytes(file + ".rpc", std::string(200000, '\0')));
      ASSERT_TRUE(WriteFileBytes(file + ".rpc.cfg", EncodeResumeState(TwoSegments(200000, 0, 0))));
    }
    kit::ServerFaults f;
    f.rate = 100000;
    server_.SetFaults(f);
    auto job = Start(file);
    ASSERT_TRUE(WaitFor([&] { return job->Downloaded > 0; }));
    job->Finished = true;
    ASSERT_TRUE(WaitFor([&] { return job->Running == 0; }));
    ASSERT_TRUE(Ended(job));
    EXPECT_TRUE(platform::FileExists(file + ".rpc"));
    EXPECT_FALSE(platform::FileExists(file));
    ResumeState st;
    if (resumed || platform::FileExists(file + ".rpc.cfg")) {
      EXPECT_TRUE(StateMatchesData(file, src, &st));
    }
  }
}

TEST_F(EngineTest, SegmentThatCannotStartFailsAloneAndTheRunGoesOn) {
  const int size = 100000;
  Publish(size);
  ArmEngineFault(EngineFault::kSegmentStart, 1);  // segment 1's thread
  std::string file = dir_ / "pkg.zip";
  auto job = Start(file);
  ASSERT_TRUE(WaitFor([&] { return notices_->count == 1; }));
  ASSERT_TRUE(WaitFor([&] { return job->Downloaded == size - size / 2; }));
  EXPECT_EQ(job->Running, 1) << "still polling: the owner decides what to do";
  EXPECT_FALSE(job->Finished);
  std::vector<std::string> log = Unstamped(job);
  auto fail = std::find(log.begin(), log.end(), "线程1下载异常.");
  ASSERT_NE(fail, log.end());
  ASSERT_NE(fail + 1, log.end());
  EXPECT_EQ(fail[1], "线程1完成退出.");
  job->Cancel();
  ASSERT_TRUE(Ended(job));
  EXPECT_EQ(job->Running, 0);
  ResumeState st;
  ASSERT_TRUE(SavedState(file, &st));
  EXPECT_EQ(st.Segments[0].Received, 0);
  EXPECT_EQ(st.Segments[1].Received, size - size / 2);
}

TEST_F(EngineTest, ErrorInsideThePollSavesTheStateAndEndsTheRun) {
  Publish(200000);
  kit::ServerFaults f;
  f.rate = 100000;
  server_.SetFaults(f);
  ArmEngineFault(EngineFault::kPoll, 1);
  std::string file = dir_ / "pkg.zip";
  auto job = Start(file);
  ASSERT_TRUE(Ended(job));
  EXPECT_EQ(job->Running, 0);
  EXPECT_FALSE(job->Finished);
  EXPECT_EQ(notices_->count, 0);
  EXPECT_EQ(Unstamped(job).back(), "资源接收未完成，任务中止.");
  ResumeState st;
  ASSERT_TRUE(SavedState(file, &st));
  EXPECT_EQ(st.Size, 200000);
}

TEST_F(EngineTest, OwnerMayDropTheJobWhileItRuns) {
  Publish(200000);
  kit::ServerFaults f;
  f.rate = 200000;
  server_.SetFaults(f);
  std::weak_ptr<TDownloadJob> weak;
  {
    auto job = Start(dir_ / "pkg.zip");
    weak = job;
    ASSERT_TRUE(WaitFor([&] { return job->Downloaded > 0; }));
    job->Cancel();
  }
  // The engine keeps the job alive until its threads have ended, then frees it.
  ASSERT_TRUE(WaitFor([&] { return weak.expired(); }));
  EXPECT_TRUE(platform::FileExists(dir_ / "pkg.zip.rpc.cfg"));
}

}  // namespace

namespace {

// Stands in for the window: a notice is handed to a separate "UI thread" and
// the sending engine thread waits until that thread has handled it.
class UiThreadTarget : public NotifyTarget {
 public:
  explicit UiThreadTarget(std::function<void()> handler) : handler_(std::move(handler)) {
    ui_ = platform::Thread([this] {
      platform::UniqueLock lock(m_);
      while (!quit_) {
        cv_.Wait(lock, [this] { return quit_ || pending_ > handled_; });
        if (pending_ > handled_) {
          lock.Unlock();
          handler_();
          lock.Lock();
          ++handled_;
          cv_.NotifyAll();
        }
      }
    });
  }
  ~UiThreadTarget() override {
    {
      platform::LockGuard lock(m_);
      quit_ = true;
    }
    cv_.NotifyAll();
    ui_.Join();
  }
  void SendDownloadFailed(uint32_t) override {
    platform::UniqueLock lock(m_);
    int ticket = ++pending_;
    cv_.NotifyAll();
    cv_.Wait(lock, [&] { return handled_ >= ticket || quit_; });
  }
  int Handled() {
    platform::LockGuard lock(m_);
    return handled_;
  }

 private:
  std::function<void()> handler_;
  platform::Mutex m_;
  platform::CondVar cv_;
  int pending_ = 0, handled_ = 0;
  bool quit_ = false;
  platform::Thread ui_;
};

TEST_F(EngineTest, SegmentWaitsUntilTheWindowHandledItsNotice) {
  Publish(100000);
  kit::ServerFaults f;
  f.dropAfter = 15000;
  server_.SetFaults(f);
  platform::Event created;
  std::shared_ptr<TDownloadJob> jobOf;  // set before `created`
  std::vector<std::string> logAtHandling;
  auto ui = std::make_shared<UiThreadTarget>([&] {
    platform::SleepMs(200);  // a slow handler: the sender must still be waiting
    if (!created.Wait(20000)) return;
    logAtHandling = Unstamped(jobOf);
    jobOf->Cancel();
  });
  SetNotifyWindow(ui);
  std::shared_ptr<TDownloadJob> job = Start(dir_ / "pkg.zip", 1);
  jobOf = job;
  created.Set();
  ASSERT_TRUE(Ended(job));
  EXPECT_EQ(ui->Handled(), 1);
  // The failure line before the handler, the end line after it (the manager's
  // own start line may fall on either side of a segment that fails at once).
  EXPECT_EQ(std::count(logAtHandling.begin(), logAtHandling.end(), "线程1下载异常."), 1);
  EXPECT_EQ(std::count(logAtHandling.begin(), logAtHandling.end(), "线程1完成退出."), 0);
  std::vector<std::string> log = Unstamped(job);
  EXPECT_EQ(log.back(), "资源接收未完成，任务中止.");
  EXPECT_TRUE(platform::FileExists(dir_ / "pkg.zip.rpc.cfg"));
  SetNotifyWindow(nullptr);
}

}  // namespace
