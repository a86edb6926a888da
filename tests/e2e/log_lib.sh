# Sourced by the Wine tests that read the installer's log: InstVeltaro\install.log
# on the prefix's D: drive (DRIVE_D), UTF-8 with a byte-order mark, CR LF.

# log_last_run: the log's last run, from its last start line on, without the
# mark and the CRs.
log_last_run() {
  sed '1s/^\xEF\xBB\xBF//' "$DRIVE_D/Program Files/Veltaro/InstVeltaro/install.log" 2>/dev/null | tr -d '\r' |
    awk '/^[0-9-]+ [0-9:]+ START / { run = "" } { run = run $0 "\n" } END { printf "%s", run }'
}
# log_names TEXT...: the last run holds each TEXT (a fixed string); when one is
# missing, says which and shows the run.
log_names() {
  local run t
  run="$(log_last_run)"
  for t in "$@"; do
    grep -qF -- "$t" <<<"$run" && continue
    echo "   not in the log's last run: $t"
    sed 's/^/   | /' <<<"$run" | tail -n 40
    return 1
  done
}
# log_show: the last run, indented, for the test's output.
log_show() { log_last_run | sed 's/^/   | /'; }
