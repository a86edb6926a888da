// Lines of the install log (common/InstallLog.h) that the shared routines, the
// HTTP fetches, the unpack and the window write. Arguments are in the ANSI code
// page unless they say UTF-8.
#pragma once
#include <cstdint>
#include <string>

// A registry value written by WriteRegString (root as pubShare.h numbers it).
void LogRegistryWrite(int root, const std::string& key, const std::string& name, const std::string& data, bool ok);
// The text of a message box the user is shown, in UTF-8.
void LogMessageBox(const std::string& utf8Text);
// A synchronous fetch that brought nothing usable; always false, so that a
// failure path can end in `return LogFetchFailed(...)`.
bool LogFetchFailed(const std::string& url, const std::string& why);
// An entry of the package that the unpack could not write (its UTF-16 name).
void LogUnpackEntryFailed(const std::u16string& target, const std::string& why);
void LogUnpackEntryFailed(const std::u16string& target, uint32_t error);
// A proxy that refused a request or could not be reached: `proxy` as
// "host:port", `url` the request's target, `why` what went wrong.
void LogProxyFailure(const std::string& proxy, const std::string& url, const std::string& why);
