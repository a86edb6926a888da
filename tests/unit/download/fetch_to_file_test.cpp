// The synchronous fetch: request bytes, when the file is (not) written, and the
// progress events it hands to the window's transfer handlers.
#include <gtest/gtest.h>

#include "common/HttpProgress.h"
#include "download/FetchToFile.h"
#include "platform/fs.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/testing.h"
#endif
#include "tools/kit/http_server.h"
#include "tests/support/FileAssert.h"
#include "tests/support/TempDir.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

class RecordingHandlers : public HttpProgressHandlers {
 public:
  void HttpWorkBegin(int32_t max) override { events.push_back("begin " + std::to_string(max)); }
  void HttpWork(int32_t count) override { last = count; ++works; }
  void HttpWorkEnd() override { events.push_back("end"); }
  std::vector<std::string> events;
  int32_t last = -1;
  int works = 0;
};

class FetchToFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.AddFile("/m.ini", "[Setup]\r\nLargeVer=1.0\r\n");
    server_.AddFile("/empty.ini", "");
    big_.assign(300000, 'q');
    server_.AddFile("/big.bin", big_);
    ASSERT_TRUE(server_.Start());
  }
  void TearDown() override { SetHttpProgressHandlers(nullptr); }
  kit::HttpServer server_;
  testsupport::TempDir dir_;
  std::string big_;
};

TEST_F(FetchToFileTest, SavesTheBodyWithTheDefaultRequest) {
  std::string file = dir_ / "New\\Folder\\f.ini";
  ASSERT_TRUE(FetchToFile(server_.Url("/redirect/2/m.ini"), file, false));
  std::string got;
  ASSERT_TRUE(ReadFileBytes(file, &got));
  EXPECT_EQ(got, "[Setup]\r\nLargeVer=1.0\r\n");
  std::vector<std::string> req = server_.Requests();
  ASSERT_EQ(req.size(), 3u);
  EXPECT_EQ(req[2], "GET /m.ini HTTP/1.1\r\n"
                    "Content-Type: text/html\r\n"
                    "Host: 127.0.0.1:" + std::to_string(server_.Port()) + "\r\n"
                    "Accept: text/html, */*\r\n"
                    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");
}

TEST_F(FetchToFileTest, FailuresLeaveNoFileExceptForAnEmptyUrl) {
  std::string file = dir_ / "f.ini";
  ASSERT_TRUE(WriteFileBytes(file, "earlier"));
  EXPECT_FALSE(FetchToFile(" \t", file, false));
  EXPECT_TRUE(platform::FileExists(file));  // untouched

  EXPECT_FALSE(FetchToFile(server_.Url("/missing.ini"), file, false));
  EXPECT_FALSE(platform::FileExists(file));  // deleted first

  EXPECT_FALSE(FetchToFile(server_.Url("/empty.ini"), file, false));
  EXPECT_FALSE(platform::FileExists(file));

  // A server that goes quiet is given up on after the read time-out.
  kit::ServerFaults quiet;
  quiet.stallAfter = 1000;
  server_.SetFaults(quiet);
  EXPECT_FALSE(FetchToFile(server_.Url("/big.bin"), file, false));
  EXPECT_FALSE(platform::FileExists(file));

  // A body cut off before its Content-Length is never written.
  kit::ServerFaults f;
  f.dropAfter = 100000;
  server_.SetFaults(f);
  EXPECT_FALSE(FetchToFile(server_.Url("/big.bin"), file, false));
  EXPECT_FALSE(platform::FileExists(file));
}

TEST_F(FetchToFileTest, ProgressGoesToTheRegisteredHandlers) {
  RecordingHandlers h;
  std::string file = dir_ / "big.bin";
  ASSERT_TRUE(FetchToFile(server_.Url("/big.bin"), file, false));
  EXPECT_TRUE(h.events.empty());  // nobody registered, and none asked for

  SetHttpProgressHandlers(&h);
  ASSERT_TRUE(FetchToFile(server_.Url("/big.bin"), file, false));
  EXPECT_TRUE(h.events.empty());
  ASSERT_TRUE(FetchToFile(server_.Url("/big.bin"), file, true));
  EXPECT_EQ(h.events, (std::vector<std::string>{"begin 300000", "end"}));
  EXPECT_EQ(h.last, 300000);
  EXPECT_GE(h.works, 1);

  // Without a length the transfer starts at 0 and still ends once.
  kit::ServerFaults f;
  f.chunked = true;
  server_.SetFaults(f);
  h.events.clear();
  ASSERT_TRUE(FetchToFile(server_.Url("/big.bin"), file, true));
  EXPECT_EQ(h.events, (std::vector<std::string>{"begin 0", "end"}));
  EXPECT_TRUE(FileHolds(file, big_));
}

#ifndef _WIN32
// A link or a second name at the target is replaced, its target untouched,
// on success and on failure alike.
TEST_F(FetchToFileTest, ALinkAtTheTargetKeepsItsTarget) {
  const std::string victim = dir_ / "victim", file = dir_ / "f.ini";
  const std::string hostVictim = platform::testing::HostPath(victim), hostFile = platform::testing::HostPath(file);
  for (bool hard : {false, true}) {
    for (bool found : {true, false}) {
      const std::string path = found ? "/m.ini" : "/gone.ini";
      SCOPED_TRACE(std::string(hard ? "hard link, " : "symlink, ") + path);
      ASSERT_TRUE(WriteFileBytes(victim, "precious"));
      ASSERT_EQ(hard ? ::link(hostVictim.c_str(), hostFile.c_str()) : ::symlink(hostVictim.c_str(), hostFile.c_str()), 0);
      EXPECT_EQ(FetchToFile(server_.Url(path), file, false), found);
      EXPECT_TRUE(FileHolds(victim, "precious"));
      platform::RemoveFile(file);
    }
  }
}
#endif

}  // namespace
