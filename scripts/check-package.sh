#!/usr/bin/env bash
# Checks a built Debian package without installing it: unpacks it into a throw-away root
# (dpkg -x), runs the programs from there and validates the desktop entry.
#   scripts/check-package.sh PACKAGE.deb
set -euo pipefail
deb="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT

dpkg-deb --field "$deb" Package Version Depends
dpkg -x "$deb" "$root"
fail() { echo "check-package: $*" >&2; exit 1; }

for tool in tarvik-reports tarvik-sql tarvik-render tarvik-demo-db tarvik-users; do
  [ -x "$root/usr/bin/$tool" ] || fail "no /usr/bin/$tool"
  [ -f "$root/usr/share/man/man1/$tool.1.gz" ] || fail "no man page of $tool"
  "$root/usr/bin/$tool" --version >/dev/null || fail "$tool --version failed"
done
"$root/usr/bin/tarvik-reports" --version
# The catalogue, from the unpacked tree, without a display or a database.
listed=$("$root/usr/bin/tarvik-reports" run --list)
echo "$listed" | grep -q '^end-of-day ' || fail "run --list lacks the end-of-day batch"
echo "run --list: $(echo "$listed" | grep -c '^[a-z]') reports and batches"

# Every report definition of the source tree, and the program's pictures.
for rpt in "$(dirname "$0")"/../REPORTS/*; do
  [ -f "$root/usr/share/tarvik-reports/REPORTS/$(basename "$rpt")" ] || fail "no $(basename "$rpt") in the package"
done
for asset in Reports.Jpg FileCopy.gif; do
  [ -f "$root/usr/share/tarvik-reports/$asset" ] || fail "no $asset"
done
[ -f "$root/usr/lib/systemd/system/tarvik-eod.service" ] && [ -f "$root/usr/lib/systemd/system/tarvik-eod.timer" ] \
  || fail "no systemd units"
grep -q '^ExecStart=/usr/bin/tarvik-reports run end-of-day ' "$root/usr/lib/systemd/system/tarvik-eod.service" \
  || fail "the service does not start /usr/bin/tarvik-reports"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/tarvik-reports.png" ] || fail "no icon"
desktop-file-validate "$root/usr/share/applications/tarvik-reports.desktop"
grep -q '^Exec=/usr/bin/tarvik-reports$' "$root/usr/share/applications/tarvik-reports.desktop" \
  || fail "the desktop entry does not start /usr/bin/tarvik-reports"
# Nothing of the build may be in the package: no path of the build folder in the programs.
if grep -rl --binary-files=text "$(cd "$(dirname "$0")/.." && pwd)" "$root" >/dev/null; then
  fail "the package names the build folder: $(grep -rl --binary-files=text "$(cd "$(dirname "$0")/.." && pwd)" "$root")"
fi
echo "check-package: $(basename "$deb") is complete and runs from an unpacked root"
