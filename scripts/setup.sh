#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the screenshots and
# the proof runs need, skipping those already present.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libmotif-dev libxt-dev libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils x11-apps
    xfonts-base xfonts-75dpi xfonts-100dpi
    imagemagick python3 python3-xlib
    clang clang-format libclang-rt-14-dev valgrind
    man-db groff-base
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
