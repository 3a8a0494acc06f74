#!/usr/bin/env bash
# The studio in a real X window (a private Xvfb), driven by X's own mouse and keys through
# xdotool; what changed is read from the studio's event lines (DUOVIS_STUDIO_EVENTS). Checks:
# the wheel over the panel scrolls it and changes no value, Ctrl+Z in a focused number field
# undoes, a Shift drag moves a twentieth of a plain drag, the edge between panel and viewer
# drags and the panel gives way to a narrower window, and File > Open on one numbered file
# opens its sequence with a time bar over all its frames.
#
# usage: real_window.sh STUDIO PLUGIN_DIR      exit 77: Xvfb or xdotool is not installed
set -euo pipefail
studio=$1
export DUOVIS_PLUGIN_DIR=$2
for tool in Xvfb xdotool ffmpeg; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xpid= spid=
cleanup() {
    local status=$?
    # The processes end by this signal: their exit status is not the test's.
    if [ -n "$spid" ]; then kill "$spid" 2>/dev/null; wait "$spid" 2>/dev/null || true; fi
    if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null || true; fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- studio events:" >&2; cat "$work/events" >&2; exit 1; }

# A display nobody holds.
display=
for n in $(seq 70 200); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
export DISPLAY=":$display"
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null || { echo "Xvfb did not start" >&2; exit 1; }

# A still pair to start with, and a numbered sequence of five frames from 0001.
mkdir -p "$work/seq"
ffmpeg -v error -f lavfi -i testsrc=size=320x180:rate=5 -frames:v 1 "$work/left.png"
ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=5 -frames:v 1 "$work/right.png"
ffmpeg -v error -f lavfi -i testsrc=size=320x180:rate=5 -frames:v 5 -start_number 1 "$work/seq/left_%04d.png"

unset QT_QPA_PLATFORM
DUOVIS_STUDIO_EVENTS=1 "$studio" "$work/left.png" --second "$work/right.png" >"$work/events" 2>"$work/stderr" &
spid=$!

# Polls the event lines until `grep -E PATTERN` finds one (10 s).
await() {
    for _ in $(seq 200); do grep -qE "$1" "$work/events" && return 0; sleep 0.05; done
    fail "waited in vain for: $1"
}
# The newest geometry of a widget: X Y W H.
geometry() { grep -E "^widget $1 " "$work/events" | tail -1 | cut -d' ' -f3-6; }
centre() { local g; read -r -a g <<<"$(geometry "$1")"; echo $((g[0] + g[2] / 2)) $((g[1] + g[3] / 2)); }
# The last value logged for a parameter position.
value() { grep -E "^value $1 " "$work/events" | tail -1 | cut -d' ' -f4; }
lines() { wc -l <"$work/events"; }

window=$(timeout 20 xdotool search --sync --onlyvisible --name 'duovis-studio' | head -1) || fail "no window"
xdotool windowfocus --sync "$window" || true
await '^widget param-[0-9]+-slider '

# 1. The wheel over a slider of the long panel scrolls the panel and changes no value.
slider=$(grep -E '^widget param-[0-9]+-slider ' "$work/events" | head -1 | cut -d' ' -f2)
read -r x y <<<"$(centre "$slider")"
before=$(grep -c '^value ' "$work/events" || true)
xdotool mousemove "$x" "$y" click --repeat 6 --delay 40 5 click --repeat 3 --delay 40 4
sleep 1
after=$(grep -c '^value ' "$work/events" || true)
[ "$before" = "$after" ] || fail "the wheel over the panel changed a value"

# 2. Ctrl+Z in a focused number field undoes what was typed there.
P=93  # VSHIFT_PX_R
read -r x y <<<"$(centre panel-filter)"
xdotool mousemove "$x" "$y" click 1
xdotool type --delay 20 VSHIFT_PX_R
sleep 0.5
await "^widget param-$P-value "
read -r x y <<<"$(centre "param-$P-value")"
xdotool mousemove "$x" "$y" click 1 key ctrl+a
xdotool type --delay 20 -- -3
xdotool key Return
await "^value $P VSHIFT_PX_R -3$"
xdotool key ctrl+z
await "^undo 0 "
[ "$(value $P)" = 0 ] || fail "Ctrl+Z in the field left VSHIFT_PX_R at $(value $P)"

# 3. A Shift drag moves a twentieth of a plain drag over the same distance (a plain drag
# moves the handle over the groove less the handle's length, so a little more than 20 times).
drag() {  # modifier (or "") then pixels; prints the value reached
    local g x y
    read -r -a g <<<"$(geometry "param-$P-slider")"
    x=$((g[0] + g[2] / 2)) y=$((g[1] + g[3] / 2))
    xdotool mousemove "$x" "$y"
    [ -n "$1" ] && xdotool keydown "$1"
    xdotool mousedown 1
    xdotool mousemove "$((x + $2 / 2))" "$y" sleep 0.1 mousemove "$((x + $2))" "$y" sleep 0.2
    xdotool mouseup 1
    [ -n "$1" ] && xdotool keyup "$1"
    sleep 0.5
}
drag "" 10
plain=$(value $P)
xdotool key ctrl+z
await "^undo 0 "
drag shift 10
fine=$(value $P)
xdotool key ctrl+z
await "^undo 0 "
awk -v p="$plain" -v f="$fine" 'BEGIN { if (p == 0 || f == 0) exit 1; r = p / f; exit !(r > 16 && r < 30) }' ||
    fail "plain drag $plain, Shift drag $fine: not a twentieth"

# 4. The edge between panel and viewer drags, and the panel gives way when the window shrinks.
relog() {  # the filter's text changed and back: the widgets' places are logged again
    local n
    n=$(grep -c '^widget viewer-0 ' "$work/events")
    read -r x y <<<"$(centre panel-filter)"
    xdotool mousemove "$x" "$y" click 1 key End type x
    xdotool key BackSpace
    for _ in $(seq 100); do [ "$(grep -c '^widget viewer-0 ' "$work/events")" -gt "$n" ] && return; sleep 0.05; done
    fail "no new widget lines"
}
read -r -a v <<<"$(geometry viewer-0)"
edge=$((v[0] - 5)) y=$((v[1] + v[3] / 2))
xdotool mousemove "$edge" "$y" mousedown 1 sleep 0.1 mousemove "$((edge + 60))" "$y" sleep 0.1 \
    mousemove "$((edge + 120))" "$y" sleep 0.2 mouseup 1
sleep 0.3
relog
read -r -a dragged <<<"$(geometry viewer-0)"
[ "${dragged[0]}" -ge "$((v[0] + 80))" ] || fail "the viewer's edge stayed at ${dragged[0]} (was ${v[0]})"
read -r -a f <<<"$(geometry panel-filter)"
xdotool windowsize "$window" 700 700
sleep 0.5
relog
read -r -a small <<<"$(geometry panel-filter)"
read -r -a sv <<<"$(geometry viewer-0)"
[ "${small[2]}" -lt "${f[2]}" ] || fail "the panel kept its width (${f[2]}) in a 700-wide window"
[ "${sv[2]}" -ge 160 ] || fail "the viewer shrank to ${sv[2]}"

# 5. File > Open on one file of a numbered sequence opens all five frames.
xdotool key ctrl+o
sleep 1
xdotool type --delay 10 "$work/seq/left_0003.png"
xdotool key Return
await '^time 1 5$'
await '^widget time '
echo "real-window checks passed (plain drag $plain, Shift drag $fine)"
