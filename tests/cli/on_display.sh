#!/usr/bin/env bash
# Runs one Windows program under Wine on a private virtual X display.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/wine-ui.sh"
trap e2e_cleanup EXIT
start_xvfb >/dev/null || exit 1
wine "$@"
