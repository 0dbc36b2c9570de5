#!/usr/bin/env bash
# The archives to download, one a target, named with the project's version, and their check:
# each unpacked into a fresh folder and run from there.
# Usage: scripts/dist.sh pack  [OUT] [LINUX_BUILD] [WIN_BUILD] [WEB_BUILD]
#        scripts/dist.sh check [OUT] [LINUX_BUILD] [WIN_BUILD]
#   pack:  OUT/jellycube-VERSION-{windows-x86_64.zip,linux-x86_64.tar.gz,web.zip}
#   check: the Linux programs under Xvfb, the Windows ones under Wine (extension list, keys,
#          Esc, --hash) and the page in headless chromium (frame 198 against the native one)
set -euo pipefail
cd "$(dirname "$0")/.."
command=${1:-}
out=${2:-dist}
linux=${3:-build}
win=${4:-build-win}
web=${5:-build-web}
golden_hash=$(sed -n "s/^--fps 60 --seconds 60 //p" tests/golden/state_hash.txt)
version=$("$linux/tools/jellycube-trace" --version | cut -d' ' -f2)
[ -n "$version" ] || { echo "dist: no version from $linux/tools/jellycube-trace" >&2; exit 1; }
base=jellycube-$version

# The README part on running the program, for both desktop archives, where PREFIXjellycubeSUFFIX
# starts it: running_text SYSTEM PREFIX SUFFIX FORMAT.
running_text() {
    cat <<TEXT
jellycube $version ($1)

A soft, jelly-like cube: a 5 x 5 x 5 lattice of particles drops spinning onto a tiled
floor, bounces, wobbles and, from the third second on, hops again and again.

Running it
  Start $2jellycube$3 from this folder. It reads cub.bmp (the cube's texture) and floor.bmp (the
  floor's) from the folder it is started in; replace them with any 24-bit BMP files of
  your own. A missing or unreadable file ends it at once with one line such as
  "can't open cub.bmp" or "invalid format of floor.bmp" on standard output.
  Esc ends the program; every other key is ignored. At start it writes the OpenGL
  extension list to standard output.

The tools
  $2jellycube-trace$3
      prints the simulation on a scripted clock as CSV, with no window: the particles of
      the last frame, or of every K-th (--every K), or one summary row a frame
      (--summary). --hash prints one line instead, a hash of the last frame's particles:
      "$2jellycube-trace$3 --hash --fps 60 --seconds 60" prints $golden_hash on every machine.
  $2jellycube-record$3
      draws the scene on the same clock into an offscreen buffer and writes frames as
      $4 files (--frames N, --every K, --out DIR, --size WxH).
  $2jellycube-make-textures$3 DIR
      writes the default cub.bmp and floor.bmp into DIR.
  Each tool explains itself with --help and names its version with --version.
TEXT
}

# desktop_folder SYSTEM BUILD STRIP SUFFIX: $dir with the programs stripped and the textures.
desktop_folder() {
    dir=$stage/$base-$1
    mkdir -p "$dir"
    for program in app/jellycube tools/jellycube-trace tools/jellycube-record \
        tools/jellycube-make-textures; do
        "$3" -o "$dir/${program#*/}$4" "$2/$program$4"
    done
    "$linux/tools/jellycube-make-textures" "$dir"
}

pack_windows() {
    desktop_folder windows-x86_64 "$win" x86_64-w64-mingw32-strip .exe
    {
        running_text "Windows x86-64" "" .exe BMP
        cat <<TEXT

It needs nothing but Windows itself (64-bit, with an OpenGL driver): freeglut is built into
the programs. freeglut's copyright and licence terms are in COPYING-freeglut.txt.
TEXT
    } | sed 's/$/\r/' >"$dir/README.txt"
    sed 's/$/\r/' "$win/freeglut/src/COPYING" >"$dir/COPYING-freeglut.txt"
    (cd "$stage" && zip -qrX "$OLDPWD/$out/$base-windows-x86_64.zip" "$base-windows-x86_64")
}

pack_linux() {
    desktop_folder linux-x86_64 "$linux" strip ""
    {
        running_text "Linux x86-64" ./ "" PNG
        cat <<TEXT
  jellycube-record needs an X display for its GL context (Xvfb serves); no window shows.

What it needs
  Built on Debian 12. The programs with a window need freeglut, GLU, the GL dispatch
  libraries, libpng (jellycube-record) and a GL driver; on Debian 12:
    apt-get install libglut3.12 libglu1-mesa libopengl0 libglx0 libgl1-mesa-dri \\
        libpng16-16 libx11-6
  (libglut3.12 is freeglut; older releases call it freeglut3.) jellycube-trace and
  jellycube-make-textures need only the C and C++ libraries.
TEXT
    } >"$dir/README.txt"
    tar -C "$stage" --owner=0 --group=0 --sort=name -czf "$out/$base-linux-x86_64.tar.gz" \
        "$base-linux-x86_64"
}

# The page as make web leaves it: any static host serves it as it is.
pack_web() {
    local dir=$stage/$base-web
    mkdir -p "$dir"
    cp "$web/jellycube.html" "$dir/"
    cat >"$dir/README.txt" <<TEXT
jellycube $version for the browser (WebGL 2)

Open jellycube.html in a browser: it is the whole program in one file and needs no server.
Any static web host serves it as it is.
TEXT
    (cd "$stage" && zip -qrX "$OLDPWD/$out/$base-web.zip" "$base-web")
}

# A fresh folder under $work with the archive unpacked; its top folder in $unpacked.
unpack() {
    local fresh
    fresh=$(mktemp -d "$work/unpacked.XXXXXX")
    case $1 in
    *.zip) unzip -q "$out/$1" -d "$fresh" ;;
    *.tar.gz) tar -xzf "$out/$1" -C "$fresh" ;;
    esac
    unpacked=$fresh/${1%.zip}
    unpacked=${unpacked%.tar.gz}
    [ -d "$unpacked" ] || { echo "dist: $1 holds no folder ${unpacked##*/}" >&2; exit 1; }
}

