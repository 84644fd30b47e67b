#!/usr/bin/env bash
# Drives the built program the way a person would, on a private X server:
# switches the log on with Ctrl+L, clicks "Analizar", selects the twin of a
# pair, clicks "Borrar" and confirms with Enter, opens and closes the log
# viewer. Then checks which files are left and every byte of Zelvo.log. Later
# runs check a link named Zelvo.log, a folder given as a file:// URI, clicks
# made during a long analysis and folders that cannot be listed; one without
# a display checks the program's own line. Usage: log-end-to-end.sh path/to/zelvo
set -euo pipefail

zelvo="$(realpath "$1")"
for tool in Xvfb xdotool perl timeout; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

base="$(mktemp -d)"
folder="$base/carpeta"
mkdir "$folder"
folder="$(cd "$folder" && pwd -P)"
xvfb_pid=""
zelvo_pid=""
cleanup() {
  [ -n "$zelvo_pid" ] && kill "$zelvo_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$base"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$base/zelvo.out" ] && sed 's/^/zelvo: /' "$base/zelvo.out" >&2
  exit 1
}

# Dates and the locale fixed, so the date texts are known: a C locale makes
# the program write Spanish dates (day/month/year, 24-hour time).
export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8
unset QT_QPA_PLATFORM
printf 'una foto repetida\n' >"$folder/a.txt"
cp "$folder/a.txt" "$folder/b.txt"
printf 'otra cosa distinta\n' >"$folder/c.txt"
touch -d '2026-06-01 04:00:30' "$folder/a.txt" "$folder/b.txt" "$folder/c.txt"
size=$(stat -c %s "$folder/a.txt")

# Without a display, as over ssh, Zelvo says so in one Spanish line and ends
# with status 1; --help and --version need no display.
status=0
nodisplay=$(cd "$folder" && env -u DISPLAY -u WAYLAND_DISPLAY "$zelvo" 2>&1) || status=$?
[ "$status" = 1 ] || fail "without a display: status $status, output: $nodisplay"
[ "$nodisplay" = "zelvo: no hay ninguna pantalla gráfica en la que abrir la ventana (ni DISPLAY ni WAYLAND_DISPLAY están definidas)" ] ||
  fail "without a display: $nodisplay"
env -u DISPLAY -u WAYLAND_DISPLAY "$zelvo" --help | grep -q '^Uso: zelvo' || fail "--help needs a display"
env -u DISPLAY -u WAYLAND_DISPLAY "$zelvo" --version | grep -q '^Zelvo ' || fail "--version needs a display"
echo "PASS: without a display one Spanish line and status 1; --help and --version work"

Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$base/display" 2>"$base/xvfb.out" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$base/display" ] && break; sleep 0.1; done
[ -s "$base/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$base/display")"

find_window() { timeout 20 xdotool search --sync --onlyvisible --limit 1 --name "$1" | head -n1; }
# Starts the program in the folder $1, with the arguments after it, and finds
# its main window; the client area is 698 x 384 pixels under the menu bar.
start_in() {
  local where="$1"
  shift
  (cd "$where" && exec "$zelvo" "$@") >"$base/zelvo.out" 2>&1 &
  zelvo_pid=$!
  main=$(find_window '^Zelvo$') || fail "the main window did not appear in $where"
  [ -n "$main" ] || fail "the main window did not appear in $where"
  eval "$(xdotool getwindowgeometry --shell "$main")"
  menu=$((HEIGHT - 384))
  [ "$menu" -ge 0 ] || fail "unexpected window height $HEIGHT"
}

start_in "$folder"
click() { xdotool mousemove --sync $((X + $1)) $((Y + menu + $2)) click 1; sleep 0.3; }
focus() { timeout 5 xdotool windowfocus --sync "$1" || xdotool windowfocus "$1"; sleep 0.2; }
# Answers the message box of that title with Intro, or fails saying why.
press_intro_in() {
  local box
  box=$(find_window "$1") || fail "$2"
  [ -n "$box" ] || fail "$2"
  focus "$box"
  xdotool key Return
}

