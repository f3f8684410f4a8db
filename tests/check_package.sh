#!/usr/bin/env bash
# Makes the Debian package from a build tree and checks it as an installing
# user meets it: lintian, the desktop entry and metainfo validators, the
# programs run from the unpacked package, the same package byte for byte when
# packed twice (dated by the last commit) and no path of the build tree in it.
# usage: check_package.sh SOURCE_DIR BUILD_DIR VERSION   (exit 77: skipped)
set -euo pipefail
source=$1 build=$2 version=$3

missing=$(for tool in cpack dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || echo "$tool"; done | xargs)
[ -z "$missing" ] || { echo "SKIPPED: the package check needs $missing; scripts/install-deps installs them"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# pack OUTPUT_DIR [SOURCE_DATE_EPOCH]: without an epoch, cpack finds its own.
pack() {
  local epoch=(-u SOURCE_DATE_EPOCH)
  [ $# -gt 1 ] && epoch=("SOURCE_DATE_EPOCH=$2")
  env "${epoch[@]}" cpack --config "$build/CPackConfig.cmake" -B "$1" >"$1.log" 2>&1 || { cat "$1.log"; exit 1; }
}
pack "$work/first"
deb=$(echo "$work"/first/*.deb)
name="korvane-pin-tester_${version}_$(dpkg --print-architecture).deb"
[ "$(basename "$deb")" = "$name" ] || fail "package is $(basename "$deb"), not $name"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, $(dpkg-deb -c "$deb" | grep -vc '/$') files"

# Every file is dated by the last commit, and packed again with that date the
# package is the same (so no other date, such as that of packing, is in it).
if epoch=$(git -C "$source" log -1 --format=%ct 2>/dev/null); then
  dates=$(dpkg-deb --fsys-tarfile "$deb" | TZ=UTC tar -tv --full-time | awk '{ print $4 " " $5 }' | sort -u)
  [ "$dates" = "$(date -u -d "@$epoch" '+%F %T')" ] || fail "file dates are $dates, not the last commit's"
  pack "$work/again" "$epoch"
  cmp "$deb" "$work"/again/*.deb || fail "packed twice, the packages differ"
else
  echo "not a git checkout: the package's dates and a second packing are not checked"
fi

lintian -I -E --pedantic "$deb" >"$work/lintian.log" 2>/dev/null || true
! grep -q '^[EWIPX]:' "$work/lintian.log" || { cat "$work/lintian.log"; fail "lintian reports tags"; }
root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
metainfo=$(echo "$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "metainfo"; }

# What lintian does not ask for: the place of every file, the whole icon set,
# and one version everywhere.
[ -z "$(find "$root" -path "$root/usr/local*" -print -quit)" ] || fail "files under /usr/local"
for icon in {16x16,32x32,48x48,64x64,128x128,256x256}/apps/korvane-pin-tester.png scalable/apps/korvane-pin-tester.svg; do
  [ -f "$root/usr/share/icons/hicolor/$icon" ] || fail "no icon $icon"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release"
zcat "$root/usr/share/doc/korvane-pin-tester/changelog.gz" | head -1 | grep -qF "($version)" || fail "changelog version"

for program in "$root"/usr/bin/*; do
  base=$(basename "$program")
  # A path of the tree would make the program (or, through its debug
  # information, its build ID) differ from one built elsewhere.
  for built in "$program" $(find "$build" -type f -name "$base"); do
    ! grep -qF "$source" "$built" || fail "$built holds the path $source"
  done
  [ -f "$root/usr/share/man/man1/$base.1.gz" ] || fail "no manual page for $base"
  [ "$base" = korvane-pin-tester ] && continue
  "$program" --help >"$work/help" && grep -q "^Usage: $base" "$work/help" || fail "$base --help"
  [ "$("$program" --version)" = "$base $version" ] || fail "$base --version"
done

# The tester, headless, paints and flushes its window, and SIGTERM ends it with success.
log=$work/tester.log
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="qt.widgets.painting=true" "$root/usr/bin/korvane-pin-tester" 2>"$log" &
tester=$!
timeout 10 bash -c "until grep -q 'Flushing .* of CPinTesterDlg' '$log'; do sleep 0.1; done" || fail "the tester showed no window"
kill -TERM "$tester" || true
timeout 5 tail --pid="$tester" -f /dev/null || { kill -KILL "$tester"; fail "the tester did not end on SIGTERM"; }
wait "$tester" || fail "the tester ended with status $? after SIGTERM, not 0"

[ "$failures" -eq 0 ] && echo "package check passed"
exit $((failures > 0))
