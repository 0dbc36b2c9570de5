#!/usr/bin/env bash
# The Windows build, cross-compiled with MinGW-w64, and its tests under Wine.
# Usage: scripts/windows.sh build [BUILD_DIR] [JOBS]
#        scripts/windows.sh test  [BUILD_DIR] [JOBS] [LINUX_BUILD_DIR]
# FREEGLUT_SOURCE is freeglut 3.6.0's source tarball (default ../shared/third_party/); it is
# checked against its SHA-256 and built into BUILD_DIR/freeglut, never into the project.
set -euo pipefail
cd "$(dirname "$0")/.."
command=${1:-}
dir=${2:-build-win}
jobs=${3:-2}
freeglut_source=${FREEGLUT_SOURCE:-../shared/third_party/freeglut-3.6.0.tar.gz}
freeglut_sha256=9c3d4d6516fbfa0280edc93c77698fb7303e443c1aaaf37d269e3288a6c3ea52

# freeglut as a static library in $dir/freeglut/prefix. Its warnings are off: the one it
# prints under Wine comes from taking the X display name in DISPLAY for a Windows display
# device (see README, "Windows"); its errors still reach standard error.
build_freeglut() {
    local root=$dir/freeglut
    if [ -f "$root/prefix/lib/libglut.a" ] && [ "$(cat "$root/source.sha256" 2>/dev/null)" = "$freeglut_sha256" ]; then
        return 0
    fi
    [ -f "$freeglut_source" ] || {
        echo "windows: no freeglut source at $freeglut_source (set FREEGLUT_SOURCE)" >&2
        exit 1
    }
    local sum
    sum=$(sha256sum "$freeglut_source" | cut -d' ' -f1)
    [ "$sum" = "$freeglut_sha256" ] || {
        echo "windows: $freeglut_source has SHA-256 $sum, expected $freeglut_sha256" >&2
        exit 1
    }
    rm -rf "$root"
    mkdir -p "$root/src"
    tar -xzf "$freeglut_source" -C "$root/src" --strip-components=1
    echo "windows: building freeglut from $freeglut_source"
    cmake -S "$root/src" -B "$root/build" -DCMAKE_TOOLCHAIN_FILE=mingw_cross_toolchain.cmake \
        -DGNU_HOST=x86_64-w64-mingw32 -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PWD/$root/prefix" -DFREEGLUT_BUILD_DEMOS=OFF \
        -DFREEGLUT_REPLACE_GLUT=ON -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_PRINT_WARNINGS=OFF >"$root/configure.log"
    cmake --build "$root/build" -j "$jobs" >"$root/build.log"
    cmake --install "$root/build" >"$root/install.log"
    echo "$freeglut_sha256" >"$root/source.sha256"
}

case $command in
build)
    build_freeglut
    cmake --preset windows -B "$dir" -DJELLY_FREEGLUT_PREFIX="$PWD/$dir/freeglut/prefix" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ;;
*)
    echo "usage: $0 build|test [BUILD_DIR] [JOBS]" >&2
    exit 2
    ;;
esac
