// A download job in the install log: its start, and its end with the lines the
// job kept in memory (written by the manager thread once the engine has ended).
#pragma once
#include <string>

class TDownloadJob;

void LogJobStart(const TDownloadJob& job);
void LogJobEnd(const TDownloadJob& job);
// Segment `index` of the job failed, and why (the error's text, ANSI); written
// at once, from the segment's thread.
void LogSegmentFailed(const TDownloadJob& job, int index, const std::string& why);