focus "$main"
xdotool key ctrl+l
sleep 0.3
# The focus starts on the folder list; two Tabs reach "Analizar" (after the
# file list), and Intro on it analyses as a click does.
xdotool key Tab Tab Return
# The pair record appears once the analysis has found the twin.
for _ in $(seq 100); do [ -s "$folder/Zelvo.log" ] && break; sleep 0.1; done
[ -s "$folder/Zelvo.log" ] || fail "the analysis wrote no pair record (was the log switched on?)"
sleep 0.5
click 430 49             # the head row, the first of List1 (5760, 600 twips)
xdotool key Down         # its twin, the second row
sleep 0.3
click 648 304            # "Borrar" (9120, 4200, 1215 x 735 twips)
press_intro_in '^Borrado$' "no confirmation box"
for _ in $(seq 50); do [ -e "$folder/b.txt" ] || break; sleep 0.1; done
sleep 0.5

# No row is left selected: a second "Borrar" confirmed with Intro deletes
# nothing (the files and the log are checked below).
click 648 304
press_intro_in '^Borrado$' "no confirmation box the second time"
sleep 0.5

# The viewer opens with Ctrl+V and closes with its own button.
focus "$main"
xdotool key ctrl+v
viewer=$(find_window '^Log$') || fail "the log viewer did not open"
[ -n "$viewer" ] || fail "the log viewer did not open"
eval "$(xdotool getwindowgeometry --shell "$viewer" | sed 's/^/VIEWER_/')"
[ "$VIEWER_WIDTH" = 681 ] && [ "$VIEWER_HEIGHT" = 426 ] || fail "viewer of ${VIEWER_WIDTH}x${VIEWER_HEIGHT}"
xdotool mousemove --sync $((VIEWER_X + 340)) $((VIEWER_Y + 392)) click 1   # "&Cerrar"
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Log$' >/dev/null || break; sleep 0.1; done
xdotool search --onlyvisible --name '^Log$' >/dev/null && fail "Cerrar did not close the viewer"

focus "$main"
click 648 352            # "Salir" (9120, 5040, 1215 x 495 twips)
for _ in $(seq 50); do kill -0 "$zelvo_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$zelvo_pid" 2>/dev/null && fail "Salir did not end the program"
zelvo_pid=""

left=$(cd "$folder" && ls | tr '\n' ' ')
[ "$left" = "Zelvo.log a.txt c.txt " ] || fail "files left: $left"

# The log: the pair record of a with b, then the deletion record of b. The
# three file dates are the one date of the files; the deletion happened today.
perl -e '
  use strict; use warnings;
  my ($log, $folder, $size) = @ARGV;
  open(my $fh, "<:raw", $log) or die "no log: $!\n";
  my $bytes = do { local $/; <$fh> };
  my ($day, $month, $year) = (gmtime)[3, 4, 5];
  $month += 1; my $yy = sprintf("%02d", ($year + 1900) % 100);
  sub line { my ($path, $date) = @_;
    my $pad = 50 - length($path); $pad = 0 if $pad < 0;
    return quotemeta($path . (" " x $pad) . "\t\t$size bytes \t") . $date; }
  my $fileDate = "(?:0?1/0?6/(?:20)?26 0?4:00:30)";
  my $crlf = "\\r\\n";
  my $pattern = "\\A"
    . line("$folder/a.txt", $fileDate) . $crlf
    . "\\xB7" . quotemeta(" " x 160 . "encontrados id\xE9nticos") . $crlf
    . line("$folder/b.txt", $fileDate) . $crlf
    . quotemeta(":" x 200) . $crlf
    . quotemeta("x" x 120) . $crlf
    . line("$folder/b.txt", $fileDate) . $crlf
    . "\\xB7" . quotemeta(" " x 100 . "Borrado el ")
    . "0?$day/0?$month/(?:20)?$yy a las [0-9]{1,2}:[0-9]{2}:[0-9]{2}" . $crlf
    . quotemeta("x" x 120) . $crlf . "\\z";
  if ($bytes !~ /$pattern/) {
    print STDERR "unexpected log bytes:\n";
    open(my $od, "|-", "od", "-c") or die; print $od $bytes; close $od;
    exit 1;
  }
