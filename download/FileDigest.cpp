#include "download/FileDigest.h"

#include <memory>

#include "download/CRC_32.h"
#include "platform/fs.h"

FileDigestResult FileCrcAndSha256(const std::string& fileName) {
  constexpr uint32_t kBlock = 65536;
  FileDigestResult r;
  std::unique_ptr<unsigned char[]> buf(new unsigned char[kBlock]);
  uint32_t crc = 0xFFFFFFFFu;
  platform::Sha256 sha;
  platform::File f;
  r.ioResult = f.Open(fileName, platform::OpenMode::kRead, platform::Share::kReadWrite);
  if (r.ioResult == 0) {
    uint32_t n = 0;
    do {
      r.ioResult = f.Read(buf.get(), kBlock, &n);
      if (r.ioResult == 0 && n > 0) {
        Crc32Update(buf.get(), n, crc);
        sha.Update(buf.get(), n);
      }
    } while (n != 0 && r.ioResult == 0);
    f.Close();
  }
  r.crc = crc ^ 0xFFFFFFFFu;
  r.hashOk = sha.ok();
  r.sha256 = sha.Final();
  return r;
}

std::string FileSha256Text(const std::string& fileName) {
  const FileDigestResult r = FileCrcAndSha256(fileName);
  if (r.ioResult != 0 || !r.hashOk) return std::string();
  return platform::HexText(r.sha256);
}
