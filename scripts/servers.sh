# Sourced by the tests and the demo: servers on 127.0.0.1 that the caller's
# shell starts in its background (so that its cleanup can stop them), each
# awaited until it listens.

# free_port: a port on 127.0.0.1 that nothing listened on a moment ago.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# await TENTHS COMMAND...: COMMAND again every tenth of a second until it
# succeeds; status 1 when it still fails after TENTHS tries.
await() {
  local n="$1"
  shift
  for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done
  return 1
}

# kit_serve VAR LOG KIT ARGS...: `KIT serve ARGS...` (SERVED_PID := its id), its
# output in LOG; once it listens (5 s at most) its base URL into VAR. Status 1,
# with its output shown, when it does not.
kit_serve() {
  local _var="$1" _log="$2" _kit="$3"  # named apart from the caller's VAR
  shift 3
  "$_kit" serve "$@" >"$_log" 2>&1 &
  SERVED_PID=$!
  await 50 grep -qs listening "$_log"
  printf -v "$_var" '%s' "$(grep -o 'http://127.0.0.1:[0-9]*/' "$_log")"
  [ -n "${!_var}" ] && return 0
  echo "veltaro-kit serve did not start"
  sed 's/^/   /' "$_log"
  return 1
}

# start_tinyproxy DIR PORT LOG-LEVEL [CONF-LINE...]: tinyproxy in the foreground
# (TINYPROXY_PID := its id) with its configuration and its log (DIR/proxy.log)
# in DIR; status 1 when it does not accept connections within 5 s.
start_tinyproxy() {
  local dir="$1" port="$2" level="$3"
  shift 3
  printf '%s\n' "Port $port" "Listen 127.0.0.1" "Timeout 60" "MaxClients 20" "Allow 127.0.0.1" \
    "LogFile \"$dir/proxy.log\"" "LogLevel $level" "$@" >"$dir/tinyproxy.conf"
  tinyproxy -d -c "$dir/tinyproxy.conf" >"$dir/tinyproxy.out" 2>&1 &
  TINYPROXY_PID=$!
  await 50 grep -qs "Accepting connections" "$dir/proxy.log" && return 0
  echo "tinyproxy did not start"
  sed 's/^/   /' "$dir/tinyproxy.out"
  return 1
}
