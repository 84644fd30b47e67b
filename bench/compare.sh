#!/usr/bin/env bash
# Times zelvo-bench against jdupes, fdupes, rdfind and a plain read of every
# file on generated folders with a hot page cache (or, with --cold, a page
# cache dropped before every timed run), prints medians and ratios, and
# checks that every tool found the same groups; with --throttle, on a device
# made to answer a fixed number of requests per second, with the requests
# each tool made. See bench/README.md.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"

runs=5
scale=1
seed=1
prefix=""
build_dir="${ZELVO_BENCH_BUILD:-$root/build}"
use_hyperfine=0
peers="jdupes jdupes-nz fdupes"
peers_given=0
cold=0
throttle=""
peer_timeout=60
shapes=()

usage() {
  cat <<EOF
usage: bench/compare.sh [options] [SHAPE[:SCALE]...]
Shapes: photos onesize large tails tiny million (default: all but million);
a scale after a shape overrides --scale for it.
  --runs N        timed runs of each tool per corpus (default $runs)
  --scale X       scale of the generated corpora (default $scale)
  --seed N        seed of the generated corpora (default $seed)
  --peers LIST    peers to time, from "jdupes jdupes-nz fdupes rdfind" (default "$peers",
                  with --cold "jdupes jdupes-nz rdfind", with --throttle "jdupes-nz rdfind";
                  "" for none); jdupes-nz is
                  jdupes leaving empty files out, as rdfind does
  --cold          (root only) drop the page cache before every timed run of every
                  tool, and time zelvo-floor, the device's floor for the whole job, once
                  per corpus
  --throttle IOPS,BPS
                  (root only, cgroup v1 blkio) the cold rounds on a device that answers
                  at most IOPS read requests and BPS bytes per second: every tool runs
                  in a throttled group and its time and read requests are reported
                  against zelvo-floor's plain reading, which runs as one more tool
  --timeout S     a peer that needs more than S seconds once is not timed further
                  on that corpus (default $peer_timeout)
  --build DIR     build folder (default build/, or \$ZELVO_BENCH_BUILD)
  --hyperfine     also time each tool with hyperfine, as a second opinion
  --name PREFIX   prefix of the corpus folders in bench/corpora/
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --scale) scale="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --peers) peers="$2"; peers_given=1; shift 2 ;;
    --cold) cold=1; shift ;;
    --throttle) throttle="$2"; cold=1; shift 2 ;;
    --timeout) peer_timeout="$2"; shift 2 ;;
    --build) build_dir="$2"; shift 2 ;;
    --hyperfine) use_hyperfine=1; shift ;;
    --name) prefix="$2-"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *) shapes+=("$1"); shift ;;
  esac
