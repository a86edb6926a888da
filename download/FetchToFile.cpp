#include "download/FetchToFile.h"

#include "common/HttpProgress.h"
#include "common/KpLib.h"
#include "common/LogEvents.h"
#include "common/TextHelpers.h"
#include "download/HttpClient.h"
#include "platform/fs.h"
#include "platform/safe_fs.h"

namespace {
constexpr uint32_t kFetchReadTimeoutMs = 3000;
}  // namespace

void AttachHttpProgress(HttpClient& client) {
  HttpProgressHandlers* h = GetHttpProgressHandlers();
  if (!h) return;
  client.OnWorkBegin = [h](int32_t max) { h->HttpWorkBegin(max); };
  client.OnWork = [h](int32_t count) { h->HttpWork(count); };
  client.OnWorkEnd = [h] { h->HttpWorkEnd(); };
}

bool FetchToFile(const std::string& url, const std::string& fileName, bool reportProgress) {
  if (TrimText(url).empty()) return false;
  std::string dir = FolderPart(fileName);
  if (!dir.empty() && !DirExists(dir)) ForceDirs(dir);
  if (platform::RemoveSafely(fileName) != 0) return false;
  try {
    std::string body;
    HttpClient client;
    client.FollowRedirects = true;
    client.ReadTimeoutMs = kFetchReadTimeoutMs;
    if (reportProgress) AttachHttpProgress(client);
    client.Get(url, &body);
    if (body.empty()) return LogFetchFailed(url, "empty answer");
    return platform::WriteWholeFile(fileName, body) == 0 || LogFetchFailed(url, "cannot write " + fileName);
  } catch (const std::exception& e) {
    return LogFetchFailed(url, e.what());
  }
}
