#!/usr/bin/env bash
# Makes the Debian package from a build tree and checks it as an installing
# user would meet it: lintian, the desktop entry and software-centre
# validators, and the programs run from the unpacked package.
# usage: check_package.sh BUILD_DIR VERSION   (exit 77: skipped)
set -euo pipefail
build=$1
version=$2

missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIPPED: the package check needs ${missing[*]}; scripts/install-deps installs them"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/*.deb)
name="korvane-pin-tester_${version}_$(dpkg --print-architecture).deb"
[ "$(basename "$deb")" = "$name" ] || fail "package is $(basename "$deb"), not $name"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, $(dpkg-deb -c "$deb" | grep -vc '/$') files"

lintian --fail-on error,warning "$deb" 2>/dev/null || fail "lintian reports errors or warnings"

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
metainfo=$(echo "$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "metainfo"; }

# What lintian does not ask for: the place of every file, the whole icon set,
# and one version everywhere.
[ -z "$(find "$root" -path "$root/usr/local*" -print -quit)" ] || fail "files under /usr/local"
for size in 16 32 48 64 128 256; do
  [ -f "$root/usr/share/icons/hicolor/${size}x$size/apps/korvane-pin-tester.png" ] || fail "no ${size} px icon"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/korvane-pin-tester.svg" ] || fail "no scalable icon"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release"
zcat "$root/usr/share/doc/korvane-pin-tester/changelog.gz" | head -1 | grep -qF "($version)" || fail "changelog version"

for program in "$root"/usr/bin/*; do
  base=$(basename "$program")
  [ -f "$root/usr/share/man/man1/$base.1.gz" ] || fail "no manual page for $base"
  [ "$base" = korvane-pin-tester ] && continue
  "$program" --help >"$work/help" && grep -q "^Usage: $base" "$work/help" || fail "$base --help"
  [ "$("$program" --version)" = "$base $version" ] || fail "$base --version"
done

# The tester, headless: its window is painted and flushed to the screen, and
# a signal ends it.
log=$work/tester.log
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="qt.widgets.painting=true" \
  "$root/usr/bin/korvane-pin-tester" 2>"$log" &
tester=$!
for _ in $(seq 100); do
  grep -q "Flushing .* of CPinTesterDlg" "$log" && break
  kill -0 "$tester" 2>/dev/null || break
  sleep 0.1
done
grep -q "Flushing .* of CPinTesterDlg" "$log" || fail "the tester showed no window"
kill -TERM "$tester" 2>/dev/null || true
for _ in $(seq 50); do
  kill -0 "$tester" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$tester" 2>/dev/null; then
  kill -KILL "$tester"
  fail "the tester did not end on SIGTERM"
fi
status=0
wait "$tester" || status=$?
[ "$status" -eq 0 ] || fail "the tester ended with status $status after SIGTERM, not 0"

[ "$failures" -eq 0 ] && echo "package check passed"
exit $((failures > 0))
