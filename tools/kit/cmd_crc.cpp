#include <cstdio>

#include "download/CRC_32.h"
#include "download/PubCrc.h"
#include "platform/errortext.h"
#include "tools/kit/arguments.h"
#include "tools/kit/commands.h"

int CmdCrc(int argc, char** argv) {
  if (argc != 1) return UsageError("crc", argc == 0 ? "no FILE given" : "one FILE only");
  std::string path = KitPath(argv[0]);
  std::string text = FileCrcText(path);
  if (text.empty()) {
    std::fprintf(stderr, "veltaro-kit crc: cannot read %s: %s\n", argv[0],
                 platform::ErrorText(FileCrc32(path).ioResult).c_str());
    return 1;
  }
  std::printf("%s\n", text.c_str());
  return 0;
}
