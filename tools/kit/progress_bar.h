// The kit's progress bar on stderr: "\r[####....]  NN%  detail", drawn only
// when stderr is a terminal.
#pragma once
#include <cstdint>
#include <string>

// Whether bars are drawn: stderr is a terminal.
bool ProgressBarsShown();

// percent is clamped to 0..100; detail is printed after it (may be empty).
void DrawProgressBar(int percent, const char* detail);

// Ends a bar that was drawn; otherwise prints `summary` as one line on stderr
// (nothing when it is empty).
void EndProgressBar(const char* summary);

// A size for people: bytes below 1 KiB, KiB below 1 MiB, MiB above ("293.0 KiB").
std::string SizeText(uint64_t bytes);
