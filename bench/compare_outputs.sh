#!/bin/bash
# Compares what two builds of tarno make of the same files, for a change that must not
# change any output: the big scene at 1280x720 and 3840x2160 (default, --no-aa,
# --wireframe), the examples and the corpus with --fit (aa and not), and every file's
# --check and --export. Pictures are compared as decoded pixels (ImageMagick's
# `compare -metric AE`), since the PNG encoder's settings may differ; the rest byte for byte.
#
#     bench/compare_outputs.sh OLD/tarno build/app/tarno [BIG.api]
set -u
OLD=$1
NEW=$2
BIG=${3:-/tmp/big.api}
CORPUS=$(dirname "$0")/../../shared/corpus/real
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
mkdir -p "$OUT/a" "$OUT/b"
n=0
bad=0

both() {  # both NAME ARGS...: runs ARGS with each binary, output named NAME in a/ and b/
    local name=$1
    shift
    "$OLD" "${@//@OUT@/$OUT/a/$name}" >"$OUT/a/$name.txt" 2>&1
    "$NEW" "${@//@OUT@/$OUT/b/$name}" >"$OUT/b/$name.txt" 2>&1
}
same_pixels() {
    n=$((n + 1))
    local d
    d=$(compare -metric AE "$OUT/a/$1" "$OUT/b/$1" null: 2>&1)
    if [ "$d" != "0" ]; then echo "differs: $1 ($d pixels)"; bad=$((bad + 1)); fi
}
same_bytes() {
    n=$((n + 1))
    if ! cmp -s "$OUT/a/$1" "$OUT/b/$1"; then echo "differs: $1"; bad=$((bad + 1)); fi
}

for size in 1280x720 3840x2160; do
    for mode in "" --no-aa --wireframe; do
        name=big-$size$mode.png
        both "$name" --render "$BIG" --output @OUT@ --size "$size" $mode
        same_pixels "$name"
    done
done
for f in "$(dirname "$0")"/../examples/*.api "$CORPUS"/*.api "$BIG"; do
    b=$(basename "$f" .api)
    both "$b.check" --check "$f"
    same_bytes "$b.check.txt"
    [ "$f" = "$BIG" ] && continue
    both "$b.png" --render "$f" --fit --output @OUT@ --size 640x480
    both "$b-noaa.png" --render "$f" --fit --no-aa --output @OUT@ --size 640x480
    same_pixels "$b.png"
    same_pixels "$b-noaa.png"
    both "$b.obj" --export "$f" @OUT@
    same_bytes "$b.obj.txt"
    if [ -e "$OUT/a/$b.obj" ]; then
        # The OBJ names its MTL file, which differs by folder only.
        sed -i '/^mtllib /d' "$OUT/a/$b.obj" "$OUT/b/$b.obj"
        same_bytes "$b.obj"
    fi
done
echo "compared $n outputs, $bad differ"
[ "$bad" -eq 0 ]
