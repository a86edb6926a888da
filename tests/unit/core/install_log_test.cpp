#include "common/InstallLog.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs.h"
#include "tests/support/TempDir.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/testing.h"
#endif

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {
const std::string kBom = "\xEF\xBB\xBF";

class InstallLog : public ::testing::Test {
 protected:
  ~InstallLog() override { installlog::Close(); }
  static std::string Read(const std::string& path) {
    std::string s;
    ReadFileBytes(path, &s);
    return s;
  }
  // The lines of a log without their times, "TAG  text" each.
  static std::string Untimed(std::string log) {
    std::string out;
    size_t at = log.compare(0, 3, kBom) == 0 ? 3 : 0;
    while (at < log.size()) {
      const size_t end = log.find("\r\n", at);
      if (end == std::string::npos || end - at < 20) return out + "<broken>";
      out += log.substr(at + 20, end - at - 20) + "|";
      at = end + 2;
    }
    return out;
  }
  TempDir dir;
  const std::string log = dir / "install.log";
};
}  // namespace

TEST_F(InstallLog, RunsAppendUntilOneMebibyteThenTheLogMovesToItsOlderName) {
  installlog::Open(log, "first");
  installlog::Fail("broken\r\nin two");
  installlog::Close();
  installlog::Info("after the close");
  const std::string first = Read(log);
  EXPECT_EQ(first.substr(0, 3), kBom);
  EXPECT_EQ(Untimed(first), "START first|FAIL  broken  in two|");
  EXPECT_EQ(first[4 + 3], '-');  // "2026-"

  installlog::Open(log, "second");
  installlog::Close();
  EXPECT_EQ(Untimed(Read(log)), "START first|FAIL  broken  in two|START second|");

  // At 1 MiB the whole log replaces the older one, and the run starts anew.
  ASSERT_TRUE(WriteFileBytes(log + ".1", "oldest"));
  const std::string big = kBom + std::string(installlog::kRotateBytes, 'x');
  ASSERT_TRUE(WriteFileBytes(log, big));
  installlog::Open(log, "third");
  installlog::Info("on");
  installlog::Close();
  EXPECT_EQ(Read(log + ".1"), big);
  EXPECT_EQ(Read(log).substr(0, 3), kBom);
  EXPECT_EQ(Untimed(Read(log)), "START third|INFO  on|");
}

TEST_F(InstallLog, AFolderAtItsNameMeansNoLogAndAMissingFolderIsWaitedFor) {
  ASSERT_TRUE(platform::CreateDir(log));
  installlog::Open(log, "start");
  installlog::Info("nowhere");
  installlog::Close();
  EXPECT_EQ(platform::GetAttributes(log) & platform::kAttrDirectory, platform::kAttrDirectory);

  // The work folder is made later in the run: the lines so far are kept.
  const std::string later = dir / "later\\install.log";
  installlog::Open(later, "start");
  installlog::Info("one");
  EXPECT_FALSE(platform::FileExists(later));
  ASSERT_TRUE(platform::CreateDir(dir / "later"));
  installlog::Info("two");
  installlog::Close();
  EXPECT_EQ(Untimed(Read(later)), "START start|INFO  one|INFO  two|");
}

#ifndef _WIN32
// A link or a second name planted at either name is replaced, its target kept,
// and the target's bytes are not copied into the log (which every user reads).
TEST_F(InstallLog, PlantedNamesAreReplacedNotFollowed) {
  const std::string secret = dir / "secret.txt";
  const auto host = platform::testing::HostPath;
  struct {
    const char* name;
    bool symbolic;
    std::string at;
  } cases[] = {{"symbolic link at the log", true, log},
               {"hard link at the log", false, log},
               {"symbolic link at the older log", true, log + ".1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteFileBytes(secret, "secret"));
    platform::RemoveFile(log);
    platform::RemoveFile(log + ".1");
    if (c.at != log) {
      ASSERT_TRUE(WriteFileBytes(log, std::string(installlog::kRotateBytes, 'x')));
    }
    const int made = c.symbolic ? ::symlink(host(secret).c_str(), host(c.at).c_str())
                                : ::link(host(secret).c_str(), host(c.at).c_str());
    ASSERT_EQ(made, 0);
    installlog::Open(log, "run");
    installlog::Close();
    EXPECT_EQ(Read(secret), "secret");
    EXPECT_FALSE(platform::IsLink(c.at));
    EXPECT_EQ(Untimed(Read(log)), "START run|");
  }
}
#endif
