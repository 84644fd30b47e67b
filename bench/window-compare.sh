#!/usr/bin/env bash
# Times the click on "Analizar" in the real window (zelvo-window-bench,
# offscreen) against the same analysis without a window (zelvo-bench) on the
# same folders with a hot page cache, prints medians and the ratio
# window/headless, and fails when the window costs more than the limit or the
# two lists differ. See bench/README.md.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"

runs=11
scale=1
seed=1
limit=1.10
build_dir="${ZELVO_BENCH_BUILD:-$root/build}"
shapes=()

usage() {
  cat <<EOF
usage: bench/window-compare.sh [options] [SHAPE[:SCALE]...]
Shapes: photos onesize large tails tiny million (default: tiny photos);
a scale after a shape overrides --scale for it.
  --runs N        timed rounds per corpus, each running both programs (default $runs)
  --scale X       scale of the generated corpora (default $scale)
  --seed N        seed of the generated corpora (default $seed)
  --limit R       highest median ratio window/headless accepted (default $limit)
  --build DIR     build folder (default build/, or \$ZELVO_BENCH_BUILD)
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --scale) scale="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --limit) limit="$2"; shift 2 ;;
    --build) build_dir="$2"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *) shapes+=("$1"); shift ;;
  esac
done
[ ${#shapes[@]} -eq 0 ] && shapes=(tiny photos)

# The build is incremental, so this costs little when nothing changed. Both
# programs come from the same tree, so the engine under them is the same.
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --target zelvo-bench zelvo-window-bench zelvo-corpus -j"$(nproc)" >/dev/null
headless="$build_dir/zelvo-bench"
window="$build_dir/zelvo-window-bench"
corpus="$build_dir/zelvo-corpus"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The same helpers and corpus folders as compare.sh, so that its corpora are
# reused.
source "$here/common.sh"

export QT_QPA_PLATFORM=offscreen
row_format='%-8s %7s | %9s %9s %12s %10s | %9s %9s | %7s %s\n'
summary="$work/summary"
printf "$row_format" corpus files "headless" window "window/head" "last frame" "h. scan" "w. scan" rows verdict >"$summary"
failures=0

for request in "${shapes[@]}"; do
  take_request "$request"
  echo "warming the page cache for $shape" >&2
  warm "$dir"
  for f in h.analysis w.analysis w.frame h.scan w.scan ratio; do : >"$work/$f"; done

  # One untimed round of each fills the caches and gives the lists to compare.
  "$headless" "$dir" >"$work/h.out" 2>"$work/h.err"
  "$window" "$dir" >"$work/w.out" 2>"$work/w.err"
  rows=same
  cmp -s "$work/h.out" "$work/w.out" || rows=DIFFERENT
  files=$(field files "$work/h.err")

  # The rounds alternate the two programs, and which goes first, so that a
  # busy moment of the machine weighs on both and each round's ratio is fair.
  # Other work on the machine may push a large folder out of the page cache
  # between rounds, and a round that reads from the disk says nothing about
  # the window; such folders are warmed again before each round.
  rewarm=0
  [ "$(du -sm --apparent-size "$dir" | cut -f1)" -gt 64 ] && rewarm=1
  for ((r = 1; r <= runs; r++)); do
    [ "$rewarm" = 1 ] && warm "$dir"
    if ((r % 2)); then order="h w"; else order="w h"; fi
    for who in $order; do
      if [ "$who" = h ]; then "$headless" "$dir" >/dev/null 2>"$work/h.run"
      else "$window" "$dir" >/dev/null 2>"$work/w.run"; fi
    done
    h=$(field analysis "$work/h.run"); w=$(field analysis "$work/w.run")
    echo "$h" >>"$work/h.analysis"; echo "$w" >>"$work/w.analysis"
    field "last frame" "$work/w.run" >>"$work/w.frame"
    field scan "$work/h.run" >>"$work/h.scan"
    field "window and scan" "$work/w.run" >>"$work/w.scan"
    awk -v w="$w" -v h="$h" 'BEGIN { print (h > 0 ? w / h : 1) }' >>"$work/ratio"
    echo "$shape round $r: headless $h s, window $w s" >&2
  done

  ratio=$(med "$work/ratio")
  verdict=ok
  if awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }'; then
    verdict="OVER $limit"
    failures=$((failures + 1))
  fi
  if [ "$rows" != same ]; then
    verdict="$verdict, lists differ"
    failures=$((failures + 1))
    diff "$work/h.out" "$work/w.out" | head -5 >&2 || true
  fi
  printf "$row_format" "$shape" "$files" "$(med "$work/h.analysis")" "$(med "$work/w.analysis")" \
    "$ratio" "$(med "$work/w.frame")" "$(med "$work/h.scan")" "$(med "$work/w.scan")" "$rows" "$verdict" >>"$summary"
done

echo
echo "Analysis (the click on \"Analizar\"), median seconds of $runs rounds, hot cache;"
echo "window/head is the median of the rounds' ratios. Last frame: the painting the"
echo "click leaves to the event loop, after it (not compared). Scan columns: the"
echo "headless scan, and the window's construction with its start-up scan (not compared)."
cat "$summary"
[ "$failures" -eq 0 ]