case $command in
pack)
    for file in "$win/app/jellycube.exe" "$web/jellycube.html" "$win/freeglut/src/COPYING"; do
        [ -f "$file" ] || { echo "dist: no $file (make windows, make web)" >&2; exit 1; }
    done
    stage=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-dist.XXXXXX")
    trap 'rm -rf "$stage"' EXIT
    mkdir -p "$out"
    rm -f "$out/$base"-*
    pack_windows
    pack_linux
    pack_web
    ls -l "$out"
    ;;
check)
    work=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-dist-check.XXXXXX")
    export WINEPREFIX=$work/prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
    server=
    # Whatever is left of the check goes, without changing its status.
    trap '[ -z "$server" ] || kill "$server" 2>/dev/null || :; wineserver -k 2>/dev/null || :; rm -rf "$work"' EXIT

    unpack "$base-linux-x86_64.tar.gz"
    bash tests/e2e/start_up.sh "$unpacked/jellycube" "$unpacked" "$linux/tests/gl_extensions_probe"
    scripts/check-golden.sh dist "$unpacked/jellycube-trace"
    echo "dist: $base-linux-x86_64.tar.gz runs from its folder"

    unpack "$base-windows-x86_64.zip"
    # The prefix is made with no display; its desktop must start afresh on start_up's Xvfb.
    wineboot -i 2>/dev/null
    wineserver -k && wineserver -w
    for exe in "$unpacked/jellycube.exe" "$(realpath "$win/tests/gl_extensions_probe.exe")"; do
        printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$exe" >"$work/$(basename "$exe" .exe)"
    done
    chmod +x "$work/jellycube" "$work/gl_extensions_probe"
    bash tests/e2e/start_up.sh "$work/jellycube" "$unpacked" "$work/gl_extensions_probe"
    scripts/check-golden.sh dist wine "$unpacked/jellycube-trace.exe"
    wineserver -k
    echo "dist: $base-windows-x86_64.zip runs from its folder under Wine"

    unpack "$base-web.zip"
    [ -d tests/web/node_modules ] ||
        npm ci --prefix tests/web --no-audit --no-fund --loglevel=error
    # Served from the unpacked folder on loopback, as a static host would serve it.
    python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$unpacked" >"$work/http.log" 2>&1 &
    server=$!
    until port=$(grep -o 'port [0-9]*' "$work/http.log" | cut -d' ' -f2) && [ -n "$port" ]; do
        sleep 0.1
    done
    JELLY_PAGE_URL=http://127.0.0.1:$port/jellycube.html JELLY_BROWSERS=chromium \
        JELLY_WEB_DIR=$unpacked JELLY_BUILD_DIR=$(realpath "$linux") \
        CHROMIUM=${CHROMIUM:-$(command -v chromium)} \
        timeout 600 node --test --test-name-pattern='scripted frame 198 ' tests/web/pictures.test.mjs
    kill "$server" && server=
    echo "dist: $base-web.zip, served on 127.0.0.1, draws frame 198 as the native program does"
    ;;
*)
    echo "usage: $0 pack|check [OUT] [LINUX_BUILD] [WIN_BUILD] [WEB_BUILD]" >&2
    exit 2
    ;;
esac
