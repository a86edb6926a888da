# Sourced by the interop scripts: a private nginx on 127.0.0.1, in the
# foreground of the calling script, which stops it with stop_nginx.
NGINX="$(command -v nginx || echo /usr/sbin/nginx)"
NGINX_PID=""

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

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
  for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$2/" && return 0; sleep 0.1; done
  echo "nginx did not start"
  return 1
}

stop_nginx() {
  [ -n "$NGINX_PID" ] && kill "$NGINX_PID" 2>/dev/null && wait "$NGINX_PID" 2>/dev/null
  NGINX_PID=""
}
