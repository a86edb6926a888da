#include "common/DesktopShortcut.h"

#include <stdexcept>

#include "common/ReleaseLayout.h"
#include "common/pubShare.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/shelllink.h"

const char kPublisherName[] = "Tesmar Veltaro Information Technology Co., Ltd.";

namespace {
const char kExplorerKey[] = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
}

void CreateDesktopShortcut(const std::string& installDir) {
  platform::ShellLink link;
  if (!link.Ok()) throw std::runtime_error(link.Error());
  link.SetPath(installDir + "\\" + release::kLauncher);
  link.SetWorkingDirectory(installDir + "\\");
  link.SetDescription(kPublisherName);

  platform::RegOpenOrCreateKey(platform::RegRoot::kCurrentUser, kExplorerKey);
  std::string desktop = ReadRegString(std::string(kExplorerKey) + "\\Shell Folders", "Desktop", kRootCurrentUser);
  // Without the value the link would land in the root of the current drive.
  if (desktop.empty()) desktop = platform::DesktopFolder();
  link.Save(desktop + "\\Veltaro365.lnk");
}
