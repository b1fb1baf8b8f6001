#!/usr/bin/env bash
# Configures and builds the program without the window (-DTARNO_GUI=OFF) in its own tree,
# with Qt hidden from CMake as on a machine that has none, then checks that the program
# links no Qt, runs the headless commands, refuses the window in one line, and installs only
# what works without a window.
#
#   check_headless_build.sh SOURCE_DIR TREE GENERATOR BUILD_TYPE CXX [LAUNCHER]
#
# Exit 0 when every check passes, 1 otherwise.
set -u

SOURCE=${1:?source folder}
TREE=${2:?build tree}
GENERATOR=${3:?generator}
BUILD_TYPE=${4:?build type}
CXX=${5:?C++ compiler}
LAUNCHER=${6:-}

. "$(dirname "$0")/check_lib.sh"

configure=(cmake -S "$SOURCE" -B "$TREE/build" -G "$GENERATOR" -DCMAKE_BUILD_TYPE="$BUILD_TYPE"
    -DCMAKE_CXX_COMPILER="$CXX" -DTARNO_GUI=OFF -DTARNO_TESTS=OFF -DTARNO_BENCH=OFF
    -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON)
[ -n "$LAUNCHER" ] && configure+=(-DCMAKE_CXX_COMPILER_LAUNCHER="$LAUNCHER")
if ! "${configure[@]}" >"$TREE.configure.log" 2>&1; then
    cat "$TREE.configure.log"
    echo "FAIL: configuring without Qt"
    exit 1
fi
if ! cmake --build "$TREE/build" --target tarno -j 2 >"$TREE.build.log" 2>&1; then
    tail -n 40 "$TREE.build.log"
    echo "FAIL: building tarno without Qt"
    exit 1
fi
tarno="$TREE/build/app/tarno"

# No Qt library, directly or through another library.
if ldd "$tarno" | grep -i 'libqt'; then
    fail "the headless build links Qt"
fi
if readelf -d "$tarno" | grep -i 'NEEDED.*qt'; then
    fail "the headless build names Qt among its needed libraries"
fi

# The headless commands work.
"$tarno" --version | grep -qx 'tarno [0-9.]*' || fail "--version"
"$tarno" --help | grep -q -- '--render' || fail "--help"
model="$SOURCE/examples/house.api"
rm -f "$TREE/house.png"
"$tarno" --render "$model" --output "$TREE/house.png" --size 64x48 ||
    fail "--render ended with $?"
[ -s "$TREE/house.png" ] || fail "--render wrote no picture"
"$tarno" --check "$model" >/dev/null
[ $? -le 1 ] || fail "--check could not read the example"

# The window: one line that says there is none, and a failure status.
refuses_window() {
    local err status
    err=$(env DISPLAY=:0 "$tarno" "$@" 2>&1 >/dev/null)
    status=$?
    [ "$status" -ne 0 ] || fail "asked for the window ($*), the headless build reports success"
    [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "asked for the window, it says more: $err"
    grep -q "no window" <<<"$err" || fail "asked for the window, it does not say there is none: $err"
}
refuses_window
refuses_window "$model"

# Installed: only what works without a window.
rm -rf "$TREE/prefix"
cmake --install "$TREE/build" --prefix "$TREE/prefix" >/dev/null || fail "cmake --install"
actual=$(cd "$TREE/prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
case "$actual" in
"bin/tarno share/man/man1/tarno.1 share/mime/packages/"*".xml share/thumbnailers/tarno.thumbnailer ") ;;
*) fail "the headless build installs: $actual" ;;
esac

finish "the build without Qt passes every check"
