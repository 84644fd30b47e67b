# Helpers shared by the benchmark scripts; sourced, not run. The caller sets
# here (the bench/ folder), corpus (the zelvo-corpus program), seed and, for
# named corpora, prefix.

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# The first word after "KEY: " in a file of such lines.
field() { awk -F': ' -v k="$1" '$1 == k { split($2, a, " "); print a[1] }' "$2"; }
med() { median <"$1" | awk '{ printf "%.3f", $1 }'; }
warm() { find "$1" -maxdepth 1 -type f -exec cat {} + >/dev/null; }

corpus_dir() { echo "$here/corpora/${prefix:-}$1-seed$seed-scale$2"; }
# Corpora are kept between runs; the marker beside a folder says it was
# written whole (a marker inside would be one more file to compare).
ensure_corpus() {
  local dir; dir="$(corpus_dir "$1" "$2")"
  mkdir -p "$here/corpora"
  if [ ! -e "$dir.ready" ]; then
    echo "generating $1 (scale $2) into $dir; free space: $(df -h --output=avail "$here/corpora" | tail -1 | tr -d ' ')" >&2
    rm -rf "$dir"
    "$corpus" --shape "$1" --folder "$dir" --seed "$seed" --scale "$2" >&2
    touch "$dir.ready"
  fi
}
# A request "SHAPE" or "SHAPE:SCALE": sets shape, shape_scale and dir, the
# corpus written if need be.
take_request() {
  shape="${1%%:*}"
  shape_scale="$scale"
  [[ "$1" == *:* ]] && shape_scale="${1#*:}"
  ensure_corpus "$shape" "$shape_scale"
  dir="$(corpus_dir "$shape" "$shape_scale")"
}
