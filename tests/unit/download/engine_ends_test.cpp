// What keeps a download whole and its owner informed: one engine per data file,
// a new job that waits for the earlier one, a state saved while the segments
// run, and a run that cannot start that still says so.
#include "download/JobTargets.h"
#include "engine_fixture.h"
#include "tests/support/FileAssert.h"
#include "platform/fs.h"
#include "platform/socket.h"

#ifndef _WIN32
#include <unistd.h>

#include "platform/testing.h"
#endif

namespace {

using testsupport::WriteFileBytes;

TEST_F(EngineTest, DataFileThatCannotBeCreatedEndsTheRunWithAWord) {
  Publish(5000);
  platform::File held;  // stands in for another process's engine
  auto readOnly = [](const std::string& f, const std::string& bytes) {
    return WriteFileBytes(f, bytes) && platform::SetAttributes(f, platform::kAttrReadOnly);
  };
  // Each case readies the folder D and names the target in it.
  const struct {
    const char* name;
    std::function<bool(const std::string& d, std::string* file)> prepare;
  } cases[] = {
      {"read-only leftover data file", [&](const std::string& d, std::string* f) {
         *f = d + "\\pkg.zip";
         return readOnly(*f + ".rpc", "x");
       }},
      {"folder of the data file's name", [](const std::string& d, std::string* f) {
         *f = d + "\\pkg.zip";
         return platform::CreateDir(*f + ".rpc");
       }},
      {"state that cannot be deleted (a folder)", [&](const std::string& d, std::string* f) {
         *f = d + "\\pkg.zip";
         return platform::CreateDir(*f + ".rpc.cfg");
       }},
      {"data file another engine writes", [&](const std::string& d, std::string* f) {
         *f = d + "\\pkg.zip";
         return WriteFileBytes(*f + ".rpc", "held") && held.OpenSoleWriter(*f + ".rpc", false) == 0;
       }},
      {"a folder path through a file", [](const std::string& d, std::string* f) {
         *f = d + "\\plain\\pkg.zip";
         return WriteFileBytes(d + "\\plain", "x");
       }},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string d = dir_ / ("c" + std::to_string(++n));
    std::string file;
    ASSERT_TRUE(platform::CreateDir(d) && c.prepare(d, &file)) << c.name;
    const int before = notices_->count;
    auto job = Start(file);
    ASSERT_TRUE(Ended(job)) << c.name;
    EXPECT_EQ(notices_->count, before + 1) << c.name;
    EXPECT_EQ(job->Running, 0) << c.name;
    EXPECT_EQ(LogText(job).back().substr(22), "创建接收文件失败.") << c.name;
    // No data file of zeros is left for a state to describe; another's stays as it was.
    std::string data;
    testsupport::ReadFileBytes(file + ".rpc", &data);
    EXPECT_TRUE(data == "x" || data == "held" || !platform::FileExists(file + ".rpc")) << c.name;
  }
}

// A second job of this process on a running target is no failure: it waits
// for the first one (however long its reads take) and then starts.
TEST_F(EngineTest, SecondJobOnARunningTargetWaitsForTheFirst) {
  const int size = 300000;
  std::string src = Publish(size);
  kit::ServerFaults f;
  f.rate = 400000;
  server_.SetFaults(f);
  const std::string file = dir_ / "pkg.zip";
  auto first = Start(file);
  ASSERT_TRUE(WaitFor([&] { return first->Downloaded > 0; }));
  auto second = Start(file);
  ASSERT_TRUE(Ended(first));
  EXPECT_TRUE(first->Finished);
  EXPECT_EQ(first->FinalName(), file);
  EXPECT_TRUE(FileHolds(file, src));
  ASSERT_TRUE(Ended(second));
  EXPECT_EQ(notices_->count, 0);
  EXPECT_TRUE(second->Finished);
  EXPECT_EQ(second->FinalName(), dir_ / "pkg(1).zip");
  EXPECT_TRUE(FileHolds(second->FinalName(), src));
}

// A job started once the earlier one on its target has let go finds the state
// that one left, also when the earlier one's last segment is still waiting for
// its notice to be handled by the very handler that starts the new job.
TEST_F(EngineTest, NewJobWaitsForTheEarlierOneAndResumesFromIt) {
  const int size = 200000;
  std::string src = Publish(size);
  kit::ServerFaults f;
  f.dropAfter = 30000;
  f.faultCount = 1;
  server_.SetFaults(f);
  const std::string file = dir_ / "pkg.zip";
  struct RetryingTarget : NotifyTarget {
    std::shared_ptr<TDownloadJob> job;
    std::string file;
    bool waited = false;
    platform::Event ready, handled;
    void SendDownloadFailed(uint32_t) override {
      if (!ready.Wait(20000)) return;
      job->Cancel();
      waited = WaitForEarlierJob(file, kEarlierJobWaitMs, nullptr);
      handled.Set();
    }
  };
  auto target = std::make_shared<RetryingTarget>();
  target->file = file;
  SetNotifyWindow(target);
  target->job = Start(file, 1);
  target->ready.Set();
  ASSERT_TRUE(target->handled.Wait(20000));
  EXPECT_TRUE(target->waited);
  ResumeState st;
  ASSERT_TRUE(StateMatchesData(file, src, &st));
  EXPECT_EQ(st.Segments[0].Received, 20480);

  auto again = Start(file, 1);
  ASSERT_TRUE(Ended(again));
  EXPECT_EQ(LogText(again).at(0).substr(22), "进入下载分支0：0 字节。");
  EXPECT_TRUE(FileHolds(file, src));
  ASSERT_TRUE(Ended(target->job));
}

TEST_F(EngineTest, StateIsSavedWhileSegmentsRun) {
  const int size = 400000;
  std::string src = Publish(size);
  kit::ServerFaults f;
  f.rate = 80000;
  server_.SetFaults(f);
  const std::string file = dir_ / "pkg.zip";
  auto job = Start(file);
  ASSERT_TRUE(WaitFor([&] { return job->Downloaded > 0; }));
  // Saved about once a second of ticks; they pass at ten times their pace.
  ASSERT_TRUE(WaitFor([&] {
    TicksPass(100);
    return platform::FileExists(file + ".rpc.cfg");
  }, 5000));
  EXPECT_EQ(job->Running, 1);
  ResumeState st;
  EXPECT_TRUE(StateMatchesData(file, src, &st));
  EXPECT_GT(st.Segments[0].Received + st.Segments[1].Received, 0);
  EXPECT_FALSE(platform::FileExists(file + ".rpc.cfg.tmp"));
  job->Cancel();
  ASSERT_TRUE(Ended(job));
}

// A segment's answer that says "Connection: close" (and has no length) is read
// to the segment's end all the same.
TEST_F(EngineTest, SegmentAnswerThatClosesIsReadToItsEnd) {
  std::string src = Publish(30000);
  const std::string file = dir_ / "pkg.zip";
  ASSERT_TRUE(WriteFileBytes(file + ".rpc", std::string(30000, '\0')));
  ASSERT_TRUE(WriteFileBytes(file + ".rpc.cfg", EncodeResumeState(TwoSegments(30000, 0, 0))));
  kit::ServerFaults f;
  f.noContentLength = true;
  server_.SetFaults(f);
  auto job = Start(file);
  ASSERT_TRUE(Ended(job));
  EXPECT_TRUE(job->Finished);
  EXPECT_TRUE(FileHolds(file, src));
}

// The segment's connection stays open until its failure line and notice are out.
TEST_F(EngineTest, SegmentHoldsItsConnectionThroughItsNotice) {
  platform::Listener listener;
  ASSERT_TRUE(listener.Listen(0));
  const std::string file = dir_ / "pkg.zip";
  ASSERT_TRUE(WriteFileBytes(file + ".rpc", std::string(1000, '\0')));
  ResumeState one;
  one.Size = 1000;
  one.ThreadCount = 1;
  one.Segments[0] = {0, 1000, 500};
  ASSERT_TRUE(WriteFileBytes(file + ".rpc.cfg", EncodeResumeState(one)));

  platform::Socket conn;
  struct Probe : NotifyTarget {
    platform::Socket* conn = nullptr;
    std::atomic<int> recvInNotice{1};
    void SendDownloadFailed(uint32_t) override {
      char c;
      recvInNotice = conn->Recv(&c, 1, 300);
    }
  };
  auto probe = std::make_shared<Probe>();
  probe->conn = &conn;
  SetNotifyWindow(probe);
  auto job = TDownloadJob::Create("http://127.0.0.1:" + std::to_string(listener.Port()) + "/pkg.zip", file, 2);
  ASSERT_TRUE(listener.Accept(&conn, 10000));
  std::string head;
  char buf[512];
  while (head.find("\r\n\r\n") == std::string::npos) {
    int n = conn.Recv(buf, sizeof buf, 10000);
    ASSERT_GT(n, 0);
    head.append(buf, static_cast<size_t>(n));
  }
  // The whole resource for a range from 500: the segment refuses it.
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
  ASSERT_TRUE(conn.SendAll(answer.data(), answer.size()));
  ASSERT_TRUE(WaitFor([&] { return probe->recvInNotice != 1; }));
  EXPECT_EQ(probe->recvInNotice, platform::kRecvTimeout) << "the connection was closed before the notice";
  job->Cancel();
  ASSERT_TRUE(Ended(job));
  EXPECT_EQ(conn.Recv(buf, 1, 5000), 0) << "closed at the segment's end";
}

// The server's resource is no longer the one the state describes: another
// size in a segment's answer, or a range past its end (416). The run deletes
// data and state and ends with its notice; the next run starts afresh. A state
// that cannot be written still ends the run.
TEST_F(EngineTest, ResumeAgainstAnotherVersionStartsAfresh) {
  const std::string file = dir_ / "pkg.zip";
  const struct {
    const char* name;
    ResumeState saved;
  } rows[] = {
      {"a smaller resource: the answer's total differs", TwoSegments(30000, 5000, 0)},
      {"every saved range past its end: 416", [] {
         ResumeState s = TwoSegments(60000, 0, 29000);
         s.Segments[0].Received = 29000;  // both segments ask from 29000 and 59000
         return s;
       }()},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string src = Publish(20000);
    ASSERT_TRUE(WriteFileBytes(file + ".rpc", std::string(static_cast<size_t>(r.saved.Size), 'o')));
    ASSERT_TRUE(WriteFileBytes(file + ".rpc.cfg", EncodeResumeState(r.saved)));
    const int before = notices_->count;
    auto job = Start(file);
    ASSERT_TRUE(Ended(job));
    EXPECT_GT(notices_->count, before);
    EXPECT_EQ(job->Running, 0);
    EXPECT_FALSE(job->Finished);
    EXPECT_FALSE(platform::FileExists(file + ".rpc"));
    EXPECT_FALSE(platform::FileExists(file + ".rpc.cfg"));
    auto again = Start(file);
    ASSERT_TRUE(Ended(again));
    EXPECT_TRUE(again->Finished);
    EXPECT_TRUE(FileHolds(file, src));
    ASSERT_TRUE(platform::RemoveFile(file));
  }
}

// Faults of the disk: a segment's write that fails counts nothing and the run
// fails; a flush that fails writes no state (it would count bytes the disk may
// not hold); a state that cannot be written still ends the run with Running 0.
TEST_F(EngineTest, DiskFaultsNeverLeaveAStateAheadOfTheData) {
  const std::string file = dir_ / "pkg.zip";
  std::string src = Publish(200000);
  {
    SCOPED_TRACE("write fault");
    ArmEngineFault(EngineFault::kWrite, 1);
    auto job = Start(file, 1);
    ASSERT_TRUE(WaitFor([&] { return notices_->count == 1; }));
    job->Cancel();
    ASSERT_TRUE(Ended(job));
    EXPECT_EQ(job->Running, 0);
    ResumeState st;
    ASSERT_TRUE(StateMatchesData(file, src, &st));
    EXPECT_EQ(st.Segments[0].Received, 0);
  }
  kit::ServerFaults slow;
  slow.rate = 100000;
  server_.SetFaults(slow);
  for (bool stateFolder : {false, true}) {
    SCOPED_TRACE(stateFolder ? "state cannot be written" : "flush fault");
    platform::RemoveFile(file + ".rpc");
    platform::RemoveFile(file + ".rpc.cfg");
    if (!stateFolder) ArmEngineFault(EngineFault::kFlush, 1000);
    auto job = Start(file);
    ASSERT_TRUE(WaitFor([&] { return job->Downloaded > 0; }));
    if (stateFolder) {
      ASSERT_TRUE(platform::CreateDir(file + ".rpc.cfg"));
    }
    platform::SleepMs(1200);  // past a save
    job->Cancel();
    ASSERT_TRUE(Ended(job));
    EXPECT_EQ(job->Running, 0);
    EXPECT_FALSE(platform::FileExists(file + ".rpc.cfg"));
    ArmEngineFault(EngineFault::kFlush, 0);
    if (stateFolder) {
      ASSERT_TRUE(platform::RemoveDir(file + ".rpc.cfg"));
    }
  }
}

// The earlier-job wait: bounded, one hold per manager (the last one's release
// frees the name, managers take turns in the order they started), names
// compared as Windows compares them and never byte by byte (a GBK trail byte
// may read as a lower-case letter).
TEST(EarlierJobWait, BoundedCountedPerHolderNamedAsWindowsDoes) {
  const std::string name = "D:\\Dl\\Pkg.zip";
  const uint64_t a = HoldJobTarget(name), b = HoldJobTarget("d:/dl/PKG.ZIP");
  int pumps = 0;
  EXPECT_FALSE(WaitForEarlierJob("D:\\DL\\pkg.zip", 50, [&] { ++pumps; }));
  EXPECT_GT(pumps, 0);
  const uint64_t gbk = HoldJobTarget("D:\\\x81\x61.zip");
  EXPECT_TRUE(WaitForEarlierJob("D:\\\x81\x41.zip", 0, nullptr));
  EXPECT_FALSE(WaitForEarlierJob("D:\\\x81\x61.zip", 0, nullptr));
  ReleaseJobTarget("D:\\\x81\x61.zip", gbk);

  ReleaseJobTarget(name, a);
  EXPECT_FALSE(WaitForEarlierJob(name, 20, nullptr)) << "the second holder still holds it";
  const uint64_t c = HoldJobTarget(name);
  EXPECT_TRUE(WaitJobTurn(name, b, nullptr));
  int asked = 0;
  EXPECT_FALSE(WaitJobTurn(name, c, [&] { return ++asked == 3; }));
  ReleaseJobTarget(name, b);
  EXPECT_TRUE(WaitJobTurn(name, c, nullptr));
  ReleaseJobTarget(name, c);
  EXPECT_TRUE(WaitForEarlierJob(name, 0, nullptr));
}

#ifndef _WIN32
// A link or a second name planted at the engine's files: the run writes, moves
// and deletes only files of its own; every target keeps its bytes.
TEST_F(EngineTest, EngineFilesGoThroughNoLink) {
  const std::string src = Publish(5000);
  const std::string file = dir_ / "pkg.zip", victim = dir_ / "victim";
  auto symLink = [](const std::string& target, const std::string& link) {
    return ::symlink(platform::testing::HostPath(target).c_str(), platform::testing::HostPath(link).c_str()) == 0;
  };
  auto hardLink = [](const std::string& target, const std::string& link) {
    return ::link(platform::testing::HostPath(target).c_str(), platform::testing::HostPath(link).c_str()) == 0;
  };
  const std::string zeros(5000, '\0');
  const struct {
    const char* name;
    const char* at;  // the planted name's suffix
    bool hard;
    bool dangling;
  } rows[] = {
      {"resumable data file linked", ".rpc", false, false},
      {"resumable data file with a second name", ".rpc", true, false},
      {"dangling link at the data file", ".rpc", false, true},
      {"state linked", ".rpc.cfg", false, false},
      {"state with a second name", ".rpc.cfg", true, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const bool atData = std::string(r.at) == ".rpc";
    ASSERT_TRUE(WriteFileBytes(victim, atData ? zeros : std::string("precious")));
    if (atData) {
      ASSERT_TRUE(WriteFileBytes(file + ".rpc.cfg", EncodeResumeState(TwoSegments(5000, 0, 0))));
    }
    if (r.dangling) {
      ASSERT_TRUE(platform::RemoveFile(victim));
    }
    ASSERT_TRUE(r.hard ? hardLink(victim, file + r.at) : symLink(victim, file + r.at));
    auto job = Start(file);
    ASSERT_TRUE(Ended(job));
    EXPECT_TRUE(job->Finished);
    EXPECT_TRUE(FileHolds(file, src));
    if (r.dangling) {
      EXPECT_FALSE(platform::FileExists(victim));
    } else {
      EXPECT_TRUE(FileHolds(victim, atData ? zeros : std::string("precious")));
    }
    platform::RemoveFile(file);
    platform::RemoveFile(victim);
  }
}
#endif

}  // namespace
