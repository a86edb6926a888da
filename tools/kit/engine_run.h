// One download with the installer's engine from the command line: two
// segments, resumable, polled every 100 ms like the installer's timer does.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct EngineRun {
  bool finished = false;
  bool interrupted = false;       // Ctrl-C (platform::CatchInterrupt must be on)
  std::string finalName;          // the file's name once finished
  std::vector<std::string> log;   // the engine's own log lines (GBK)
  int64_t size = 0;
  uint32_t elapsedMs = 0;
};

// `tick` runs about every 100 ms with the bytes so far and the size.
EngineRun RunEngine(const std::string& url, const std::string& file,
                    const std::function<void(int32_t done, int32_t size, bool valid)>& tick);
