#!/usr/bin/env bash
# Installs the Debian packages KuzoPlayer needs to build, test and run.
# Quiet when everything is present; names what is missing when it cannot install.
set -u
PKGS=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  zlib1g-dev libdeflate-dev libpng-dev libjpeg-dev libspng-dev
  libsdl2-dev libpixman-1-dev libsdl2-ttf-dev libfontconfig-dev libfreetype-dev fonts-ipafont-gothic fonts-ipafont-mincho
  libgtest-dev libgmock-dev libbenchmark-dev
  lua5.4 xvfb xauth
  libavformat-dev libavcodec-dev libswresample-dev libswscale-dev ffmpeg
  libfluidsynth-dev fluid-soundfont-gm libcurl4-openssl-dev
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1 && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! { $SUDO apt-get update -qq >/dev/null && $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }; then
  echo "install-deps: could not install: ${missing[*]}" >&2
  echo "install-deps: install them with your package manager and run again" >&2
  exit 1
fi
