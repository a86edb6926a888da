#include "ui/HandlerGuard.h"

#include <exception>
#include <string>

#include "common/LogEvents.h"
#include "platform/codepage.h"
#include "platform/dialog.h"
#include "platform/process.h"

namespace ui {
namespace {
void ShowError(void* owner, const std::u16string& text) {
  LogMessageBox(platform::WideToUtf8(text));
  platform::ShowMessageBox(owner, text, u"Veltaro", platform::kMbOk | platform::kMbIconError);
}
}  // namespace

void RunGuarded(void* owner, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const platform::ProcessEnd&) {
    throw;
  } catch (const std::exception& e) {
    // An error's text comes from the system or a library, in the ANSI code page.
    ShowError(owner, platform::AnsiToWide(e.what()));
  } catch (...) {
    // Not a standard error: it carries no text of its own.
    ShowError(owner, u"未知错误");
  }
}

}  // namespace ui
