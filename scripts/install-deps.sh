#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing jellycube need, and
# says which ones it installs. Without root it prints the one apt-get line to run; where
# only optional packages are missing (the fuzzer's clang, Valgrind, gnuplot) it says so and
# lets the build go on, and the targets that need them skip or stop with their own line.
# Usage: install-deps.sh [web|cross|windows]
#   (none): the native program, its tools and its tests
#   web:    the browser version and its tests only: emscripten, chromium, firefox-esr with
#           Xvfb and Mesa (headless Firefox has no WebGL, so it runs headed in a private X
#           server), and node with npm where there is none (a node from elsewhere is kept)
#   cross:  make test-cross and make test-wasm: the aarch64 toolchain, qemu's user-mode
#           emulator, GoogleTest's sources, emscripten and node
#   windows: make windows, test-windows and dist: MinGW-w64, GoogleTest's sources, Wine, zip
set -euo pipefail
no_recommends= optional=()

case "${1:-}" in
'')
    packages=(
        g++ make cmake pkg-config
        freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
        libgtest-dev
        xvfb xauth xdotool x11-utils
        imagemagick libpng-dev libx11-dev
    )
    optional=(clang libclang-rt-14-dev valgrind gnuplot-nox)
    ;;
web)
    packages=(make cmake emscripten chromium firefox-esr xvfb libgl1-mesa-dri python3)
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
    ;;
cross)
    packages=(cmake make file g++-aarch64-linux-gnu qemu-user googletest emscripten)
    command -v node >/dev/null || packages+=(nodejs)
    ;;
windows)
    packages=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine wine64 zip unzip)
    no_recommends=1
    ;;
*)
    echo "usage: $0 [web|cross|windows]" >&2
    exit 2
    ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=() missing_optional=()
for package in "${packages[@]}"; do installed "$package" || missing+=("$package"); done
for package in "${optional[@]}"; do installed "$package" || missing_optional+=("$package"); done
missing+=("${missing_optional[@]}")
[ ${#missing[@]} -gt 0 ] || exit 0

if [ "$(id -u)" -ne 0 ]; then
    if [ ${#missing[@]} -eq ${#missing_optional[@]} ]; then
        echo "Optional packages missing (fuzzing, memcheck, plots): ${missing[*]}" >&2
        exit 0
    fi
    echo "jellycube needs these Debian packages; as root, run:" >&2
    echo "  apt-get install -y ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq ${no_recommends:+--no-install-recommends} "${missing[@]}" >/dev/null
echo "Installed: ${missing[*]}"
