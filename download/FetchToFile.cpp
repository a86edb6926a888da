#include "download/FetchToFile.h"

#include <algorithm>

#include "common/HttpProgress.h"
#include "common/KpLib.h"
#include "common/LogEvents.h"
#include "common/pubShare.h"
#include "download/HttpClient.h"
#include "platform/fs.h"

namespace {
constexpr uint32_t kFetchReadTimeoutMs = 3000;
constexpr uint32_t kWriteBlock = 1 << 20;
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
  if (platform::FileExists(fileName)) platform::RemoveFile(fileName);
  try {
    std::string body;
    HttpClient client;
    client.FollowRedirects = true;
    client.ReadTimeoutMs = kFetchReadTimeoutMs;
    if (reportProgress) AttachHttpProgress(client);
    client.Get(url, &body);
    if (body.empty()) return LogFetchFailed(url, "empty answer");
    platform::File f;
    if (f.Open(fileName, platform::OpenMode::kCreateAlways) != 0)
      return LogFetchFailed(url, "cannot create " + fileName);
    for (size_t at = 0; at < body.size(); at += kWriteBlock) {
      uint32_t n = static_cast<uint32_t>(std::min<size_t>(kWriteBlock, body.size() - at));
      if (f.Write(body.data() + at, n) != 0) return LogFetchFailed(url, "cannot write " + fileName);
    }
    return f.Close() == 0 || LogFetchFailed(url, "cannot write " + fileName);
  } catch (const std::exception& e) {
    return LogFetchFailed(url, e.what());
  }
}
