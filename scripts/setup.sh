#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds and runs with, when missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libserialport-dev
          googletest libgtest-dev libgmock-dev libbenchmark-dev
          fonts-wqy-microhei poppler-utils xvfb desktop-file-utils locales)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
