#!/usr/bin/env bash
# Installs every system package the project needs, from Debian only, and prepares
# the project's own Wine prefix. Idempotent: a second run only checks.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PKGS=(
  build-essential cmake ninja-build pkg-config
  g++-mingw-w64-i686 libz-mingw-w64-dev zlib1g-dev
  googletest libgtest-dev libbenchmark-dev
  wine wine32:i386 wine64 xvfb xdotool imagemagick fonts-wqy-microhei locales
  libssl-dev nginx curl aria2 unzip zip libarchive-tools clang libclang-rt-14-dev python3 python3-pil file strace
  liblnk-utils tinyproxy osslsigncode openssl
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

missing=()
for p in "${PKGS[@]}"; do
  name="${p%%:*}"; arch="${p#*:}"; [ "$arch" = "$p" ] && arch=""
  if [ -n "$arch" ]; then q="$name:$arch"; else q="$name"; fi
  st=$(dpkg-query -W -f='${db:Status-Status}' "$q" 2>/dev/null || true)
  [ "$st" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "bootstrap: system packages present"
fi

# zh_CN.UTF-8 makes Wine's ANSI and OEM code pages 936; en_US.UTF-8 (1252) is
# the system of a user whose Windows is not Chinese, which the window tests too.
for loc in zh_CN en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
    echo "bootstrap: generating $loc.UTF-8"
    if [ -f /etc/locale.gen ] && grep -q "^# *$loc.UTF-8" /etc/locale.gen; then
      $SUDO sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$loc.UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
  fi
done

"$here/scripts/wine-prefix.sh"
