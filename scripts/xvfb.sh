# Sourced by scripts that need a private X server. start_xvfb WORKDIR [ARGS...]
# starts Xvfb on a display it picks itself and sets DISPLAY and xvfb_pid.
# XVFB_SCREEN sets the screen (default 1280x1024x24).
# Xvfb writes the display number only once it accepts connections, so there is
# no race with a server on a guessed number that is still starting or ending.
start_xvfb() {
    local dir=$1
    shift
    local fifo=$dir/xvfb-display
    rm -f "$fifo"
    mkfifo "$fifo"
    # -noreset: a server that resets when its last client leaves refuses the
    # next one for a moment, and each test or run starts a new client.
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset "$@" \
        3>"$fifo" >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local number=
    # The first Xvfb on a machine can take seconds (keymap and font caches).
    read -r -t 30 number <"$fifo" || true
    rm -f "$fifo"
    if [[ -z $number ]]; then
        kill "$xvfb_pid" 2>/dev/null
        xvfb_pid=
        echo "Xvfb did not start:" >&2
        cat "$dir/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=:$number
}

stop_xvfb() {
    [[ -n ${xvfb_pid:-} ]] || return 0
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
    return 0
}
