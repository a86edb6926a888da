# Sourced by the command-line tests: a scratch folder, `veltaro-kit serve`
# instances that all stop when the test ends, a closed port, and the ok and
# FAIL lines (fails counts the latter).
# Needs $kit set first.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/servers.sh"
dir="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -INT "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
fails=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
# The folder of the package and its manifest in a published release.
m=zelqa/DOWN_CENTER/VELTARO/VELTARO

# serve VAR DIR [SWITCHES...]: starts a server in this shell (not in a
# subshell, so that cleanup knows it) and puts its base URL into VAR.
serve() {
  local _var="$1"
  shift
  kit_serve "$_var" "$dir/serve.${#pids[@]}" "$kit" "$@"
  local rc=$?
  pids+=("$SERVED_PID")
  return $rc
}

# A port on 127.0.0.1 that nothing listens on.
closed_url() { echo "http://127.0.0.1:$(free_port)/"; }