done
[ ${#shapes[@]} -eq 0 ] && shapes=(photos onesize large tails tiny)
if [ -n "$throttle" ]; then
  if ! [[ "$throttle" =~ ^[1-9][0-9]*,[1-9][0-9]*$ ]]; then
    echo "--throttle takes two whole numbers: read requests and bytes per second, e.g. 2000,41943040" >&2
    exit 2
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "compare.sh --throttle must run as root: it makes a cgroup under /sys/fs/cgroup/blkio" >&2
    echo "and drops the page cache before every timed run. Run it with sudo." >&2
    exit 2
  fi
  if [ ! -w /sys/fs/cgroup/blkio/cgroup.procs ] || [ ! -e /sys/fs/cgroup/blkio/blkio.throttle.read_iops_device ]; then
    echo "compare.sh --throttle needs the cgroup v1 blkio controller with its throttle at" >&2
    echo "/sys/fs/cgroup/blkio (mount -t cgroup -o blkio none /sys/fs/cgroup/blkio); it is not there." >&2
    exit 2
  fi
fi
if [ "$cold" = 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "compare.sh --cold must run as root: it drops the page cache before every timed run" >&2
    echo "(sync; echo 3 > /proc/sys/vm/drop_caches). Run it with sudo, or leave out --cold." >&2
    exit 2
  fi
  # fdupes reads every twin whole several times; cold, it only lengthens the run.
  [ "$peers_given" = 1 ] || peers="jdupes jdupes-nz rdfind"
  # Throttled, jdupes -z reads what jdupes -q does, only slower on empty files.
  [ -n "$throttle" ] && [ "$peers_given" = 0 ] && peers="jdupes-nz rdfind"
fi

# --- Tools -----------------------------------------------------------------
ZELVO_WITH_BENCH_PEERS=1 "$root/scripts/install-deps.sh"
if [ "$use_hyperfine" = 1 ] && ! command -v hyperfine >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends hyperfine >/dev/null ||
      { echo "hyperfine is not available; timing with the loop alone" >&2; use_hyperfine=0; }
  else
    echo "hyperfine is missing (apt-get install hyperfine); timing with the loop alone" >&2
    use_hyperfine=0
  fi
fi

# The build is incremental, so this costs little when nothing changed.
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=(zelvo-bench zelvo-corpus zelvo-floor)
cmake --build "$build_dir" --target "${targets[@]}" -j"$(nproc)" >/dev/null
bench="$build_dir/zelvo-bench"
corpus="$build_dir/zelvo-corpus"
floor="$build_dir/zelvo-floor"

work="$(mktemp -d)"
# The floor's plan is read by the floor after the page cache is dropped: in
# memory, it costs the device nothing.
shm="$(mktemp -d /dev/shm/zelvo-compare.XXXXXX)"
cleanup() { rm -rf "$work" "$shm"; }
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir "$work/empty"
: >"$work/empty.plan"
plan="$shm/plan"
floor_threads=1

# --- Helpers ---------------------------------------------------------------
source "$here/common.sh"

micros() { local t="${EPOCHREALTIME/./}"; echo "${t#0}"; }

# One group per line: the sorted base names of its files; lines sorted. Zelvo
# starts a group at each head row and ends its output with the count line;
# the peers separate groups with a blank line. Both first become lines of
# "group number, tab, base name".
groups_of_zelvo() {
  sed '$d' "$1" | awk -v head="$(printf '\302\267\302\267\302\267\302\267> ')" '
    index($0, head) == 1 { ++g; $0 = substr($0, length(head) + 1) }
    { sub(".*/", ""); print g "\t" $0 }' | join_groups
}
# rdfind's results file: "DUPTYPE_... ID DEPTH SIZE DEVICE INODE PRIORITY NAME",
# one line per file, the members of a set sharing the absolute value of ID.
groups_of_rdfind() {
  awk '/^#/ { next }
       { id = $2 < 0 ? -$2 : $2; for (i = 1; i <= 7; ++i) sub(/^[^ ]+ /, ""); sub(".*/", ""); print id "\t" $0 }' "$1" |
    join_groups
}
groups_of_peer() {
  awk 'NF == 0 { if (open) ++g; open = 0; next }
       { open = 1; sub(".*/", ""); print g "\t" $0 }' "$1" | join_groups
}
join_groups() {
  LC_ALL=C sort -t "$(printf '\t')" -k1,1n -k2 |
    awk -F '\t' '{ printf "%s%s", NR == 1 ? "" : $1 == previous ? " " : "\n", $2; previous = $1 }
                 END { if (NR) printf "\n" }' | LC_ALL=C sort
}


secs() { median <"$work/$1.times" | awk '{ printf "%.3f", $1 / 1e6 }'; }


run_tool() { # tool dir out
  case "$1" in
    zelvo) "$bench" "$2" >"$3" 2>"$3.err" ;;
    jdupes) timeout "$peer_timeout" jdupes -q -z "$2" >"$3" ;;
    jdupes-nz) timeout "$peer_timeout" jdupes -q "$2" >"$3" ;;
    fdupes) timeout "$peer_timeout" fdupes -q "$2" >"$3" ;;
    # rdfind writes its sets to a file and its progress to standard output.
    rdfind) timeout "$peer_timeout" rdfind -dryrun true -outputname "$3" "$2" >/dev/null ;;
    cat) find "$2" -maxdepth 1 -type f -exec cat {} + >/dev/null ;;
    # The floor's plain reading at one thread count, of a plan found before.
    floor)
      local what="$plan"
      [ "$2" = "$work/empty" ] && what="$work/empty.plan"
      "$floor" --plan "$what" --plain --keep-cache --threads "$floor_threads" "$2" >"$3" ;;
  esac
}

# Cold: dirty pages written back, then clean pages, dentries and inodes
# dropped. Then the tool runs once on an empty folder, so that only the
# corpus is cold, not the program and its libraries.
drop_cache_for() { # tool
  sync
  echo 3 >/proc/sys/vm/drop_caches
  run_tool "$1" "$work/empty" "$work/primed.out" 2>/dev/null || true
}

# --- Corpora ---------------------------------------------------------------
# corpus_dir, ensure_corpus and take_request come from common.sh.

# --- Throttled ----------------------------------------------------------------
if [ -n "$throttle" ]; then
  source "$here/throttled.sh"
  exit 0
fi

