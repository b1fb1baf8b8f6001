#!/usr/bin/env bash
# The layer check itself: it passes a tree whose includes point down and names each kind of
# wrong include in a tree that has one. Usage: check_layers_test.sh CHECK_SCRIPT SCRATCH_DIR
set -uo pipefail
check=$1
scratch=$2
failures=0

fail() {
    echo "FAIL: $1" >&2
    failures=$((failures + 1))
}

# A small tree with one file per folder, each including only what lies below it.
make_tree() {
    rm -rf "$scratch"
    mkdir -p "$scratch"/{platform/core,platform/io,platform/image,platform/raster,platform/rm}
    mkdir -p "$scratch"/{doc,res,view,app/headless}
    cd "$scratch" || exit 1
    echo '#include <cstdint>' >platform/core/types.h
    echo '#include "platform/core/types.h"' >platform/image/picture.h
    printf '#include "platform/image/picture.h"\n#include "platform/core/types.h"\n' \
        >platform/raster/renderer.h
    echo '#include "platform/raster/renderer.h"' >platform/rm/device.h
    echo '#include "platform/io/text_file.h"' >platform/io/text_file.cpp
    echo '#include "platform/rm/device.h"' >doc/document.h
    echo '#include <string_view>' >res/ids.h
    printf '#include <QWidget>\n#include "doc/document.h"\n#include "res/ids.h"\n' >view/view.h
    echo '#include "doc/document.h"' >view/render_surface.h
    echo '#include "view/render_surface.h"' >app/headless/render.cpp
    printf '#include <QApplication>\n#include "app/headless/render.h"\n#include "view/view.h"\n' \
        >app/app.cpp
    echo '#include "moc_view.cpp"' >view/view.cpp
    cd - >/dev/null || exit 1
}

# Runs the check; expects exit status `want` and, if given, `message` in its output.
expect() {
    local name=$1 want=$2 message=${3:-}
    local output status
    output=$("$check" "$scratch" 2>&1)
    status=$?
    [[ $status == "$want" ]] || fail "$name: exit $status, wanted $want; output: $output"
    if [[ -n $message && $output != *"$message"* ]]; then
        fail "$name: output lacks '$message': $output"
    fi
}

make_tree
expect "includes that point down" 0

make_tree
echo '#include "platform/rm/device.h"' >>"$scratch/platform/raster/renderer.h"
expect "the rasterizer including the scene graph" 1 \
    "platform/raster/renderer.h:3: platform/raster includes platform/rm, which sits above it"

make_tree
echo '#include "app/app.h"' >>"$scratch/view/view.h"
expect "the view including the application" 1 "view includes app, which sits above it"

make_tree
echo '#include "platform/io/text_file.h"' >>"$scratch/platform/image/picture.h"
expect "two folders of one level" 1 "platform/image includes platform/io, which sits beside it"

make_tree
echo '#include "app/app.h"' >>"$scratch/app/headless/render.cpp"
expect "the headless commands including the window's application" 1 \
    "app/headless includes app, which sits above it"

make_tree
echo '#include <QString>' >>"$scratch/doc/document.h"
expect "Qt in the document" 1 "doc/document.h:2: Qt included below the window's code"

make_tree
echo '#include <QtCore/QString>' >>"$scratch/view/render_surface.h"
expect "Qt in the surface the headless build shares" 1 "Qt included below the window's code"

make_tree
echo '#include "document.h"' >>"$scratch/doc/document.h"
expect "an include that names no folder" 1 "names no layer folder"

# Every wrong include is reported, not only the first.
make_tree
echo '#include "view/view.h"' >>"$scratch/doc/document.h"
echo '#include "doc/document.h"' >>"$scratch/platform/core/types.h"
output=$("$check" "$scratch" 2>&1)
count=$(grep -c 'sits above it' <<<"$output")
[[ $count == 2 ]] || fail "two wrong includes gave $count reports: $output"

rm -rf "$scratch"
if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "layer check: all cases pass"
