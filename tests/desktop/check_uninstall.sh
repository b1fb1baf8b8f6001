#!/usr/bin/env bash
# Runs `make uninstall`'s script on an installation and checks that it removed every file
# of it and nothing else.
#
#   check_uninstall.sh SOURCE_DIR BUILD_DIR PREFIX
set -u

SOURCE=${1:?source folder}
BUILD=${2:?build folder}
PREFIX=${3:?installation prefix}

# A file of someone else's in a shared folder must survive.
mkdir -p "$PREFIX/share/applications"
echo "[Desktop Entry]" >"$PREFIX/share/applications/other.desktop"

if ! "$SOURCE/scripts/uninstall" "$BUILD" "$PREFIX" >/dev/null; then
    echo "FAIL: scripts/uninstall"
    exit 1
fi
left=$(cd "$PREFIX" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
if [ "$left" != "share/applications/other.desktop" ]; then
    echo "FAIL: after uninstall these files are left (wanted only the foreign one):"
    echo "$left"
    exit 1
fi
rm -rf "$PREFIX"
echo "uninstall removed every installed file and nothing else"
