#!/usr/bin/env bash
# Does the whole job the way a screen reader user does, through the
# accessibility bus alone: starts the real program on a private X server with
# its own session bus and accessibility bus, then lets screen_reader_job.py
# read the window and press its buttons. Usage: screen-reader-end-to-end.sh path/to/zelvo
set -euo pipefail

zelvo="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
launcher=/usr/libexec/at-spi-bus-launcher
for tool in Xvfb dbus-run-session timeout "$launcher"; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-deps.sh)" >&2; exit 1; }
done
# Debian's bindings live with Debian's own Python.
python=/usr/bin/python3
"$python" -c 'import pyatspi' 2>/dev/null || { echo "missing python3-pyatspi (scripts/install-deps.sh)" >&2; exit 1; }

# The second half runs inside the private session bus.
if [ -z "${ZELVO_IN_SESSION:-}" ]; then
  base="$(mktemp -d)"
  xvfb_pid=""
  cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$base"
  }
  trap cleanup EXIT
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$base/display" 2>"$base/xvfb.out" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$base/display" ] && break; sleep 0.1; done
  [ -s "$base/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$base/display")" ZELVO_IN_SESSION="$base"
  # A session bus of its own, so no desktop's accessibility bus answers.
  timeout 100 dbus-run-session -- "$0" "$zelvo" 2> >(grep -v 'fd limit' >&2)
  exit $?
fi

base="$ZELVO_IN_SESSION"
folder="$base/carpeta"
mkdir "$folder"
folder="$(cd "$folder" && pwd -P)"
# One pair, and enough files of other sizes for the bars to move.
printf 'una foto repetida\n' >"$folder/a.txt"
cp "$folder/a.txt" "$folder/b.txt"
for n in $(seq 12); do head -c "$((n * 1000))" /dev/zero >"$folder/otro$n.bin"; done

"$launcher" --launch-immediately >"$base/launcher.out" 2>&1 &
launcher_pid=$!
trap 'kill "$launcher_pid" 2>/dev/null || true' EXIT
export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_QPA_PLATFORM

# The screen reader's side starts the program itself, once it listens: a
# program started first may not yet know of the listener when it speaks.
if ! "$python" "$here/screen_reader_job.py" "$folder" "$zelvo" "$base/zelvo.out"; then
  sed 's/^/zelvo: /' "$base/zelvo.out" >&2
  exit 1
fi
