#!/usr/bin/env bash
# Builds the Debian package from a finished build, checks its control fields
# and contents, has lintian, desktop-file-validate and appstreamcli judge it,
# unpacks it into a scratch root (the system's package database is left alone)
# and starts the unpacked program headless.
# Usage: package_test.sh BUILD_DIR PACKAGE_VERSION PROGRAM_VERSION
set -euo pipefail

build_dir=$1
version=$2
program_version=$3
for tool in lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-deps.sh --tests)" >&2; exit 1; }
done
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

# Debian's own checker: no error and no warning (lintian says so in its exit
# status; the lines are kept for the failure message).
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || {
  cat "$scratch/lintian.log" >&2
  fail "lintian finds errors or warnings"
}

root=$scratch/root
dpkg-deb --extract "$deb" "$root"
metainfo=usr/share/metainfo/org.example.zelvo.metainfo.xml
for file in usr/bin/zelvo usr/share/zelvo/Zelvo.hlp usr/share/applications/zelvo.desktop \
            usr/share/icons/hicolor/scalable/apps/zelvo.svg "$metainfo" \
            usr/share/man/man1/zelvo.1.gz usr/share/man/es/man1/zelvo.1.gz \
            usr/share/doc/zelvo/copyright usr/share/doc/zelvo/changelog.Debian.gz; do
  [ -s "$root/$file" ] || fail "the package lacks /$file"
done
# The hand-written files name the version being packaged.
changelog=$(zcat "$root/usr/share/doc/zelvo/changelog.Debian.gz")
changelog_head=$(head -n1 <<<"$changelog")
[[ "$changelog_head" == "zelvo ($version) "* ]] || fail "the changelog begins with '$changelog_head', not version $version"
grep -q "<release version=\"$program_version\"" "$root/$metainfo" || fail "the metainfo has no release $program_version"
appstreamcli validate --no-net "$root/$metainfo" >"$scratch/appstream.log" 2>&1 || {
  cat "$scratch/appstream.log" >&2
  fail "the AppStream metadata is not valid"
}
for page in usr/share/man/man1/zelvo.1.gz usr/share/man/es/man1/zelvo.1.gz; do
  text=$(zcat "$root/$page")
  grep -qF -- '\-\-version' <<<"$text" && grep -qF 'Zelvo.log' <<<"$text" || fail "/$page does not describe the options and the log"
done
[ -x "$root/usr/bin/zelvo" ] || fail "/usr/bin/zelvo is not executable"
for size in 16 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/zelvo.png
  kind=$(file --brief "$icon")
  grep -q "PNG image data, $size x $size" <<<"$kind" || fail "icon ${size}x${size} is $kind"
done
desktop=$root/usr/share/applications/zelvo.desktop
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
# File managers hand the folder to open over in %f, and offer the entry on
# folders only when it says it opens them.
grep -qx 'Exec=zelvo %f' "$desktop" || fail "the desktop entry does not start zelvo with a folder"
grep -qx 'MimeType=inode/directory;' "$desktop" || fail "the desktop entry does not open folders"
grep -q '<launchable type="desktop-id">zelvo.desktop</launchable>' "$root/$metainfo" ||
  fail "the metainfo does not launch the desktop entry"

# The options answer without a display and without a window.
program=$root/usr/bin/zelvo
run_bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@"; }
status=0
version_line=$(run_bare --version) || status=$?
[ "$status" -eq 0 ] && [ "$version_line" = "Zelvo Versión $program_version" ] ||
  fail "--version printed '$version_line' with status $status"
status=0
help_text=$(run_bare --help) || status=$?
[ "$status" -eq 0 ] && grep -q '^Uso: zelvo' <<<"$help_text" || fail "--help ended with status $status"
status=0
run_bare --recursivo >"$scratch/out.log" 2>"$scratch/err.log" || status=$?
[ "$status" -eq 2 ] && [ ! -s "$scratch/out.log" ] && [ "$(wc -l <"$scratch/err.log")" -eq 1 ] ||
  fail "an unknown option ended with status $status: $(cat "$scratch/err.log")"
# A file where a folder belongs is refused before any window exists.
status=0
QT_QPA_PLATFORM=offscreen timeout 10 "$program" "$root/usr/share/zelvo/Zelvo.hlp" 2>"$scratch/err.log" || status=$?
[ "$status" -eq 1 ] && grep -q 'no es una carpeta' "$scratch/err.log" ||
  fail "a file as the folder ended with status $status: $(cat "$scratch/err.log")"

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
