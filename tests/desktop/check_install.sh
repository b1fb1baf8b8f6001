#!/usr/bin/env bash
# Checks an installation of the viewer (made as `make install` makes it) file by file, with
# the tools the desktop's own packages use to check them.
#
#   check_install.sh PREFIX APP_ID
#
# Exit 0 when every check passes, 1 on a failed check, 77 when a checking tool is missing.
set -u

PREFIX=${1:?installation prefix}
APP_ID=${2:?application id}

. "$(dirname "$0")/check_lib.sh"
need_tools desktop-file-validate appstreamcli xmllint update-mime-database groff man \
    identify convert

if [ ! -d "$PREFIX" ]; then
    echo "FAIL: nothing installed at $PREFIX"
    exit 1
fi

# Exactly what a user needs, and nothing else.
sizes=(16 24 32 48 64 128 256)
expected=(
    bin/tarno
    libexec/tarno/tarno-window
    share/applications/$APP_ID.desktop
    share/icons/hicolor/scalable/apps/$APP_ID.svg
    share/man/man1/tarno.1
    share/metainfo/$APP_ID.metainfo.xml
    share/mime/packages/$APP_ID.xml
    share/thumbnailers/tarno.thumbnailer
)
for side in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${side}x${side}/apps/$APP_ID.png")
done
actual=$(cd "$PREFIX" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
wanted=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
if [ "$actual" != "$wanted" ]; then
    fail "installed files differ from the expected set:"
    diff <(echo "$wanted") <(echo "$actual") | sed -n 's/^[<>]/  &/p'
fi
[ -x "$PREFIX/bin/tarno" ] || fail "bin/tarno is not executable"
[ -x "$PREFIX/libexec/tarno/tarno-window" ] || fail "libexec/tarno/tarno-window is not executable"

tarno="$PREFIX/bin/tarno"
desktop="$PREFIX/share/applications/$APP_ID.desktop"
metainfo="$PREFIX/share/metainfo/$APP_ID.metainfo.xml"
mime="$PREFIX/share/mime/packages/$APP_ID.xml"
thumbnailer="$PREFIX/share/thumbnailers/tarno.thumbnailer"
manpage="$PREFIX/share/man/man1/tarno.1"

# Value of KEY in a desktop-entry style file.
entry() { sed -n "s/^$2=//p" "$1" | head -n 1; }

# --- MIME type -------------------------------------------------------------------------
ns=http://www.freedesktop.org/standards/shared-mime-info
xmllint --noout --nonet "$mime" || fail "MIME package is not well-formed XML"
type=$(xmllint --xpath "string(/*[local-name()='mime-info' and namespace-uri()='$ns']/*[local-name()='mime-type']/@type)" "$mime" 2>/dev/null)
[ -n "$type" ] || fail "MIME package declares no type in the shared-mime-info namespace"
# The database built from the package alone must map *.api to the type, under text/plain.
mimedb="$PREFIX.mime-check"
rm -rf "$mimedb"
mkdir -p "$mimedb/packages"
cp "$mime" "$mimedb/packages/"
if update-mime-database "$mimedb" 2>"$mimedb.err"; then
    grep -q ":$type:\*\.api$" "$mimedb/globs2" || fail "*.api does not map to $type"
    grep -qx "$type text/plain" "$mimedb/subclasses" || fail "$type is not a sub-class of text/plain"
    grep -qi "warn\|error\|unknown" "$mimedb.err" && fail "update-mime-database: $(cat "$mimedb.err")"
else
    fail "update-mime-database rejects the package: $(cat "$mimedb.err")"
fi
rm -rf "$mimedb" "$mimedb.err"

# --- desktop entry -----------------------------------------------------------------------
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
[ -z "$out" ] || fail "desktop-file-validate: $out"
case " $(entry "$desktop" Exec) " in
*" %f "* | *" %F "* | *" %u "* | *" %U "*) ;;
*) fail "desktop entry's Exec does not take the files it is given" ;;
esac
[ "$(entry "$desktop" Exec | cut -d' ' -f1)" = tarno ] || fail "desktop entry does not run tarno"
case ";$(entry "$desktop" MimeType)" in
*";$type;"*) ;;
*) fail "desktop entry does not declare $type" ;;
esac
[ "$(entry "$desktop" Icon)" = "$APP_ID" ] || fail "desktop entry's icon is not $APP_ID"

# --- thumbnailer -------------------------------------------------------------------------
[ "$(head -n 1 "$thumbnailer")" = "[Thumbnailer Entry]" ] || fail "thumbnailer has no [Thumbnailer Entry] group"
case ";$(entry "$thumbnailer" MimeType)" in
*";$type;"*) ;;
*) fail "thumbnailer does not declare $type" ;;
esac

