#!/usr/bin/env bash
# Runs the installed thumbnailer entry as a file manager does: its Exec line split into
# words, %i, %o and %s replaced by the input path, the output path and the size (each one
# argument, however many spaces it holds), `tarno` found on PATH, no display. Then checks
# the picture: square at the asked size, the whole model in it, filling a fair share.
#
#   run_thumbnailer.sh PREFIX MODEL.api SCRATCH_DIR
#
# Exit 0 on success, 1 on a failed check, 77 when ImageMagick is missing.
set -u

PREFIX=${1:?install prefix}
MODEL=${2:?.api file}
WORK=${3:?scratch folder}
SIDE=128

. "$(dirname "$0")/check_lib.sh"
need_tools identify convert
entry="$PREFIX/share/thumbnailers/tarno.thumbnailer"
if [ ! -f "$entry" ]; then
    echo "FAIL: no thumbnailer installed at $entry"
    exit 1
fi

rm -rf "$WORK"
folder="$WORK/scenery objects/my folder"
mkdir -p "$folder"
input="$folder/my tower (copy).api"
output="$WORK/thumbnail cache/out 1.png"
mkdir -p "$(dirname "$output")"
cp "$MODEL" "$input"

exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -n 1)
read -r -a words <<<"$exec_line"
argv=()
for word in "${words[@]}"; do
    case "$word" in
    %i) argv+=("$input") ;;
    %u) argv+=("file://$input") ;;
    %o) argv+=("$output") ;;
    %s) argv+=("$SIDE") ;;
    *) argv+=("$word") ;;
    esac
done
echo "running: ${argv[*]}"

env -u DISPLAY -u WAYLAND_DISPLAY PATH="$PREFIX/bin:/usr/bin:/bin" "${argv[@]}"
status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: the thumbnailer ended with $status"
    exit 1
fi
if [ ! -s "$output" ]; then
    echo "FAIL: no picture at $output"
    exit 1
fi
cmp -s "$MODEL" "$input" || { echo "FAIL: the thumbnailer changed its input"; exit 1; }

size=$(identify -format '%wx%h' "$output")
if [ "$size" != "${SIDE}x${SIDE}" ]; then
    echo "FAIL: thumbnail is $size, not ${SIDE}x${SIDE}"
    exit 1
fi
# The model against the black background: how much of the picture it covers, and the box
# around it. Framed, it spans most of the picture one way and touches no edge.
mask=(convert "$output" -alpha off -fill white +opaque black)
cover=$("${mask[@]}" -format '%[fx:mean]' info:)
read -r bw bh bx by <<<"$("${mask[@]}" -trim -format '%w %h %X %Y' info: | tr -d +)"
echo "model covers $cover of the thumbnail, in a box of ${bw}x${bh} at $bx,$by"
if ! awk -v c="$cover" 'BEGIN { exit !(c >= 0.10 && c <= 0.95) }'; then
    echo "FAIL: the model covers $cover of the thumbnail (wanted a fair share, 0.10 to 0.95)"
    exit 1
fi
if ! awk -v w="$bw" -v h="$bh" -v s="$SIDE" 'BEGIN { exit !((w > h ? w : h) >= 0.6 * s) }'; then
    echo "FAIL: the model is not framed: its box is ${bw}x${bh} in ${SIDE}x${SIDE}"
    exit 1
fi
if [ "$bx" -le 0 ] || [ "$by" -le 0 ] || [ $((bx + bw)) -ge "$SIDE" ] || [ $((by + bh)) -ge "$SIDE" ]; then
    echo "FAIL: the model touches the thumbnail's edge (box ${bw}x${bh} at $bx,$by)"
    exit 1
fi
echo "thumbnail passes"
