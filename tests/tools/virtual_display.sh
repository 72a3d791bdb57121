# Sourced by the real-window scripts: starts Xvfb on a display it picks
# itself, sets $xvfb to its pid and exports DISPLAY once it is ready.
# Needs $work (a scratch folder) and a fail function.
start_virtual_display() {
    Xvfb -displayfd 3 -screen 0 1400x900x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=:$(cat "$work/display")
}
