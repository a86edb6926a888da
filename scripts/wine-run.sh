#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix (the CMake emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
