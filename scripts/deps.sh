#!/usr/bin/env bash
# Installs every Debian package the project needs, and nothing when all of them are already there.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  g++ cmake ninja-build ccache pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # drawing, images and text
  libpixman-1-dev libpng-dev libjpeg-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  # the X11 backend and its tests
  libx11-dev libxext-dev libxtst-dev xvfb x11-xserver-utils
  # Firebird: client library, embedded engine, tools, server (started privately by the tests), headers
  libfbclient2 firebird3.0-server-core firebird3.0-utils firebird3.0-server firebird-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# The server package registers a system Firebird service and starts it on install; the tests start their
# own private server instead, and a system one would hold its port. A policy-rc.d that refuses every start
# (exit 101) keeps the service from starting during this install; it is put in place only when the machine
# has none, and taken away again on every way out.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\n# placed by scripts/deps.sh while it installs packages\nexit 101\n' |
    "${sudo_cmd[@]}" tee "$policy" >/dev/null
  "${sudo_cmd[@]}" chmod 755 "$policy"
  trap '"${sudo_cmd[@]}" rm -f "$policy"' EXIT
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
