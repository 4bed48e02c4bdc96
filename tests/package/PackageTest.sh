#!/usr/bin/env bash
# The Debian package: the right files in the right places, and programs that run from any folder
# and find their data beside them. Arguments: build directory, version, source data directory.
set -euo pipefail
build=$1 version=$2 data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack"
deb=$(ls "$work"/out/*.deb)
info=$(dpkg-deb -I "$deb")
grep -q '^ Package: loopcraft$' <<<"$info" || fail "package name"
grep -q "^ Version: $version\$" <<<"$info" || fail "package version"
grep -q '^ Depends: .*libqt6widgets6' <<<"$info" || fail "Qt in the dependencies"

dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
for f in bin/loopcraft bin/loopcraft-cli share/loopcraft/modhelp.hlp share/loopcraft/start.bmp \
         share/applications/loopcraft.desktop share/icons/hicolor/scalable/apps/loopcraft.svg \
         share/metainfo/io.loopcraft.Loopcraft.metainfo.xml share/man/man1/loopcraft-cli.1.gz; do
    [[ -f $usr/$f ]] || fail "missing $f"
done
shopt -s nullglob
drawings=("$data"/*.wmf) installed=("$usr"/share/loopcraft/*.wmf)
[[ ${#drawings[@]} -eq ${#installed[@]} ]] || fail "drawings: ${#installed[@]} of ${#drawings[@]}"
zcat "$usr/share/man/man1/loopcraft-cli.1.gz" | grep -q '^\.TH LOOPCRAFT-CLI 1' || fail "man page"

mkdir "$work/elsewhere"
cd "$work/elsewhere"
[[ $("$usr/bin/loopcraft-cli" --version) == "loopcraft-cli $version" ]] || fail "cli --version"
[[ $(env -u DISPLAY "$usr/bin/loopcraft" --version) == "loopcraft $version" ]] || fail "--version"
# The help pages come from ../share/loopcraft, not from this folder or the source tree.
"$usr/bin/loopcraft-cli" help-page | grep -q . || fail "help file not found from another folder"
# The report draws the schematic from the installed drawings.
env -u DISPLAY "$usr/bin/loopcraft-cli" report --pdf report.pdf >/dev/null || fail "report"
[[ $(pdfinfo report.pdf | sed -n 's/^Pages: *//p') == 4 ]] || fail "report pages"
[[ ! -e PARAMS.TXT ]] || fail "a command without --save wrote PARAMS.TXT"
echo "package ok: $(basename "$deb")"
