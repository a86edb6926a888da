#include "platform/security.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs.h"
#include "tests/support/TempDir.h"
#ifdef _WIN32
#include <windows.h>
#include <sddl.h>
#endif

using testsupport::TempDir;

#ifdef _WIN32
// The descriptor as Windows reads it: protected, and exactly the three grants,
// each passed on to files and folders below.
TEST(FolderRights, TheDescriptorGrantsOnlyWhatItShould) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(platform::kOwnFolderSddl, SDDL_REVISION_1, &sd,
                                                                   nullptr));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited from above";
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted));
  ASSERT_TRUE(present && acl);
  struct Grant {
    WELL_KNOWN_SID_TYPE who;
    DWORD mask;
  } want[] = {{WinLocalSystemSid, FILE_ALL_ACCESS},
              {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
              {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
  ASSERT_EQ(acl->AceCount, 3u);
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    SCOPED_TRACE(i);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    EXPECT_EQ(ace->Mask, want[i].mask);
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    ASSERT_TRUE(CreateWellKnownSid(want[i].who, nullptr, sid, &size));
    EXPECT_TRUE(EqualSid(&ace->SidStart, sid));
  }
  LocalFree(sd);
}
#endif

// A folder takes the rights; a file or a missing name is refused.
TEST(FolderRights, OnlyARealFolderIsProtected) {
  TempDir t;
  ASSERT_TRUE(platform::CreateDir(t / "own"));
  EXPECT_EQ(platform::ProtectFolder(t / "own"), 0u);
  ASSERT_TRUE(testsupport::WriteFileBytes(t / "file", "x"));
  EXPECT_NE(platform::ProtectFolder(t / "file"), 0u);
  EXPECT_NE(platform::ProtectFolder(t / "missing"), 0u);
}
