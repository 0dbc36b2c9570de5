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
fail() { echo "$*" >&2; exit 1; }

# freeglut as a static library in $dir/freeglut/prefix. Its warnings are off: the one it
# prints under Wine comes from taking the X display name in DISPLAY for a Windows display
# device (see README, "Windows"); its errors still reach standard error.
build_freeglut() {
    local root=$dir/freeglut
    if [ -f "$root/prefix/lib/libglut.a" ] &&
        [ "$(cat "$root/source.sha256" 2>/dev/null)" = "$freeglut_sha256" ]; then
        return 0
    fi
    [ -f "$freeglut_source" ] ||
        fail "windows: no freeglut source at $freeglut_source (set FREEGLUT_SOURCE)"
    local sum
    sum=$(sha256sum "$freeglut_source" | cut -d' ' -f1)
    [ "$sum" = "$freeglut_sha256" ] ||
        fail "windows: $freeglut_source has SHA-256 $sum, expected $freeglut_sha256"
    rm -rf "$root"
    mkdir -p "$root/src"
    tar -xzf "$freeglut_source" -C "$root/src" --strip-components=1
    echo "windows: building freeglut from $freeglut_source"
    cmake -S "$root/src" -B "$root/build" -DCMAKE_TOOLCHAIN_FILE=mingw_cross_toolchain.cmake \
        -DGNU_HOST=x86_64-w64-mingw32 -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$(realpath -m "$root/prefix")" -DFREEGLUT_BUILD_DEMOS=OFF \
        -DFREEGLUT_REPLACE_GLUT=ON -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_PRINT_WARNINGS=OFF >"$root/configure.log"
    cmake --build "$root/build" -j "$jobs" >"$root/build.log"
    cmake --install "$root/build" >"$root/install.log"
    echo "$freeglut_sha256" >"$root/source.sha256"
}

# Each check's name and time, so that CI logs show where the minutes go; none leaves a Wine
# server behind.
step() {
    local start=$SECONDS
    echo "test-windows: $1"
    shift
    "$@"
    stop_wine
    echo "test-windows:   $((SECONDS - start)) s"
}

# Stops this prefix's Wine server (and its programs): each end-to-end script brings its own
# Xvfb, and Wine's desktop process must not outlive the X server it was started on.
stop_wine() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; }

# The end-to-end scripts of tests/e2e, run on jellycube.exe through the wrapper.
windows_e2e() {
    for script in start_up texture_failures picture; do
        E2E_NO_MEMORY_LIMIT="Wine cannot start under ulimit -v" E2E_EXIT_TIMEOUT=30 \
            bash "tests/e2e/$script.sh" "$work/bin/jellycube" assets "$work/bin/gl_extensions_probe"
        stop_wine
        echo "test-windows: tests/e2e/$script.sh passed on jellycube.exe"
    done
}

# Frames 30, 198 and 300 (and every 6th between) of jellycube-record.exe against the Linux
# jellycube-record's, pixel for pixel: BMP files from Windows, PNG from Linux, as raw RGB.
windows_frames() {
    mkdir -p "$work/frames/run"
    cp assets/cub.bmp assets/floor.bmp "$work/frames/run/"
    (cd "$work/frames/run" &&
        bash "$OLDPWD/tests/e2e/with_xvfb.sh" bash -c 'wine "$@" && wineserver -k' wine \
            "$dir/tools/jellycube-record.exe" --frames 300 --every 6 --out ../win &&
        bash "$OLDPWD/tests/e2e/with_xvfb.sh" "$linux/tools/jellycube-record" \
            --frames 300 --every 6 --out ../linux)
    local count=0
    for png in "$work"/frames/linux/frame-*.png; do
        local bmp=$work/frames/win/$(basename "$png" .png).bmp
        cmp -s <(convert "$png" -depth 8 rgb:-) <(convert "$bmp" -depth 8 rgb:-) ||
            fail "test-windows: ${bmp##*/} differs from the Linux ${png##*/}"
        count=$((count + 1))
    done
    [ "$count" -eq 50 ] || fail "test-windows: $count Linux frames, expected 50"
    echo "test-windows: $count frames (30, 198 and 300 among them), 700x700, identical to Linux's"
}

