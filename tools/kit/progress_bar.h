// The kit's progress bar on stderr: "\r[####....]  NN%  detail", drawn only
// when stderr is a terminal.
#pragma once

// Whether bars are drawn: stderr is a terminal.
bool ProgressBarsShown();

// percent is clamped to 0..100; detail is printed after it (may be empty).
void DrawProgressBar(int percent, const char* detail);

// Ends a bar that was drawn; otherwise prints `summary` as one line on stderr
// (nothing when it is empty).
void EndProgressBar(const char* summary);
