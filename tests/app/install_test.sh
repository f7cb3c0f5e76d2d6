#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop makes of it: the programs, the
# desktop entry, the file type, the icons, the software centre's description, the manual pages.
set -u
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
share="$prefix/share"
for file in bin/zolt bin/zolt-render share/applications/org.example.Zolt.desktop \
    share/metainfo/org.example.Zolt.metainfo.xml share/mime/packages/zolt.xml \
    share/icons/hicolor/scalable/apps/zolt.svg share/icons/hicolor/48x48/apps/zolt.png \
    share/icons/hicolor/256x256/apps/zolt.png share/man/man1/zolt.1 share/man/man1/zolt-render.1
do
    [ -s "$prefix/$file" ] || fail "$file not installed"
done
for size in 48 256; do
    head -c 24 "$share/icons/hicolor/${size}x${size}/apps/zolt.png" | od -An -tx1 |
        tr -d ' \n' | grep -q "^89504e470d0a1a0a0000000d49484452$(printf '%08x%08x' "$size" "$size")" ||
        fail "the ${size} pixel icon is not a ${size} by ${size} PNG"
done

desktop-file-validate "$share/applications/org.example.Zolt.desktop" || fail "desktop entry"
grep -q '^MimeType=application/x-zolt;$' "$share/applications/org.example.Zolt.desktop" ||
    fail "the desktop entry does not open fractal files"
appstreamcli validate --no-net "$share/metainfo/org.example.Zolt.metainfo.xml" >/dev/null ||
    fail "metainfo: $(appstreamcli validate --no-net "$share/metainfo/org.example.Zolt.metainfo.xml")"

# The file type: by its name, and by the version line a fractal file starts with.
update-mime-database "$share/mime" || fail "update-mime-database"
grep -q 'Zolt fractal' "$share/mime/application/x-zolt.xml" 2>/dev/null || fail "no x-zolt type"
grep -q '^application/x-zolt:\*\.zlt$' "$share/mime/globs" || fail "*.zlt is not x-zolt"
grep -q 'Version:' "$share/mime/magic" 2>/dev/null || fail "the version line is not x-zolt's"

for page in zolt zolt-render; do
    warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done

echo "$failures failed"
[ "$failures" -eq 0 ]
