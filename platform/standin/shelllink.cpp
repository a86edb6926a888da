// Natively a link is only recorded for the tests (platform/testing.h).
#include "platform/shelllink.h"

#include <mutex>
#include <vector>

#include "platform/testing.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::vector<testing::ShellLinkRecord> g_links;
std::string g_failure;
}  // namespace

struct ShellLink::Impl {
  std::string error;
  testing::ShellLinkRecord link;
};

ShellLink::ShellLink() : impl_(new Impl) {
  std::lock_guard<std::mutex> lock(g_mutex);
  impl_->error = g_failure;
}
ShellLink::~ShellLink() = default;

bool ShellLink::Ok() const { return impl_->error.empty(); }
const std::string& ShellLink::Error() const { return impl_->error; }
void ShellLink::SetPath(const std::string& target) { impl_->link.target = target; }
void ShellLink::SetWorkingDirectory(const std::string& dir) { impl_->link.workDir = dir; }
void ShellLink::SetDescription(const std::string& text) { impl_->link.description = text; }

bool ShellLink::Save(const std::string& path) {
  if (!Ok()) return false;
  impl_->link.path = path;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_links.push_back(impl_->link);
  return true;
}

namespace testing {
std::vector<ShellLinkRecord> TakeShellLinks() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<ShellLinkRecord> out;
  out.swap(g_links);
  return out;
}
void SetShellLinkFailure(const std::string& errorText) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_failure = errorText;
}
}  // namespace testing
}  // namespace platform
