#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build git python3 clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libstb-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 libgnutls30 xvfb xdotool imagemagick x11-utils xauth procps util-linux linux-perf
  cups printer-driver-cups-pdf poppler-utils e2fsprogs
  nsis zip unzip
  mosquitto mosquitto-clients libmosquitto-dev nlohmann-json3-dev postgresql-15 libpq-dev openssl
  libcpp-httplib-dev pkg-config chromium
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The print queue of the printing tests (a PDF printer); the tests start the scheduler again when
# it is not running.
"$(dirname "$0")/print-queue.sh"
