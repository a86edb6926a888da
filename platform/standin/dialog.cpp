#include "platform/dialog.h"

#include <mutex>
#include <vector>

#include "platform/codepage.h"
#include "platform/testing.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::vector<testing::MessageBoxRecord> g_boxes;
}  // namespace

int ShowMessageBox(void* owner, const std::u16string& text, const std::u16string& caption, unsigned flags) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_boxes.push_back({owner, WideToUtf8(text), WideToUtf8(caption), flags});
  return kIdOk;
}

namespace testing {
std::vector<MessageBoxRecord> TakeMessageBoxes() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<MessageBoxRecord> out;
  out.swap(g_boxes);
  return out;
}
}  // namespace testing
}  // namespace platform
