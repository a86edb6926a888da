// What a keyed installer adds to an install: the package's SHA-256, computed in
// the read that computes its CRC-32, against the time of unpacking it.
// Usage: digest_bench PACKAGE WORKDIR (host paths; WORKDIR is emptied and reused)
#include <chrono>
#include <cstdio>
#include <string>

#include "download/CRC_32.h"
#include "download/FileDigest.h"
#include "platform/crypto.h"
#include "tests/support/TempDir.h"
#include "unpack/PubZip.h"

namespace {
// Host paths in the Windows form the core takes; the posix platform maps them back.
std::string WindowsForm(std::string s) {
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

template <typename F>
double BestOf3(F run) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
  }
  return best;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: digest_bench PACKAGE WORKDIR\n");
    return 2;
  }
  const std::string package = WindowsForm(argv[1]), work = WindowsForm(std::string(argv[2]) + "/out");
  const double crc = BestOf3([&] { FileCrc32(package); });
  const double both = BestOf3([&] { FileCrcAndSha256(package); });
  const double unpack = BestOf3([&] {
    testsupport::RemoveTree(work + "\\");
    if (!UnpackPackage(package, work)) std::fprintf(stderr, "unpack failed\n");
  });
  testsupport::RemoveTree(work + "\\");
  std::printf("CRC-32 alone          %8.3f s\n", crc);
  std::printf("CRC-32 + SHA-256      %8.3f s (one read)\n", both);
  std::printf("unpack                %8.3f s\n", unpack);
  std::printf("SHA-256 added / unpack: %.2f\n", (both - crc) / unpack);
  return 0;
}
