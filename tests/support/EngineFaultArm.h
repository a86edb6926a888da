// Arms the engine's fault points (download/EngineFaults.h) for a test.
#pragma once
#include "download/EngineFaults.h"

// The next `count` passes by the point fail.
void ArmEngineFault(EngineFault point, int count);
