// EXPECT_TRUE(FileHolds(path, bytes)): the file exists and holds exactly these bytes.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempDir.h"

inline ::testing::AssertionResult FileHolds(const std::string& path, const std::string& want) {
  std::string got;
  if (!testsupport::ReadFileBytes(path, &got)) return ::testing::AssertionFailure() << path << " cannot be read";
  if (got.size() != want.size()) {
    return ::testing::AssertionFailure() << path << " holds " << got.size() << " bytes, not " << want.size();
  }
  size_t i = 0;
  while (i < got.size() && got[i] == want[i]) ++i;
  if (i < got.size()) return ::testing::AssertionFailure() << path << " differs first at byte " << i;
  return ::testing::AssertionSuccess();
}
