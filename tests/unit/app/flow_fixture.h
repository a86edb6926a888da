// The install flow driven through the window's handlers: a headless window with
// the flow attached, the download server on loopback (named by the HKLM
// override), the in-memory registry, drives C: (the Windows folder, small) and
// D: (2 GiB free), and the headless host's virtual clock for the timers.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ServerConfig.h"
#include "platform/system.h"
#include "tests/support/HeadlessHost.h"
#include "tools/kit/http_server.h"

class FlowTest : public ::testing::Test {
 protected:
  FlowTest();
  ~FlowTest() override;

  static const char kPackagePath[];  // "/zelqa/DOWN_CENTER/VELTARO/VELTARO/"

  // Serves the manifest [Setup] LargeVer=version, url=name, crc=crc.
  void PublishManifest(const std::string& version, const std::string& name, const std::string& crc);
  void PublishManifestText(const std::string& text);
  // Serves `bytes` as the package `name`; returns its checksum text.
  std::string PublishPackage(const std::string& name, const std::string& bytes);

  // Pumps the UI queue only (the virtual clock stands still) until `done` holds.
  template <typename F>
  bool PumpUntil(F done, int timeoutMs = 20000);
  // Shows the window (start-up steps, manifest) and goes to page 1.
  void ShowAndOpenPage1();
  // Pumps the UI queue and advances the virtual clock in 100 ms steps until
  // `done` holds or `timeoutMs` of real time pass; false on time-out.
  template <typename F>
  bool RunUntil(F done, int timeoutMs = 20000);
  // The message boxes' texts since the last call, in UTF-8.
  std::vector<std::string> Boxes();
  // GETs of the package "Pkg.zip": ranged (a job's segments) or whole (the fallback).
  int PackageGets(bool ranged);
  bool OnPage(int page) { return form.nbMain->pageIndex() == page; }
  // Every job the flow created so far (kept so that teardown waits for them).
  void NoteJob();
  // Waits, without pumping, until both segments of `job` have logged their
  // failure: their notices are then waiting for the UI thread, and the first
  // one handled cannot cancel the other segment before it fails.
  static bool BothSegmentsFailed(const TDownloadJob& job);
  // The install log's last run (UTF-8, from its last start line on), once every
  // job's engine has ended and written its lines.
  std::string LogLastRun();

  ui::TfrmSpeedInstall form;
  app::TInstallFlow flow{form};
  ui::HeadlessHost host{form};
  kit::HttpServer server;
  std::vector<std::shared_ptr<TDownloadJob>> jobs;

 private:
  void Step();
};

// The flow's values (app/FlowValues.h) back to those at start: tests run many flows in one process.
void ResetFlowValues();

// A ZIP archive of stored members, for packages made in the tests.
using Members = std::vector<std::pair<std::string, std::string>>;
std::string MakeZip(const Members& members);
// The same with the four component files added, so that nothing is fetched
// after the unpack and the completion page follows at once.
std::string MakePackage(Members members);

// n pseudo-random bytes: a stored member as large as it looks.
std::string Noise(size_t n);

// The first of `parts` that `text` does not hold after the ones before it;
// empty when it holds them all in this order.
std::string MissingInOrder(const std::string& text, const std::vector<std::string>& parts);

// Host-side file helpers on Windows paths.
bool Exists(const std::string& windowsPath);
std::string ReadAll(const std::string& windowsPath);

template <typename F>
bool FlowTest::RunUntil(F done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Step();
  }
  return true;
}

template <typename F>
bool FlowTest::PumpUntil(F done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    host.ProcessMessages();
    NoteJob();
    platform::SleepMs(2);
  }
  return true;
}
