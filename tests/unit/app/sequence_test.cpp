// The install sequence through the window's handlers.
#include "tests/unit/app/flow_fixture.h"

#include "platform/testing.h"

using namespace app;

TEST_F(FlowTest, FreshInstallDownloadsUnpacksAndReachesTheEnd) {
  const std::string pkg = MakeZip({{"VeltaroMain.exe", "main"}, {"App\\readme.txt", "hello"}});
  PublishManifest("V2.1.0", "Pkg.zip", PublishPackage("Pkg.zip", pkg));
  ShowAndOpenPage1();
  EXPECT_EQ(form.lblVersion2->text, "V2.1.0");
  EXPECT_EQ(form.edtAZLJ->text, "D:\\Program Files\\Veltaro\\VeltaroPlatform");
  host.ClickOn("lblLJAZ");
  EXPECT_EQ(form.nbMain->pageIndex(), 2);
  ASSERT_TRUE(RunUntil([&] { return form.nbMain->pageIndex() == 3; }));
  EXPECT_EQ(ReadAll("D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\Pkg.zip"), pkg);
  EXPECT_EQ(ReadAll("D:\\Program Files\\Veltaro\\VeltaroPlatform\\VeltaroMain.exe"), "main");
  EXPECT_EQ(form.lblJD->text, "100%");
  EXPECT_TRUE(Boxes().empty());
}
