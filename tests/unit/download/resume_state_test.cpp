// The resume state's byte layout, the checks it must pass before a run trusts
// it, and how a run treats the states on disk.
#include "download/ResumeState.h"
#include "engine_fixture.h"
#include "tests/support/FileAssert.h"
#include "platform/fs.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

TEST(ResumeStateTest, LittleEndianLayoutRoundTrips) {
  ResumeState s = TwoSegments(101, 7, 0);
  s.Segments[1].Received = 51;
  std::string bytes = EncodeResumeState(s);
  const unsigned char want[] = {101, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 50, 0, 0, 0, 7, 0, 0, 0,
                                50, 0, 0, 0, 101, 0, 0, 0, 51, 0, 0, 0};
  ASSERT_EQ(bytes, std::string(reinterpret_cast<const char*>(want), sizeof want));
  ResumeState back;
  ASSERT_TRUE(DecodeResumeState(bytes, &back));
  EXPECT_EQ(back.Size, 101);
  EXPECT_EQ(back.Segments[1].Received, 51);

  ResumeState big = TwoSegments(0x12345678, 0, 0);
  std::string b = EncodeResumeState(big);
  EXPECT_EQ(b.substr(0, 4), "\x78\x56\x34\x12");
}

TEST(ResumeStateTest, UntrustworthyStatesAreRejected) {
  auto bad = [](ResumeState s) { ResumeState out; return !DecodeResumeState(EncodeResumeState(s), &out); };
  EXPECT_FALSE(bad(TwoSegments(100, 50, 50)));
  EXPECT_TRUE(bad(TwoSegments(0, 0, 0)));          // empty resource
  EXPECT_TRUE(bad(TwoSegments(100, 51, 0)));       // more received than the segment holds
  EXPECT_TRUE(bad(TwoSegments(100, -1, 0)));
  ResumeState gap = TwoSegments(100, 0, 0);
  gap.Segments[1].Start = 60;                       // [50, 60) covered by nobody
  EXPECT_TRUE(bad(gap));
  ResumeState shortEnd = TwoSegments(100, 0, 0);
  shortEnd.Segments[1].End = 99;
  EXPECT_TRUE(bad(shortEnd));
  ResumeState out;
  std::string bytes = EncodeResumeState(TwoSegments(100, 0, 0));
  EXPECT_FALSE(DecodeResumeState(bytes.substr(0, bytes.size() - 1), &out));  // truncated
  EXPECT_FALSE(DecodeResumeState(bytes + "x", &out));
  bytes[4] = 11;  // ThreadCount beyond the engine's 10 segments
  EXPECT_FALSE(DecodeResumeState(bytes, &out));
  bytes[4] = 0;
  EXPECT_FALSE(DecodeResumeState(bytes, &out));
}

TEST_F(EngineTest, CompleteStateOnlyNeedsTheRename) {
  std::string src = Publish(1000);
  std::string file = dir_ / "pkg.zip";
  ASSERT_TRUE(WriteFileBytes(file + ".rpc", src));
  ASSERT_TRUE(WriteFileBytes(file + ".rpc.cfg", EncodeResumeState(TwoSegments(1000, 500, 500))));
  auto job = Start(file);
  ASSERT_TRUE(Ended(job));
  EXPECT_TRUE(job->Finished);
  EXPECT_TRUE(server_.Requests().empty());
  EXPECT_TRUE(FileHolds(file, src));
  EXPECT_FALSE(platform::FileExists(file + ".rpc.cfg"));
}

TEST_F(EngineTest, StatesThatFailTheirChecksStartOver) {
  std::string src = Publish(1000);
  std::string file = dir_ / "pkg.zip";
  struct Case {
    std::string cfg;
    int dataSize;  // -1: no data file
  };
  std::string valid = EncodeResumeState(TwoSegments(1000, 500, 100));
  const Case cases[] = {
      {valid, -1},                                                    // data file gone
      {valid, 999},                                                   // data file of another size
      {EncodeResumeState(TwoSegments(1000, 600, 0)), 1000},           // received beyond the segment
      {valid.substr(0, 20), 1000},                                    // truncated
  };
  for (const Case& c : cases) {
    platform::RemoveFile(file);
    platform::RemoveFile(file + ".rpc");
    ASSERT_TRUE(WriteFileBytes(file + ".rpc.cfg", c.cfg));
    // Garbage where the state claims good bytes: a trusted state would keep it.
    if (c.dataSize >= 0) {
      ASSERT_TRUE(WriteFileBytes(file + ".rpc", std::string(static_cast<size_t>(c.dataSize), 'Z')));
    }
    auto job = Start(file);
    ASSERT_TRUE(Ended(job));
    ASSERT_TRUE(job->Finished);
    EXPECT_EQ(LogText(job).at(0).substr(22), "进入下载分支1：0 字节。");
    EXPECT_TRUE(FileHolds(file, src));
    EXPECT_FALSE(platform::FileExists(file + ".rpc.cfg"));
  }
}

}  // namespace

namespace {

TEST_F(EngineTest, RenameThatKeepsFailingEndsWithANoticeAndAResumableState) {
  std::string src = Publish(30000);
  std::string file = dir_ / "pkg.zip";
  // A folder under the final name: no file of that name exists, yet the rename
  // cannot succeed.
  ASSERT_TRUE(platform::CreateDir(file));
  auto job = Start(file);
  // The rename is retried for 5 s of ticks: they pass at ten times their pace.
  ASSERT_TRUE(WaitFor([&] {
    TicksPass(100);
    return job->Running == 0;
  }));
  ASSERT_TRUE(Ended(job));
  EXPECT_FALSE(job->Finished);
  EXPECT_EQ(job->Running, 0);
  EXPECT_EQ(notices_->count, 1);
  ResumeState st;
  ASSERT_TRUE(SavedState(file, &st));
  EXPECT_EQ(st.Segments[0].Received + st.Segments[1].Received, 30000);

  ASSERT_TRUE(platform::RemoveDir(file));
  size_t before = server_.Requests().size();
  auto again = Start(file);
  ASSERT_TRUE(Ended(again));
  EXPECT_TRUE(again->Finished);
  EXPECT_EQ(server_.Requests().size(), before);
  EXPECT_TRUE(FileHolds(file, src));
}

}  // namespace