' "$folder/Zelvo.log" "$folder" "$size" || fail "Zelvo.log is not as expected"
echo "PASS: the log holds one pair record and one deletion record; b.txt is gone"

# A symbolic link named Zelvo.log, planted to point at another file, is never
# written through: the log refuses it with its message and switches off.
linked="$base/enlace"
mkdir "$linked"
printf 'de otro usuario\n' >"$base/ajeno.txt"
ln -s "$base/ajeno.txt" "$linked/Zelvo.log"
cp "$folder/a.txt" "$linked/x.txt"
cp "$folder/a.txt" "$linked/y.txt"
start_in "$linked"
focus "$main"
xdotool key ctrl+l
sleep 0.3
click 648 248
press_intro_in '^Error con archivo log$' "no log error for a link named Zelvo.log"
sleep 0.3
[ "$(cat "$base/ajeno.txt")" = "de otro usuario" ] || fail "the link's target was written"
[ -L "$linked/Zelvo.log" ] || fail "the link was replaced"
kill "$zelvo_pid"; wait "$zelvo_pid" 2>/dev/null || true; zelvo_pid=""
echo "PASS: a link named Zelvo.log was left unwritten"

# Started with a folder argument from another folder, as a file manager does:
# the analysis and Zelvo.log are those of the argument's folder. Its name has
# blanks, a comma and a byte that is not UTF-8, and it comes as a file:// URI.
given="$base/mis fotos, 2"$'\xe9'
mkdir "$given"
given="$(cd "$given" && pwd -P)"
printf 'dos veces\n' >"$given/x.txt"
cp "$given/x.txt" "$given/y.txt"
uri=$(perl -e '($p = shift) =~ s/([^A-Za-z0-9\/._~-])/sprintf("%%%02X", ord $1)/ge; print "file://$p"' "$given")
start_in "$base" "$uri"
focus "$main"
xdotool key ctrl+l
sleep 0.3
click 648 248            # "Analizar"
for _ in $(seq 100); do [ -s "$given/Zelvo.log" ] && break; sleep 0.1; done
[ -s "$given/Zelvo.log" ] || fail "no Zelvo.log in the folder given as $uri"
# The name's Latin-1 byte is logged as the character it shows as: itself.
grep -qF "$given/y.txt" "$given/Zelvo.log" || fail "the analysis did not run on $given"
[ ! -e "$base/Zelvo.log" ] || fail "Zelvo.log was written in the folder Zelvo was started from"
focus "$main"
click 648 352            # "Salir"
for _ in $(seq 50); do kill -0 "$zelvo_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$zelvo_pid" 2>/dev/null && fail "Salir did not end the program started with $uri"
zelvo_pid=""
echo "PASS: started with $uri, Zelvo analysed that folder and logged there"

