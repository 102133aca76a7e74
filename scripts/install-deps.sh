#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent: quiet and fast when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git clang
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6opengl6-dev
  qt6-qpa-plugins libgl-dev
  gstreamer1.0-plugins-good gstreamer1.0-pulseaudio gstreamer1.0-libav
  libgtest-dev libgmock-dev libbenchmark-dev
  libmpg123-dev libvorbis-dev libogg-dev libmp3lame-dev libmp3lame0
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libpulse-dev libasound2-plugins alsa-utils
  pulseaudio pulseaudio-utils
  xvfb xauth
  sox libsox-fmt-all lame mpg123 vorbis-tools ffmpeg
  python3
  openssl
  libebur128-dev
  libclang-rt-14-dev
  libcpp-httplib-dev libssl-dev libsqlite3-dev libpq-dev postgresql libqrencode-dev
  chromium curl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
