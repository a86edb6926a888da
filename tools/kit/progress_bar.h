// The kit's progress bar on stderr: "\r[####....]  NN%  detail".
#pragma once

// percent is clamped to 0..100; detail is printed after it (may be empty).
void DrawProgressBar(int percent, const char* detail);
