#include "download/HttpResponse.h"

#include <algorithm>
#include <cctype>

#include "common/TextHelpers.h"

std::string HttpResponseHead::Get(const char* name) const {
  for (const auto& h : headers) {
    if (SameText(h.first, name)) return h.second;
  }
  return std::string();
}

bool HttpResponseHead::Has(const char* name) const {
  for (const auto& h : headers) {
    if (SameText(h.first, name)) return true;
  }
  return false;
}

std::vector<std::string> HttpResponseHead::GetAll(const char* name) const {
  std::vector<std::string> out;
  for (const auto& h : headers) {
    if (SameText(h.first, name)) out.push_back(h.second);
  }
  return out;
}

bool ParseStatusLine(const std::string& line, HttpResponseHead* head) {
  if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0 || !std::isdigit(static_cast<unsigned char>(line[7])) ||
      line[8] != ' ') {
    return false;
  }
  int code = 0;
  for (int i = 9; i < 12; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return false;
    code = code * 10 + (line[i] - '0');
  }
  if (code < 100 || (line.size() > 12 && line[12] != ' ')) return false;
  head->status = code;
  head->statusText = line.size() > 13 ? line.substr(13) : std::string();
  head->headers.clear();
  return true;
}

bool ParseHeaderLine(const std::string& line, HttpResponseHead* head) {
  if (line.empty()) return false;
  if (line[0] == ' ' || line[0] == '\t') {
    if (head->headers.empty()) return false;
    std::string more = Trim(line);
    std::string& value = head->headers.back().second;
    // A value that begins on the next line gets no blank in front of it.
    if (!more.empty()) value += value.empty() ? more : " " + more;
    return true;
  }
  size_t colon = line.find(':');
  if (colon == 0 || colon == std::string::npos || head->headers.size() >= kMaxHeaderCount) return false;
  std::string name = line.substr(0, colon);
  for (char c : name) {
    if (c == ' ' || c == '\t') return false;
  }
  head->headers.emplace_back(name, Trim(line.substr(colon + 1)));
  return true;
}

int64_t ParseLength(const std::string& value) {
  std::string v = Trim(value);
  if (v.empty() || v.size() > 10) return -1;
  int64_t n = 0;
  for (char c : v) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    n = n * 10 + (c - '0');
  }
  return n <= kMaxBodyLength ? n : -1;
}

bool ParseChunkSize(const std::string& line, int64_t* size) {
  std::string v = Trim(line.substr(0, line.find(';')));
  if (v.empty()) return false;
  // Leading zeros carry no value; past eight digits a size is beyond any body
  // (and past fifteen it would overflow).
  v.erase(0, std::min(v.find_first_not_of('0'), v.size() - 1));
  if (v.size() > 8) return false;
  int64_t n = 0;
  for (char c : v) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    n = n * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : AsciiLower(c) - 'a' + 10);
  }
  if (n > kMaxBodyLength) return false;
  *size = n;
  return true;
}

bool ParseContentRangeStart(const std::string& value, int64_t* start) {
  std::string v = Trim(value);
  if (v.size() < 7 || !StartsWithText(v, "bytes ")) return false;
  size_t dash = v.find('-', 6);
  if (dash == std::string::npos) return false;
  int64_t n = ParseLength(v.substr(6, dash - 6));
  if (n < 0) return false;
  *start = n;
  return true;
}

bool ParseContentRangeTotal(const std::string& value, int64_t* total) {
  const std::string v = Trim(value);
  const size_t slash = v.rfind('/');
  if (slash == std::string::npos) return false;
  const int64_t n = ParseLength(v.substr(slash + 1));
  if (n < 0) return false;
  *total = n;
  return true;
}
