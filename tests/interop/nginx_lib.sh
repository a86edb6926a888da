# Sourced by the interop scripts: a private nginx on 127.0.0.1, in the
# foreground of the calling script, which stops it with stop_nginx.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/servers.sh"
NGINX="$(command -v nginx || echo /usr/sbin/nginx)"
NGINX_PID=""

# start_nginx WORK PORT HTTP-BLOCK: nginx with its files in WORK and HTTP-BLOCK
# inside its http section; succeeds once PORT answers, fails after 5 s.
start_nginx() {
  mkdir -p "$1/tmp"
  cat >"$1/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
user root;
pid $1/nginx.pid;
error_log $1/error.log;
events { worker_connections 64; }
http {
  access_log $1/access.log;
  client_body_temp_path $1/tmp;
  proxy_temp_path $1/tmp;
  fastcgi_temp_path $1/tmp;
  uwsgi_temp_path $1/tmp;
  scgi_temp_path $1/tmp;
$3
}
CONF
  [ "$(id -u)" -eq 0 ] || sed -i '/^user root;/d' "$1/nginx.conf"
  "$NGINX" -p "$1" -c "$1/nginx.conf" &
  NGINX_PID=$!
  await 50 curl -s -o /dev/null "http://127.0.0.1:$2/" && return 0
  echo "nginx did not start"
  return 1
}

stop_nginx() {
  [ -n "$NGINX_PID" ] && kill "$NGINX_PID" 2>/dev/null && wait "$NGINX_PID" 2>/dev/null
  NGINX_PID=""
}
