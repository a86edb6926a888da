// Asks a server what the installer's engine will ask, and puts what goes wrong
// into words: no connection, no answer, an error status, no size, a range
// ignored or answered wrongly, a compressed body, a body too slow or too large.
// Every text the server chose is shown escaped (TerminalText).
#pragma once
#include <cstdint>
#include <string>

struct ProbeResult {
  std::string problem;  // empty when the answer is what the engine needs
  int64_t length = -1;  // HEAD: the size the server gives
  std::string body;     // a ranged GET: the first bytes of the body
};

// HEAD as the engine sizes a download.
ProbeResult ProbeHead(const std::string& url);
// GET with "Range: bytes=from-to" (`to` may lie past the end: the server clips
// it) as a segment asks; reads at most `keep` bytes of the body.
ProbeResult ProbeRange(const std::string& url, int64_t from, int64_t to, int64_t size, size_t keep);
// Why the engine cannot download `url`: the size request, then the second
// segment's range. Empty when both answer well.
std::string ProbeDownload(const std::string& url);
// A whole GET as the synchronous fetch makes it, the body written into `file`
// as it comes and refused past maxBytes; the words for its failure, empty when
// `file` holds the whole body.
std::string FetchBody(const std::string& url, const std::string& file, int64_t maxBytes);

// From now on Ctrl-C and SIGTERM end every transfer at once (they fail as
// "interrupted"); the caller then ends with platform::InterruptExitCode().
void InterruptTransfers();
