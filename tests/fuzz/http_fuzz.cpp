// libFuzzer target: any bytes as the start of a server's answer, cut into lines
// and parsed the way the client reads a response head (interim 100 answers
// included), then the rest as chunk-size lines. What the parsers keep must stay
// within the client's bounds: a status 100..999, at most kMaxHeaderCount
// headers, names without blanks or colons, trimmed values, never more text kept
// than was read; lengths, chunk sizes and range starts within 0..kMaxBodyLength
// and equal to the number written; a line that fails leaves the head alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/TextHelpers.h"
#include "download/HttpResponse.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

// The client's line reader over a fixed input: a line may hold limit bytes
// besides its CR LF, and one head (or one chunk line) at most kMaxHeaderBlock.
struct Lines {
  const std::string& in;
  size_t pos = 0;
  size_t headBytes = 0;

  bool Next(size_t limit, std::string* line) {
    size_t nl = in.find('\n', pos);
    if (nl == std::string::npos) return false;  // the connection closed first
    size_t k = nl - pos + 1;
    if (k > limit + 2 || headBytes + k > kMaxHeaderBlock) return false;
    *line = in.substr(pos, k - 1);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    pos += k;
    headBytes += k;
    return true;
  }
};

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// The number a run of digits in base 10 or 16 stands for, capped just above
// kMaxBodyLength; -1 when it is empty or holds anything else.
int64_t Number(const std::string& digits, int base) {
  if (digits.empty()) return -1;
  int64_t n = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return -1;
    n = n * base + d;
    if (n > kMaxBodyLength) n = kMaxBodyLength + 1;
  }
  return n;
}

void CheckLength(const std::string& value) {
  const int64_t got = ParseLength(value);
  Check(got == -1 || (got >= 0 && got <= kMaxBodyLength));
  const std::string t = Trim(value);
  const int64_t want = Number(t, 10);
  if (got >= 0) Check(got == want);
  // Ten digits hold every allowed length; longer runs are refused unread.
  if (want >= 0 && want <= kMaxBodyLength && t.size() <= 10) Check(got == want);
}

void CheckChunkSize(const std::string& line) {
  int64_t got = -7;
  const bool ok = ParseChunkSize(line, &got);
  const std::string t = Trim(line.substr(0, line.find(';')));
  const int64_t want = Number(t, 16);
  if (ok) Check(got >= 0 && got <= kMaxBodyLength && got == want);
  else Check(got == -7);
  if (want >= 0 && want <= kMaxBodyLength && t.size() <= 8) Check(ok);
}

void CheckRangeStart(const std::string& value) {
  int64_t got = -7;
  const bool ok = ParseContentRangeStart(value, &got);
  if (!ok) {
    Check(got == -7);
    return;
  }
  const std::string t = Trim(value);
  Check(t.size() >= 7 && SameText(t.substr(0, 6), "bytes "));
  const size_t dash = t.find('-', 6);
  Check(dash != std::string::npos);
  Check(got >= 0 && got <= kMaxBodyLength && got == Number(Trim(t.substr(6, dash - 6)), 10));
}

void CheckLookups(const HttpResponseHead& head, const std::string& name) {
  const std::vector<std::string> all = head.GetAll(name.c_str());
  size_t same = 0;
  for (const auto& h : head.headers) same += SameText(h.first, name.c_str()) ? 1 : 0;
  Check(all.size() == same);
  Check(head.Has(name.c_str()) == !all.empty());
  Check(head.Get(name.c_str()) == (all.empty() ? std::string() : all[0]));
}

size_t Kept(const HttpResponseHead& head) {
  size_t n = head.statusText.size();
  for (const auto& h : head.headers) n += h.first.size() + h.second.size();
  return n;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  Lines lines{input};
  HttpResponseHead head;
  std::string line;
  bool complete = false;
  for (;;) {
    if (!lines.Next(kMaxHeaderLine, &line)) break;
    const HttpResponseHead before = head;
    if (!ParseStatusLine(line, &head)) {
      Check(head.status == before.status && head.statusText == before.statusText && head.headers == before.headers);
      break;
    }
    Check(head.status >= 100 && head.status <= 999 && head.headers.empty());
    Check(head.statusText == (line.size() > 13 ? line.substr(13) : std::string()));
    bool headerFailed = false;
    for (;;) {
      if (!lines.Next(kMaxHeaderLine, &line)) {
        headerFailed = true;
        break;
      }
      if (line.empty()) break;
      const auto prior = head.headers;
      if (!ParseHeaderLine(line, &head)) {
        Check(head.headers == prior);
        headerFailed = true;
        break;
      }
      Check(head.headers.size() <= kMaxHeaderCount);
      if (line[0] == ' ' || line[0] == '\t') {
        Check(head.headers.size() == prior.size() && !prior.empty());
        const std::string more = Trim(line);
        const std::string& was = prior.back().second;
        Check(head.headers.back().second == (more.empty() ? was : was.empty() ? more : was + " " + more));
      } else {
        Check(head.headers.size() == prior.size() + 1);
        const size_t colon = line.find(':');
        Check(head.headers.back().first == line.substr(0, colon));
        Check(head.headers.back().second == Trim(line.substr(colon + 1)));
      }
      const auto& added = head.headers.back();
      Check(!added.first.empty() && added.first.find_first_of(" \t:") == std::string::npos);
      Check(Trim(added.second) == added.second);
      Check(Kept(head) <= lines.headBytes);
    }
    if (headerFailed) break;
    if (head.status != 100) {
      complete = true;
      break;
    }
  }

  CheckLookups(head, "Content-Length");
  CheckLookups(head, "Transfer-Encoding");
  if (!head.headers.empty()) CheckLookups(head, head.headers.back().first);
  for (const auto& h : head.headers) {
    CheckLength(h.second);
    CheckRangeStart(h.second);
  }
  if (!complete) return 0;

  // The body as a chunked one: each size line read afresh, as the client does.
  for (;;) {
    lines.headBytes = 0;
    if (!lines.Next(kMaxChunkLine, &line)) break;
    CheckChunkSize(line);
    CheckLength(line);
    CheckRangeStart(line);
  }
  return 0;
}
