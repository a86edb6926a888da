#include "download/FileDigest.h"

#include "download/CRC_32.h"
#include "platform/fs.h"

FileDigestResult FileCrcAndSha256(platform::File& file) {
  FileDigestResult r;
  uint32_t crc = 0xFFFFFFFFu;
  platform::Sha256 sha;
  r.ioResult = ReadFileInBlocks(file, 65536, [&](const unsigned char* p, uint32_t n) {
    Crc32Update(p, n, crc);
    sha.Update(p, n);
  });
  r.crc = crc ^ 0xFFFFFFFFu;
  r.hashOk = sha.ok();
  r.sha256 = sha.Final();
  return r;
}

FileDigestResult FileCrcAndSha256(const std::string& fileName) {
  platform::File f;
  FileDigestResult r;
  r.ioResult = f.Open(fileName, platform::OpenMode::kRead, platform::Share::kReadWrite);
  return r.ioResult != 0 ? r : FileCrcAndSha256(f);
}

std::string FileSha256Text(platform::File& file) {
  const FileDigestResult r = FileCrcAndSha256(file);
  if (r.ioResult != 0 || !r.hashOk) return std::string();
  return platform::HexText(r.sha256);
}

std::string FileSha256Text(const std::string& fileName) {
  platform::File f;
  return f.Open(fileName, platform::OpenMode::kRead, platform::Share::kReadWrite) != 0 ? std::string()
                                                                                       : FileSha256Text(f);
}
