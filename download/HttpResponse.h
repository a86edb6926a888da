// The response side of the HTTP client: the parts of a response head and the
// bounds that keep a hostile server from making the client crash or hoard memory.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr size_t kMaxHeaderLine = 8 * 1024;    // one status or header line
constexpr size_t kMaxHeaderBlock = 64 * 1024;  // the whole head, interim responses included
constexpr size_t kMaxHeaderCount = 128;
constexpr size_t kMaxChunkLine = 1024;
constexpr int64_t kMaxBodyLength = 0x7FFFFFFF;  // sizes are signed 32-bit throughout

struct HttpResponseHead {
  int status = 0;
  std::string statusText;  // the status line after the code
  std::vector<std::pair<std::string, std::string>> headers;

  // The first value of a header (names compared without case), or empty.
  std::string Get(const char* name) const;
  bool Has(const char* name) const;
  std::vector<std::string> GetAll(const char* name) const;
};

// "HTTP/1.x NNN text". False when it is not a status line.
bool ParseStatusLine(const std::string& line, HttpResponseHead* head);
// "Name: value" appended to head; a line starting with a blank continues the
// previous value. False when malformed.
bool ParseHeaderLine(const std::string& line, HttpResponseHead* head);

// A decimal length within 0..kMaxBodyLength (blanks around it allowed), or -1.
int64_t ParseLength(const std::string& value);
// The size of a chunk from its size line ("1a2b;ext"), within kMaxBodyLength.
bool ParseChunkSize(const std::string& line, int64_t* size);
// The first byte offset of a Content-Range value "bytes A-B/T".
bool ParseContentRangeStart(const std::string& value, int64_t* start);
// The complete length after the slash of "bytes a-b/total"; false when it is
// missing or "*".
bool ParseContentRangeTotal(const std::string& value, int64_t* total);