# --- metainfo ----------------------------------------------------------------------------
out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli validate failed: $out"
if echo "$out" | grep -qE '^[EWIP]: '; then
    fail "appstreamcli reports issues:"
    echo "$out" | grep -E '^[EWIP]: ' | sed 's/^/  /'
fi
[ "$(xmllint --xpath 'string(/component/launchable)' "$metainfo")" = "$APP_ID.desktop" ] ||
    fail "metainfo's launchable is not the installed desktop entry"
[ "$(xmllint --xpath 'string(/component/provides/mediatype)' "$metainfo")" = "$type" ] ||
    fail "metainfo does not provide $type"
release=$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$metainfo")
[ "tarno $release" = "$("$tarno" --version)" ] || fail "metainfo's release $release is not the program's version"

# --- the program and its window ----------------------------------------------------------
# The headless commands run without Qt's libraries; asked for no command, the program
# becomes the installed window program.
if command -v ldd >/dev/null 2>&1; then
    ldd "$tarno" | grep -q 'libQt6' && fail "bin/tarno loads Qt's libraries"
    ldd "$PREFIX/libexec/tarno/tarno-window" | grep -q 'libQt6Widgets' ||
        fail "libexec/tarno/tarno-window does not link the widgets library"
fi
scratch=$(mktemp -d)
QT_QPA_PLATFORM=offscreen HOME="$scratch" XDG_CONFIG_HOME="$scratch" "$tarno" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 50); do
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null)
    case "$exe" in */libexec/tarno/tarno-window) break ;; esac
    sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ "$exe" = "$(cd "$PREFIX/libexec/tarno" && pwd -P)/tarno-window" ] ||
    fail "tarno with no command did not become the installed window program (ran ${exe:-nothing})"
# Without its window program, it says so and fails, and the headless commands still work.
cp "$tarno" "$scratch/tarno"
out=$("$scratch/tarno" 2>&1)
[ $? -eq 1 ] || fail "tarno without its window program did not exit 1"
grep -qF "cannot start the window" <<<"$out" || fail "tarno without its window program says: $out"
[ "tarno $release" = "$("$scratch/tarno" --version)" ] || fail "tarno alone has no --version"
rm -rf "$scratch"

# --- manual page -------------------------------------------------------------------------
out=$(groff -ww -man -z "$manpage" 2>&1) || fail "groff failed on the manual page"
[ -z "$out" ] || fail "groff warnings: $out"
out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manpage" 2>&1 >/dev/null)
[ -z "$out" ] || fail "man warnings: $out"
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$manpage" 2>/dev/null)
# Every option the program knows is documented, and the sections a user looks for exist.
for option in $("$tarno" --help | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
    grep -qF -- "$option" <<<"$text" || fail "manual page does not document $option"
done
for section in SYNOPSIS OPTIONS "EXIT STATUS" FILES; do
    grep -qx "$section" <<<"$text" || fail "manual page has no $section section"
done
grep -qF "Tarno.ini" <<<"$text" || fail "manual page does not name the settings file"
grep -qF "Tarno $release" "$manpage" || fail "manual page is not of version $release"

# --- icons -------------------------------------------------------------------------------
for side in "${sizes[@]}"; do
    png="$PREFIX/share/icons/hicolor/${side}x${side}/apps/$APP_ID.png"
    [ -f "$png" ] || continue
    size=$(identify -format '%wx%h' "$png" 2>/dev/null)
    [ "$size" = "${side}x${side}" ] || fail "$side px icon is $size"
    # A picture, not an empty square: a fair part of it is opaque, and not all of it.
    cover=$(convert "$png" -alpha extract -format '%[fx:mean]' info: 2>/dev/null)
    awk -v c="$cover" 'BEGIN { exit !(c > 0.3 && c < 0.95) }' ||
        fail "$side px icon covers $cover of its square"
done
svg="$PREFIX/share/icons/hicolor/scalable/apps/$APP_ID.svg"
xmllint --noout --nonet "$svg" || fail "SVG icon is not well-formed XML"
[ "$(xmllint --xpath 'local-name(/*)' "$svg" 2>/dev/null)" = svg ] || fail "SVG icon's root is not svg"
[ "$(xmllint --xpath 'string(/*/@viewBox)' "$svg" 2>/dev/null)" = "0 0 32 32" ] ||
    fail "SVG icon's view box is not the drawing's 32 x 32"

finish "installed files pass every check"
