#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs of it: the
# program beside its program folder, the launcher on the path, a valid desktop entry, the
# document type and the icons.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null

for file in lib/sorvendal/sorvendal lib/sorvendal/Sorvendal.html lib/sorvendal/help/main-window.png \
    lib/sorvendal/MQO/Shop.mqo lib/sorvendal/MQA/SharpHair.mqa lib/sorvendal/WAV/chime.wav \
    share/applications/morlu-sorvendal.desktop share/mime/packages/morlu-sorvendal.xml \
    share/icons/hicolor/32x32/apps/morlu-sorvendal.png share/icons/hicolor/64x64/apps/morlu-sorvendal.png; do
    [ -e "$prefix/$file" ] || { echo "missing: $file"; exit 1; }
done
# The launcher leads to the program, whose folder holds the samples.
[ "$(readlink -f "$prefix/bin/sorvendal")" = "$(readlink -f "$prefix/lib/sorvendal/sorvendal")" ] ||
    { echo "bin/sorvendal does not lead to the program"; exit 1; }

desktop="$prefix/share/applications/morlu-sorvendal.desktop"
if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop"
fi
grep -q '^Exec=sorvendal %f$' "$desktop"
grep -q '^MimeType=application/x-morlusorvendal-document;$' "$desktop"
grep -q '^Name\[ja\]=' "$desktop"
# The desktop ties the window to its launcher by the window's class, which Qt takes from the
# program's file name.
[ "$(sed -n 's/^StartupWMClass=//p' "$desktop")" = "$(basename "$(readlink -f "$prefix/bin/sorvendal")")" ] ||
    { echo "StartupWMClass is not the window's class"; exit 1; }

mime="$prefix/share/mime/packages/morlu-sorvendal.xml"
if command -v xmllint > /dev/null; then
    xmllint --noout "$mime"
fi
grep -q '<glob pattern="\*.qka"/>' "$mime"
grep -q '<comment>MorluSorvendal.Document</comment>' "$mime"
# The document type resolves for a .qka file once the MIME database knows it.
if command -v update-mime-database > /dev/null; then
    update-mime-database "$prefix/share/mime" > /dev/null 2>&1
    grep -q 'application/x-morlusorvendal-document:\*.qka' "$prefix/share/mime/globs"
fi
echo "installed files are complete and valid"
