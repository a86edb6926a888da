#include "ui/HandlerGuard.h"

#include <exception>
#include <string>

#include "platform/codepage.h"
#include "platform/dialog.h"
#include "platform/process.h"

namespace ui {
namespace {
void ShowError(void* owner, const std::string& text) {
  platform::ShowMessageBox(owner, text, "Veltaro", platform::kMbOk | platform::kMbIconError);
}
}  // namespace

void RunGuarded(void* owner, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const platform::ProcessEnd&) {
    throw;
  } catch (const std::exception& e) {
    ShowError(owner, e.what());
  } catch (...) {
    // Not a standard error: it carries no text of its own.
    ShowError(owner, platform::WideToAnsi(platform::Utf8ToWide("未知错误")));
  }
}

}  // namespace ui
