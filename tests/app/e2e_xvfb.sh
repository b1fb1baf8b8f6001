#!/bin/sh
# End-to-end check of the window on a virtual X display: start the viewer on an example,
# pan with the arrow key, zoom with the keypad, turn the model with a drag, frame it with
# Home, pick a face with a double-click, and compare screenshots taken before and after
# each step; then follow saves of a copy of the file.
#
#   e2e_xvfb.sh TARNO_BINARY FILE.api OUTPUT_DIR
#
# Exit 0 on success, 1 on a failed check, 77 when the X tools are missing (skipped).
set -u

TARNO=${1:?tarno binary}
MODEL=${2:?.api file}
OUT=${3:?output folder}

for tool in xvfb-run xdotool import compare convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
if [ ! -x "$TARNO" ]; then
    echo "skipped: $TARNO has not been built"
    exit 77
fi

# Outside the virtual display: start one and run the checks inside it.
if [ -z "${TARNO_E2E_INSIDE:-}" ]; then
    mkdir -p "$OUT"
    TARNO_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

unset QT_QPA_PLATFORM QT_SCALE_FACTOR
export ASAN_OPTIONS=detect_leaks=0
# Settings go to a scratch home, not the user's.
export HOME="$OUT/home" XDG_CONFIG_HOME="$OUT/home/.config"
mkdir -p "$XDG_CONFIG_HOME"

"$TARNO" "$MODEL" >"$OUT/tarno.log" 2>&1 &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
trap cleanup EXIT

wid=$(timeout 30 xdotool search --sync --onlyvisible --name "TARNO" | head -n 1)
if [ -z "$wid" ]; then
    echo "FAIL: no window appeared"
    cat "$OUT/tarno.log"
    exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$wid")"
echo "window $wid \"$(xdotool getwindowname "$wid")\" at ${X},${Y} size ${WIDTH}x${HEIGHT}"

# The model band: the middle half of the window, well inside the view whatever the bars'
# heights. The menu bar: the window's top 16 rows.
band="$((WIDTH))x$((HEIGHT / 2))+${X}+$((Y + HEIGHT / 4))"
half_w=$((WIDTH / 2))
left_half="${half_w}x$((HEIGHT / 2))+${X}+$((Y + HEIGHT / 4))"
right_half="${half_w}x$((HEIGHT / 2))+$((X + half_w))+$((Y + HEIGHT / 4))"
menu="${WIDTH}x16+${X}+${Y}"

settle() { sleep "${1:-1}"; }
shot() { import -window root "$OUT/$1.png"; }
# Pixels that differ between two shots inside a region.
differing() {
    convert "$OUT/$1.png" -crop "$3" +repage "$OUT/a.png"
    convert "$OUT/$2.png" -crop "$3" +repage "$OUT/b.png"
    compare -metric AE "$OUT/a.png" "$OUT/b.png" null: 2>&1 | cut -d' ' -f1
}
# Share (0..1, times 10000) of a region's pixels that are not the black background.
coverage() {
    convert "$OUT/$1.png" -crop "$2" +repage -fill white +opaque black -colorspace gray \
        -format "%[fx:int(mean*10000)]" info:
}

# Pointer over the view, no click: the view must have the keyboard from the start.
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))
xdotool mousemove "$cx" "$cy"
settle 2
shot start
if [ "$(coverage start "$band")" -lt 100 ]; then fail "no model on screen at start"; fi

# Left arrow: the camera moves right, the model moves left on screen.
xdotool key Left
settle
shot left
changed=$(differing start left "$band")
[ "$changed" -gt 100 ] || fail "Left changed only $changed pixels of the view"
[ "$(differing start left "$menu")" -eq 0 ] || fail "Left changed the menu bar"
before_l=$(coverage start "$left_half"); after_l=$(coverage left "$left_half")
before_r=$(coverage start "$right_half"); after_r=$(coverage left "$right_half")
[ "$after_l" -gt "$before_l" ] && [ "$after_r" -lt "$before_r" ] ||
    fail "Left did not move the model left (left $before_l->$after_l, right $before_r->$after_r)"

# Keypad plus: the model grows.
xdotool key KP_Add
settle
shot zoom
[ "$(coverage zoom "$band")" -gt "$(coverage left "$band")" ] || fail "KP_Add did not zoom in"

# Main keyboard plus: nothing.
xdotool key plus
settle
shot plus
[ "$(differing zoom plus "$band")" -eq 0 ] || fail "the main keyboard's plus changed the view"

# A drag turns the model: the view changes, the bars do not.
xdotool mousemove "$cx" "$cy" mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove "$((cx + step * 6))" "$((cy + step * 2))"
    sleep 0.05
