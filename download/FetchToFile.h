// The synchronous fetch of one whole file, on the calling thread.
#pragma once
#include <string>

class HttpClient;

// Connects the client's work events to the installer window's transfer
// handlers (common/HttpProgress.h); nothing when no window has registered.
void AttachHttpProgress(HttpClient& client);

// GET url with the client's default headers, following redirects, at most
// 3000 ms per read. The body is held in memory and written to fileName only
// when it is complete and not empty, under a temporary name placed over
// fileName once whole. Creates the file's folder, deletes an earlier file (or
// link) first; a failure leaves nothing at fileName and is false.
bool FetchToFile(const std::string& url, const std::string& fileName, bool reportProgress);
