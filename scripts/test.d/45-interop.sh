# The engine against a real nginx on loopback: size by HEAD, 206 segments over
# keep-alive connections, a byte-identical file. nginx runs in the foreground
# of this stage from a private configuration and is stopped by it.
run_check "engine interop with nginx" bash "$ROOT/tests/interop/nginx_fetch.sh" "$ROOT/build/native/bin/veltaro-kit"
run_check "release check against nginx" bash "$ROOT/tests/interop/nginx_check.sh" "$ROOT/build/native/bin/veltaro-kit"
