#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing jellycube need, and
# says which ones it installs. Without root it prints the one apt-get line to run.
# `install-deps.sh cross` installs what make test-cross and make test-wasm need instead:
# the aarch64 toolchain, qemu's user-mode emulator, emscripten and node.
set -euo pipefail

packages=(
    g++ make cmake pkg-config
    freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
    libgtest-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils
    imagemagick libpng-dev libx11-dev gnuplot-nox
    clang libclang-rt-14-dev valgrind
)
if [ "${1:-}" = cross ]; then
    packages=(cmake make file g++-aarch64-linux-gnu qemu-user googletest emscripten nodejs)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "jellycube needs these Debian packages; as root, run:" >&2
    echo "  apt-get install -y ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
echo "Installed: ${missing[*]}"
