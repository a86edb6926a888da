#include "download/FileDigest.h"

#include "download/CRC_32.h"

FileDigestResult FileCrcAndSha256(const std::string& fileName) {
  FileDigestResult r;
  uint32_t crc = 0xFFFFFFFFu;
  platform::Sha256 sha;
  r.ioResult = ReadFileInBlocks(fileName, 65536, [&](const unsigned char* p, uint32_t n) {
    Crc32Update(p, n, crc);
    sha.Update(p, n);
  });
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