done
shot dragging
xdotool mouseup 1
settle
shot dragged
changed=$(differing plus dragged "$band")
[ "$changed" -gt 100 ] || fail "the drag changed only $changed pixels of the view"
[ "$(differing plus dragged "$menu")" -eq 0 ] || fail "the drag changed the menu bar"

# Nothing moves by itself.
settle
shot idle
[ "$(differing dragged idle "$band")" -eq 0 ] || fail "the picture changed with no input"

# --- Framing and picking ---------------------------------------------------------------
# Home frames the turned model: the picture changes, the model stays on screen, and a
# second Home changes nothing. A double-click on the model puts FILE:LINE on the clipboard.
xdotool key Home
settle
shot home
[ "$(differing idle home "$band")" -gt 100 ] || fail "Home did not move the camera"
[ "$(coverage home "$band")" -ge 100 ] || fail "no model on screen after Home"
xdotool key Home
settle
shot home2
[ "$(differing home home2 "$band")" -le 20 ] || fail "a second Home moved the camera again"
if command -v xclip >/dev/null 2>&1; then
    # The first model pixel along the middle row, from the left.
    hit=$(convert "$OUT/home.png" -crop "${WIDTH}x1+${X}+${cy}" +repage txt:- |
        awk -F'[,:]' 'NR > 1 && $0 !~ /#000000/ { print $1; exit }')
    if [ -n "$hit" ]; then
        xdotool mousemove "$((X + hit + 3))" "$cy" click --repeat 2 --delay 80 1
        settle
        picked=$(timeout 5 xclip -o -selection clipboard 2>/dev/null)
        case "$picked" in
            *"$(basename "$MODEL")":[0-9]*) echo "double-click picked $picked" ;;
            *) fail "a double-click on the model put \"$picked\" on the clipboard" ;;
        esac
    else
        fail "no model pixel on the middle row after Home"
    fi
else
    echo "skipped the double-click: no xclip"
fi
# --- end of framing and picking ---------------------------------------------------------

if ! kill -0 "$pid" 2>/dev/null; then fail "tarno ended during the run"; fi

# --- Following the file ------------------------------------------------------------------
# A viewer on a copy of the model in the output folder. Every way an editor saves shows on
# screen with no input; a file that goes away leaves the model; --no-watch shows no save.
# The second content is the tower beside the model, when there is one.
other="$(dirname "$MODEL")/tower.api"
watched="$OUT/watched.api"
if [ -f "$other" ]; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    cp "$MODEL" "$watched"
    # The window and its model band; `start_watched [switch]` sets pid and the regions.
    start_watched() {
        "$TARNO" "$@" "$watched" >"$OUT/watched.log" 2>&1 &
        pid=$!
        wwid=$(timeout 30 xdotool search --sync --onlyvisible --name "watched.api" | head -n 1)
        [ -n "$wwid" ] || { fail "no window on watched.api"; return 1; }
        eval "$(xdotool getwindowgeometry --shell "$wwid")"
        wband="$((WIDTH))x$((HEIGHT / 2))+${X}+$((Y + HEIGHT / 4))"
        xdotool mousemove "$((X + WIDTH + 20))" "$((Y + HEIGHT / 2))"
        settle 2
    }
    # Rendering the same file twice gives the same pixels; a few allow for nothing else.
    same() { [ "$(differing "$1" "$2" "$wband")" -le 20 ]; }

    if start_watched; then
        shot w_house
        cat "$other" >"$watched"  # in place
        settle
        shot w_tower
        [ "$(differing w_house w_tower "$wband")" -gt 100 ] || fail "a save in place did not show"
        cp "$MODEL" "$watched.new" && mv "$watched.new" "$watched"  # renamed over
        settle
        shot w_renamed
        same w_house w_renamed || fail "a save renamed over the file did not show"
        rm -f "$watched"; sleep 0.05; cp "$other" "$watched"  # deleted and made again
        settle
        shot w_recreated
        same w_tower w_recreated || fail "a save by delete and create did not show"
        rm -f "$watched"  # gone: the model stays
        settle
        shot w_gone
        same w_recreated w_gone || fail "the model did not stay when the file went away"
        cp "$MODEL" "$watched"  # back
        settle
        shot w_back
        same w_house w_back || fail "the file that came back was not loaded"
        kill -0 "$pid" 2>/dev/null || fail "tarno ended while following the file"
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    if start_watched --no-watch; then
        shot n_house
        cat "$other" >"$watched"
        settle
        shot n_saved
        same n_house n_saved || fail "--no-watch still followed the file"
    fi
else
    echo "skipped following the file: no $other"
fi
# --- end of following the file -----------------------------------------------------------

echo "screenshots in $OUT"
[ "$failures" -eq 0 ] || exit 1
echo "all checks passed"
exit 0