# --- Measurements ----------------------------------------------------------
summary="$work/summary"
# The hot table without rdfind keeps its columns; rdfind and z/best (zelvo
# against the faster of jdupes -q and rdfind), floor, z/floor and a/floor come
# before the groups when they apply.
row_format='%-8s %7s %6s | %7s %7s %7s %8s | %7s %9s %7s %7s | %8s %8s %11s %7s | '
with_rdfind=0
[[ " $peers " == *" rdfind "* ]] && with_rdfind=1 && row_format+='%7s %7s | '
[ "$cold" = 1 ] && row_format+='%7s %7s %7s | '
row_format+='%s\n'
header=(corpus files MiB zelvo scan sort analysis jdupes jdupes-nz fdupes cat z/jdupes a/jdupes a/jdupes-nz z/cat)
[ "$with_rdfind" = 1 ] && header+=(rdfind z/best)
[ "$cold" = 1 ] && header+=(floor z/floor a/floor)
printf "$row_format" "${header[@]}" groups >"$summary"
notes="$work/notes"
: >"$notes"
# Groups that differ between tools and broken reading rules make the script
# fail at the end, after the whole table was printed.
failures=0

for request in "${shapes[@]}"; do
  take_request "$request"
  if [ "$cold" = 1 ]; then
    case "$(stat -f -c %T "$dir")" in
      tmpfs | ramfs)
        echo "WARNING: $dir is in memory ($(stat -f -c %T "$dir")): dropping the page cache cannot make it cold;" \
          "put the corpora on a disk (bench/corpora/ on one)" | tee -a "$notes" >&2 ;;
    esac
  else
    echo "warming the page cache for $shape" >&2
    warm "$dir"
  fi
  for tool in zelvo $peers cat; do : >"$work/$tool.times"; done
  : >"$work/ratio.jdupes"; : >"$work/ratio.analysis"; : >"$work/ratio.analysis-nz"; : >"$work/ratio.cat"
  : >"$work/ratio.best"; : >"$work/ratio.floor"; : >"$work/ratio.afloor"
  : >"$work/scan.times"; : >"$work/sort.times"; : >"$work/analysis.times"

  # One untimed round first: it fills every cache and leaves each tool's
  # output for the group check. A peer that runs out of time here is left
  # out of this corpus.
  tools=(zelvo)
  timed_out=""
  for peer in $peers; do
    if run_tool "$peer" "$dir" "$work/$peer.out"; then
      tools+=("$peer")
    else
      timed_out="$timed_out $peer"
      echo "$shape: $peer did not finish within $peer_timeout s; not timed on this corpus" >>"$notes"
    fi
  done
  tools+=(cat)
  for tool in zelvo cat; do run_tool "$tool" "$dir" "$work/$tool.out"; done
  # The rounds interleave the tools, so that a slow moment of the machine
  # falls on all of them and the ratio of one round stays fair.
  for ((r = 1; r <= runs; r++)); do
    declare -A took=()
    for tool in "${tools[@]}"; do
      [ "$cold" = 1 ] && drop_cache_for "$tool"
      t0=$(micros)
      run_tool "$tool" "$dir" "$work/$tool.run" ||
        echo "$shape: $tool failed or ran out of time in round $r; its time counts as it stands" >>"$notes"
      t1=$(micros)
      took[$tool]=$(((t1 - t0)))
      echo "${took[$tool]}" >>"$work/$tool.times"
    done
    field scan "$work/zelvo.run.err" >>"$work/scan.times"
    field sort "$work/zelvo.run.err" >>"$work/sort.times"
    field analysis "$work/zelvo.run.err" >>"$work/analysis.times"
    a=$(field analysis "$work/zelvo.run.err")
    if [ -n "${took[jdupes]:-}" ]; then
      awk -v z="${took[zelvo]}" -v j="${took[jdupes]}" 'BEGIN { print z / j }' >>"$work/ratio.jdupes"
      awk -v a="$a" -v j="${took[jdupes]}" 'BEGIN { print a * 1e6 / j }' >>"$work/ratio.analysis"
    fi
    if [ -n "${took[jdupes-nz]:-}" ]; then
      awk -v a="$a" -v j="${took[jdupes-nz]}" 'BEGIN { print a * 1e6 / j }' >>"$work/ratio.analysis-nz"
    fi
    awk -v z="${took[zelvo]}" -v c="${took[cat]}" 'BEGIN { print z / c }' >>"$work/ratio.cat"
    best=""
    for peer in jdupes-nz rdfind; do
      [ -n "${took[$peer]:-}" ] && { [ -z "$best" ] || [ "${took[$peer]}" -lt "$best" ]; } && best="${took[$peer]}"
    done
    [ -n "$best" ] && awk -v z="${took[zelvo]}" -v b="$best" 'BEGIN { print z / b }' >>"$work/ratio.best"
    unset took
  done

  files=$(field files "$work/zelvo.out.err")
  mib=$(du -sm --apparent-size "$dir" | cut -f1)

  # The group check: every tool's groups, as sets of base names.
  groups_of_zelvo "$work/zelvo.out" >"$work/zelvo.groups"
  verdict="$(wc -l <"$work/zelvo.groups") groups"
  same="same in every peer that finished"
  # jdupes-nz leaves empty files out, so it is held against Zelvo's groups
  # without the group of empty files.
  find "$dir" -maxdepth 1 -type f -empty -printf '%f\n' >"$work/empty.names"
  awk -v list="$work/empty.names" 'BEGIN { while ((getline name < list) > 0) empty[name] }
    !($1 in empty)' "$work/zelvo.groups" >"$work/zelvo-nz.groups"
  for peer in "${tools[@]}"; do
    [ "$peer" = zelvo ] || [ "$peer" = cat ] && continue
    if [ "$peer" = rdfind ]; then
      groups_of_rdfind "$work/$peer.out" >"$work/$peer.groups"
    else
      groups_of_peer "$work/$peer.out" >"$work/$peer.groups"
    fi
    mine="$work/zelvo.groups"
    [ "$peer" = jdupes-nz ] || [ "$peer" = rdfind ] && mine="$work/zelvo-nz.groups"
    if ! cmp -s "$mine" "$work/$peer.groups"; then
      same=""
      failures=$((failures + 1))
      verdict="$verdict, DIFFERENT from $peer ($(wc -l <"$work/$peer.groups"))"
      {
        echo "$shape: groups found by zelvo only / by $peer only:"
        comm -23 "$mine" "$work/$peer.groups" | head -5 | sed 's/^/  zelvo: /'
        comm -13 "$mine" "$work/$peer.groups" | head -5 | sed 's/^/  '"$peer"': /'
      } >>"$notes"
    fi
  done
  [ ${#tools[@]} -gt 2 ] && [ -n "$same" ] && verdict="$verdict, $same"

  jd="-"; jn="-"; fd="-"; rj="-"; ra="-"; rn="-"; rd="-"; rb="-"; fl="-"; rf="-"; raf="-"
  [[ " ${tools[*]} " == *" jdupes "* ]] && jd=$(secs jdupes) && rj=$(med "$work/ratio.jdupes") && ra=$(med "$work/ratio.analysis")
  [[ " ${tools[*]} " == *" jdupes-nz "* ]] && jn=$(secs jdupes-nz) && rn=$(med "$work/ratio.analysis-nz")
  [[ " ${tools[*]} " == *" fdupes "* ]] && fd=$(secs fdupes)
  [[ " $timed_out " == *" jdupes "* ]] && jd=">$peer_timeout"
  [[ " $timed_out " == *" jdupes-nz "* ]] && jn=">$peer_timeout"
  [[ " $timed_out " == *" fdupes "* ]] && fd=">$peer_timeout"
  [[ " ${tools[*]} " == *" rdfind "* ]] && rd=$(secs rdfind)
  [[ " $timed_out " == *" rdfind "* ]] && rd=">$peer_timeout"
  [ -s "$work/ratio.best" ] && rb=$(med "$work/ratio.best")
  if [ "$cold" = 1 ]; then
    # The floor drops the page cache before each thread count itself.
    "$floor" "$dir" >"$work/floor.out" || failures=$((failures + 1))
    fl=$(awk '$1 == "floor:" { print $2 }' "$work/floor.out")
    echo "$shape: floor $(grep '^files:' "$work/floor.out" | cut -d' ' -f2-); $(grep '^floor:' "$work/floor.out");" \
      "$(grep '^read ahead:' "$work/floor.out");" \
      "by threads: $(awk '$1 == "threads" && $3 != "read" { printf "%s%s %s", n++ ? ", " : "", $2, $3 }' "$work/floor.out")" >>"$notes"
    if [ -n "$fl" ]; then
      awk -v f="$fl" '{ print $1 / 1e6 / f }' "$work/zelvo.times" >"$work/ratio.floor"
      awk -v f="$fl" '{ print $1 / f }' "$work/analysis.times" >"$work/ratio.afloor"
      rf=$(med "$work/ratio.floor")
      raf=$(med "$work/ratio.afloor")
    else
      fl="-"
    fi
  fi
  row=("$shape" "$files" "$mib" "$(secs zelvo)" "$(med "$work/scan.times")" \
    "$(med "$work/sort.times")" "$(med "$work/analysis.times")" "$jd" "$jn" "$fd" "$(secs cat)" \
    "$rj" "$ra" "$rn" "$(med "$work/ratio.cat")")
  [ "$with_rdfind" = 1 ] && row+=("$rd" "$rb")
  [ "$cold" = 1 ] && row+=("$fl" "$rf" "$raf")
  printf "$row_format" "${row[@]}" "$verdict" | tee -a "$summary" >&2

  # The I/O rules and the memory, from one untimed run that also reads the
  # folder independently.
  "$bench" --check "$dir" >/dev/null 2>"$work/check.err" || failures=$((failures + 1))
  {
    echo "$shape: zelvo read $(field 'bytes read' "$work/zelvo.out.err") bytes, opened $(field 'files opened' "$work/zelvo.out.err") files, peak memory $(field 'peak memory' "$work/zelvo.out.err") MiB"
    grep '^check:' "$work/check.err" | sed "s/^check:/  /"
  } >>"$notes"
  # What the run asked of the device, against the floor's plain reading: an
  # open per file and a request per range. A read that goes on where the
  # file's last one ended is served by the stream read ahead, so only fresh
  # reads count.
  "$floor" --write-plan "$plan" "$dir" >"$work/plan.out" || failures=$((failures + 1))
  requests=$(awk -v plan="$work/plan.out" '
    BEGIN { while ((getline line < plan) > 0) if (split(line, f, " ") && f[1] == "files:") { fo = f[4]; fr = f[10] } }
    $1 == "files" && $2 == "opened:" { zo = $3 }
    $1 == "check:" && $2 == "fresh" { zr = $4 }
    END {
      over = zo > fo * 1.03 || zr > fr * 1.03
      printf "requests %s: zelvo opened files %d times and read afresh %d times; the floor'"'"'s plain reading opens %d and reads %d ranges (%.2f and %.2f ×; at most 1.03)\n",
        over ? "OVER" : "within", zo, zr, fo, fr, fo ? zo / fo : 1, fr ? zr / fr : 1
    }' "$work/check.err")
  echo "$shape: $requests" >>"$notes"
  [[ "$requests" == "requests OVER"* ]] && failures=$((failures + 1))

  if [ "$use_hyperfine" = 1 ]; then
    hf=(hyperfine -N --warmup 1 --runs "$runs" --style basic)
    [ "$cold" = 1 ] && hf+=(--prepare "sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'")
    hf+=("$bench $dir")
    for peer in "${tools[@]}"; do
      case "$peer" in
        jdupes) hf+=("jdupes -q -z $dir") ;;
        jdupes-nz) hf+=("jdupes -q $dir") ;;
        fdupes) hf+=("fdupes -q $dir") ;;
        rdfind) hf+=("rdfind -dryrun true -outputname $work/rdfind.hf $dir") ;;
      esac
    done
    "${hf[@]}" >&2 || true
  fi
