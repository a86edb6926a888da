# Sourced by the command-line tests: a scratch folder, `veltaro-kit serve`
# instances that all stop when the test ends, and a closed port.
# Needs $kit set first.
dir="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -INT "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
fails=0

# serve VAR DIR [SWITCHES...]: starts a server in this shell (not in a
# subshell, so that cleanup knows it) and puts its base URL into VAR.
serve() {
  local var="$1" log="$dir/serve.${#pids[@]}"
  shift
  "$kit" serve "$@" >"$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do grep -qs listening "$log" && break; sleep 0.1; done
  printf -v "$var" '%s' "$(grep -o 'http://[0-9.:]*/' "$log")"
}

# A port on 127.0.0.1 that nothing listens on.
closed_url() {
  echo "http://127.0.0.1:$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')/"
}