# jellycube-trace.exe against the Linux jellycube-trace: a minute at 60 fps as a hash, as
# CSV (every second's particles, and the summary row of every frame), and --version; the
# golden drag session as a hash and as CSV; and
# jellycube-make-textures.exe against the committed textures.
windows_tools() {
    local line args
    for line in "--hash --fps 60 --seconds 60" "--fps 60 --seconds 60 --every 60" \
        "--summary --fps 60 --seconds 60" "--version" \
        "--hash --session tests/golden/drag_session.txt" \
        "--every 60 --session tests/golden/drag_session.txt"; do
        read -r -a args <<<"$line"
        wine "$dir/tools/jellycube-trace.exe" "${args[@]}" >"$work/win.out"
        "$linux/tools/jellycube-trace" "${args[@]}" >"$work/linux.out"
        cmp "$work/win.out" "$work/linux.out" ||
            fail "test-windows: jellycube-trace $line differs from Linux"
        echo "test-windows: jellycube-trace $line: $(wc -c <"$work/win.out") bytes as on Linux" \
            "($(head -c 40 "$work/win.out" | head -n 1))"
    done
    mkdir "$work/textures"
    wine "$dir/tools/jellycube-make-textures.exe" "$work/textures"
    cmp "$work/textures/cub.bmp" assets/cub.bmp && cmp "$work/textures/floor.bmp" assets/floor.bmp
    echo "test-windows: jellycube-make-textures.exe writes the committed textures"
}

case $command in
test)
    linux=${4:-build}
    for exe in app/jellycube tools/jellycube-trace tools/jellycube-record tests/gl_extensions_probe; do
        [ -f "$dir/$exe.exe" ] || fail "test-windows: no $dir/$exe.exe (make windows)"
    done
    [ -x "$linux/tools/jellycube-record" ] || fail "test-windows: no Linux build in $linux"
    dir=$(realpath "$dir") linux=$(realpath "$linux")
    # A prefix of its own, made and removed here; never ~/.wine. Mono and Gecko are not
    # wanted (their install prompts would wait), nor Wine's debug channels.
    work=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-wine.XXXXXX")
    export WINEPREFIX=$work/prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
    trap 'stop_wine; rm -rf "$work"' EXIT
    mkdir "$work/bin"
    # $work/bin/NAME runs NAME.exe of the Windows build under Wine, with the caller's arguments.
    for exe in app/jellycube tests/gl_extensions_probe; do
        printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$dir/$exe.exe" >"$work/bin/${exe#*/}"
    done
    chmod +x "$work/bin/"*
    step "a new Wine prefix" wineboot -i 2>/dev/null
    # One Wine server with its services for the whole suite: a test that connects while the
    # server starts or ends is cut off ("recvmsg: Connection reset by peer"). The services hold
    # no pipe of ctest's open. A test that Wine still fails gets one more try; a real failure
    # fails twice.
    step "unit tests (ctest under Wine)" bash -c "wineserver -p && wineboot </dev/null >/dev/null 2>&1 &&
        cd '$dir' && ctest --output-on-failure -j '$jobs' --repeat until-pass:2"
    step "trace and texture tools against Linux's" windows_tools
    step "end-to-end: start-up and keys, texture failures, pictures and resizing" windows_e2e
    step "recorded frames against Linux's" windows_frames
    echo "test-windows: all passed"
    ;;
build)
    build_freeglut
    cmake --preset windows -B "$dir" -DJELLY_FREEGLUT_PREFIX="$(realpath "$dir/freeglut/prefix")" \
        >/dev/null
    cmake --build "$dir" -j "$jobs"
    ;;
*)
    echo "usage: $0 build|test [BUILD_DIR] [JOBS] [LINUX_BUILD_DIR]" >&2
    exit 2
    ;;
esac