done

echo
if [ "$cold" = 1 ]; then
  echo "Medians of $runs runs (seconds), COLD: the page cache was dropped before every timed run."
else
  echo "Medians of $runs runs (seconds), hot page cache."
fi
echo "zelvo is the whole zelvo-bench process;"
echo "scan (sort included), sort and analysis are its own timings. z/jdupes, a/jdupes and a/jdupes-nz"
echo "are medians of the per-round ratios of zelvo's whole run and of its analysis alone to the whole"
echo "run of jdupes -z (empty files included, as Zelvo does) and of jdupes (empty files left out)."
[ "$with_rdfind" = 1 ] &&
  echo "rdfind leaves empty files out; z/best: zelvo's whole run to the faster of jdupes -q and rdfind, per round."
[ "$cold" = 1 ] &&
  echo "floor: zelvo-floor's best time for the whole job (listing, the status of every file, then only the unavoidable reads;" &&
  echo "1 to 64 threads, without read-ahead where it brings bytes not wanted); z/floor: zelvo's whole run to it, like for like;" &&
  echo "a/floor: zelvo's analysis alone to it (the window lists and measures a folder when it is chosen, before the click on Analizar)."
echo
cat "$summary"
echo
cat "$notes"
if [ "$failures" -gt 0 ]; then
  echo "FAILED: $failures group, reading rule or request check(s) failed; see above" >&2
  exit 1
fi
