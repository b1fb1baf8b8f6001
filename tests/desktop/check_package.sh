#!/usr/bin/env bash
# Builds the Debian package as `make package` does, into a scratch folder, and checks it:
# the runtime libraries it links are its Depends, it holds the installed files under /usr,
# and it carries no scripts of its own (the desktop, MIME and icon caches are refreshed by
# the triggers of the packages that own those folders).
#
#   check_package.sh BUILD_DIR SCRATCH_DIR APP_ID
#
# Exit 0 when every check passes, 1 on a failed check, 77 without the Debian tools.
set -u

BUILD=${1:?build folder}
WORK=${2:?scratch folder}
APP_ID=${3:?application id}

. "$(dirname "$0")/check_lib.sh"
need_tools cpack dpkg-deb dpkg-shlibdeps

rm -rf "$WORK"
mkdir -p "$WORK"
if ! cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK" >"$WORK/cpack.log" 2>&1; then
    cat "$WORK/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
deb=$(find "$WORK" -maxdepth 1 -name 'tarno_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: cpack made no tarno_*.deb"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libpng16-16 libstdc++6 libc6; do
    case ", $depends," in
    *", $lib "* | *", $lib,"*) ;;
    *) fail "Depends does not name $lib" ;;
    esac
done
[ "$(dpkg-deb -f "$deb" Package)" = tarno ] || fail "package is not named tarno"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | LC_ALL=C sort | tr '\n' ' ')
for f in ./usr/bin/tarno ./usr/libexec/tarno/tarno-window ./usr/share/applications/$APP_ID.desktop \
    ./usr/share/mime/packages/$APP_ID.xml ./usr/share/icons/hicolor/48x48/apps/$APP_ID.png \
    ./usr/share/icons/hicolor/scalable/apps/$APP_ID.svg ./usr/share/thumbnailers/tarno.thumbnailer \
    ./usr/share/metainfo/$APP_ID.metainfo.xml ./usr/share/man/man1/tarno.1; do
    grep -qF " $f " <<<" $files" || fail "package lacks $f"
done
grep -qE '(^| )\./usr/(lib|include|share/doc)/' <<<"$files" && fail "package holds more than the program needs: $files"
grep -q "tests\|bench\|fuzz" <<<"$files" && fail "package holds test files: $files"

mkdir -p "$WORK/control"
dpkg-deb -e "$deb" "$WORK/control"
for script in preinst postinst prerm postrm triggers; do
    [ -e "$WORK/control/$script" ] && fail "package carries its own $script"
done
# Stripped: the debug information stays out of the package.
dpkg-deb -x "$deb" "$WORK/root"
if readelf -S "$WORK/root/usr/bin/tarno" | grep -q '\.debug_info'; then
    fail "packaged tarno is not stripped"
fi

finish "package passes every check"
