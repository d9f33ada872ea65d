#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when
# any is missing. Safe to run again: it does nothing when all are present.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev portaudio19-dev libasound2-dev
    pulseaudio pulseaudio-utils libasound2-plugins
    fonts-ipafont-gothic
    libsndfile1-dev
    ffmpeg sox flac cuetools
    lintian desktop-file-utils appstream dpkg-dev file man-db xdg-utils bash-completion
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=600 update -q
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q "${missing[@]}"
