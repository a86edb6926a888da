// A download job in the install log: its start, and its end with the lines the
// job kept in memory (written by the manager thread once the engine has ended).
#pragma once

class TDownloadJob;

void LogJobStart(const TDownloadJob& job);
void LogJobEnd(const TDownloadJob& job);
