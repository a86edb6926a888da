#include "platform/shell.h"

#include <mutex>
#include <vector>

#include "platform/codepage.h"
#include "platform/testing.h"

namespace platform {
namespace {
struct State {
  std::mutex mutex;
  std::vector<testing::ShellRun> runs;
  bool runsSucceed = true;
  std::string modulePath = "C:\\Veltaro\\VeltaroSetup.exe";
  std::vector<testing::FolderRequest> pickerRequests;
  std::string pickerAnswer;
  std::string desktop = "C:\\Users\\user\\Desktop";
};
State& S() {
  static State s;
  return s;
}
}  // namespace

bool ShellExecuteVerb(void* owner, const std::string& verb, const std::string& file, const std::string& params) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().runs.push_back({owner, verb, file, params, ""});
  return S().runsSucceed;
}

bool ShellOpen(void* owner, const std::string& file, const std::string& dir) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().runs.push_back({owner, "open", file, "", dir});
  return S().runsSucceed;
}

std::string DesktopFolder() {
  std::lock_guard<std::mutex> lock(S().mutex);
  return S().desktop;
}

std::string ModulePath() {
  std::lock_guard<std::mutex> lock(S().mutex);
  return S().modulePath;
}

std::string PickFolder(const std::u16string& title, const std::string& initial) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().pickerRequests.push_back({WideToUtf8(title), initial});
  return S().pickerAnswer;
}

ComApartment::ComApartment() : ok_(true) {}
ComApartment::~ComApartment() {}

namespace testing {
std::vector<ShellRun> TakeShellRuns() {
  std::lock_guard<std::mutex> lock(S().mutex);
  std::vector<ShellRun> out;
  out.swap(S().runs);
  return out;
}
void SetShellRunsSucceed(bool ok) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().runsSucceed = ok;
}
void SetModulePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().modulePath = path;
}
void SetDesktopFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().desktop = folder;
}
void SetFolderPickerAnswer(const std::string& folder) {
  std::lock_guard<std::mutex> lock(S().mutex);
  S().pickerAnswer = folder;
}
std::vector<FolderRequest> TakeFolderRequests() {
  std::lock_guard<std::mutex> lock(S().mutex);
  std::vector<FolderRequest> out;
  out.swap(S().pickerRequests);
  return out;
}
}  // namespace testing
}  // namespace platform
