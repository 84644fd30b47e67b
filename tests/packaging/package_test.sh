#!/usr/bin/env bash
# Builds the Debian package from a finished build, checks its control fields
# and contents, unpacks it into a scratch root (the system's package database
# is left alone) and starts the unpacked program headless.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail

build_dir=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ -x "$build_dir/zelvo" ] || fail "no built program at $build_dir/zelvo"

# cpack installs the build tree into its own staging folder under -B.
if ! cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  fail "cpack did not build the package"
fi
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected exactly one .deb, found: ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = zelvo ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# Fields are read into variables first: `grep -q` stops reading early, and
# under pipefail the writer's broken pipe would count as a failure.
description=$(field Description)
grep -q 'duplicados' <<<"$description" || fail "the description is not in Spanish"
grep -q 'duplicate' <<<"$description" || fail "the description is not in English"
depends=$(field Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 qt6-qpa-plugins libc6 libstdc++6; do
  # A dependency is a whole name in the comma-separated list, with or
  # without a version.
  names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
  grep -qx "$library" <<<"$names" || fail "Depends does not name $library: $depends"
done

root=$scratch/root
dpkg-deb --extract "$deb" "$root"
for file in usr/bin/zelvo usr/share/zelvo/Zelvo.hlp usr/share/applications/zelvo.desktop \
            usr/share/icons/hicolor/scalable/apps/zelvo.svg; do
  [ -s "$root/$file" ] || fail "the package lacks /$file"
done
[ -x "$root/usr/bin/zelvo" ] || fail "/usr/bin/zelvo is not executable"
for size in 16 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/zelvo.png
  kind=$(file --brief "$icon")
  grep -q "PNG image data, $size x $size" <<<"$kind" || fail "icon ${size}x${size} is $kind"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/zelvo.desktop" || fail "the desktop entry is not valid"
fi
grep -qx 'Exec=zelvo' "$root/usr/share/applications/zelvo.desktop" || fail "the desktop entry does not start zelvo"

# The unpacked program must come up and keep running until it is stopped:
# `timeout` reports 124 when it had to stop it. It starts in an empty folder,
# its working directory, where it may write nothing.
work=$scratch/work
mkdir "$work"
status=0
(cd "$work" && QT_QPA_PLATFORM=offscreen timeout 3 "$root/usr/bin/zelvo") >"$scratch/run.log" 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
  cat "$scratch/run.log" >&2
  fail "the installed program ended with status $status instead of running"
fi
[ -z "$(ls -A "$work")" ] || fail "the program left files in its folder: $(ls -A "$work")"
echo "package $(basename "$deb") checked"
