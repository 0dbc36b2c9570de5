# Sourced by the end-to-end helpers (lib.sh, with_xvfb.sh) for a private X server.
# start_xvfb WORKDIR: starts Xvfb, exports DISPLAY and sets xvfb_pid (the caller stops it).
# The screen must be 24-bit for GLX; -noreset keeps the server up between clients, and
# -displayfd picks a free display and writes its number once the server accepts clients.
start_xvfb() {
    local work=$1 display=
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp \
        3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 200); do
        display=$(head -n 1 "$work/display" 2>/dev/null || true)
        [ -n "$display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    if [ -z "$display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=":$display"
}
