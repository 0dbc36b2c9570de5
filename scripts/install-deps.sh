#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing jellycube need, and
# says which ones it installs. Without root it prints the one apt-get line to run.
# Usage: install-deps.sh [web]
#   (none): the native program, its tools and its tests
#   web:    the browser version and its tests only: emscripten, chromium, and node with npm
#           where there is none (a node from elsewhere, with its own npm, is kept)
set -euo pipefail

case "${1:-}" in
'')
    packages=(
        g++ make cmake pkg-config
        freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
        libgtest-dev libbenchmark-dev
        xvfb xauth xdotool x11-utils
        imagemagick libpng-dev libx11-dev gnuplot-nox
        clang libclang-rt-14-dev valgrind
    )
    ;;
web)
    packages=(make cmake emscripten chromium python3)
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
    ;;
*)
    echo "usage: $0 [web]" >&2
    exit 2
    ;;
esac

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