# A long analysis: two large copies made of holes, so they cost no disk. Their
# size is taken from how fast this machine reads a first gigabyte of holes, so
# that each takes about two and a half seconds. A click on the still-empty
# List1 and one on the greyed "Borrar" made while it runs chose nothing and
# are dropped: afterwards no row is selected and no box asks anything.
long="$base/larga"
mkdir "$long"
truncate -s 1G "$long/medida"
started=$(date +%s%N)
dd if="$long/medida" of=/dev/null bs=1M status=none
probe_ms=$(( ($(date +%s%N) - started) / 1000000 + 1 ))
rm "$long/medida"
mib=$(( 2500 * 1024 / probe_ms ))
[ "$mib" -ge 1024 ] || mib=1024
[ "$mib" -le 65536 ] || mib=65536
truncate -s "${mib}M" "$long/grande1.bin"
truncate -s "${mib}M" "$long/grande2.bin"
start_in "$long"
focus "$main"
xdotool key ctrl+l
sleep 0.3
click_at_once() { xdotool mousemove --sync $((X + $1)) $((Y + menu + $2)) click 1; }
click_at_once 648 248    # "Analizar"
sleep 0.5
click_at_once 430 52     # where List1's first row will be
click_at_once 648 304    # "Borrar", still greyed
sleep 0.2
[ ! -e "$long/Zelvo.log" ] || fail "the analysis ended before the clicks: make its files larger"
for _ in $(seq 900); do [ -s "$long/Zelvo.log" ] && break; sleep 0.1; done
[ -s "$long/Zelvo.log" ] || fail "the long analysis did not end"
sleep 1
xdotool search --onlyvisible --name '^Borrado$' >/dev/null &&
  fail "the click on the greyed Borrar opened the confirmation after the analysis"
# With no row selected, "Borrar" confirmed with Intro deletes nothing.
click 648 304
press_intro_in '^Borrado$' "no confirmation box after the long analysis"
sleep 0.5
[ -e "$long/grande1.bin" ] && [ -e "$long/grande2.bin" ] ||
  fail "a file was deleted: the click on the empty List1 selected a row that appeared later"
kill "$zelvo_pid"; wait "$zelvo_pid" 2>/dev/null || true; zelvo_pid=""
echo "PASS: clicks on the empty list and the greyed Borrar during an analysis of two files of $mib MiB were dropped"

# Folders that cannot be read, met as a user whom permission bits stop (as
# root, the user nobody): one opened from Dir1 and one the program starts in.
# Each time a box names the folder and the cause.
as_user=()
user_name="$(id -un)"
user_zelvo="$zelvo"
chmod 755 "$base"
if [ "$(id -u)" = 0 ]; then
  command -v runuser >/dev/null || fail "missing tool: runuser"
  as_user=(runuser -u nobody --)
  user_name=nobody
  # The build may lie in a folder that user may not enter (root's home).
  user_zelvo="$base/zelvo"
  cp "$zelvo" "$user_zelvo"
  chmod 755 "$user_zelvo"
fi
shared="$base/compartida"
mkdir -p "$shared/cerrada" "$shared/de paso"
chmod 755 "$shared"
printf 'igual\n' >"$shared/cerrada/a.txt"
cp "$shared/cerrada/a.txt" "$shared/cerrada/b.txt"
cp "$shared/cerrada/a.txt" "$shared/de paso/a.txt"
chmod 000 "$shared/cerrada"
chmod 711 "$shared/de paso"
# The message box has the program's title too: it is the other window so named.
find_box() {
  local window
  for _ in $(seq 100); do
    for window in $(xdotool search --onlyvisible --name '^Zelvo$' 2>/dev/null); do
      [ "$window" != "$1" ] && { echo "$window"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
start_as_user() {
  (cd "$1" && exec "${as_user[@]}" "$user_zelvo") >"$base/zelvo.out" 2>&1 &
  zelvo_pid=$!
  main=$(find_window '^Zelvo$') || fail "the main window did not appear in $1"
  [ -n "$main" ] || fail "the main window did not appear in $1"
}

start_as_user "$shared"
focus "$main"
# The focus starts on Dir1, on the current folder; its one subfolder follows.
xdotool key Down Return
box=$(find_box "$main") || fail "no box for a folder without permission opened from Dir1"
focus "$box"
xdotool key Return
for _ in $(seq 50); do find_box "$main" >/dev/null || break; done
kill "$zelvo_pid"; wait "$zelvo_pid" 2>/dev/null || true; zelvo_pid=""

start_as_user "$shared/de paso"
box=$(find_box "$main") || fail "no box at start-up in a folder that cannot be listed"
kill "$zelvo_pid"; wait "$zelvo_pid" 2>/dev/null || true; zelvo_pid=""
echo "PASS: folders that cannot be listed are told in a box, as user $user_name"
