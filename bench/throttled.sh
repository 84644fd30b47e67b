# The throttled rounds of compare.sh (--throttle IOPS,BPS); sourced by it
# after its helpers, not run. Many devices answer a fixed number of requests
# per second whatever the depth (a cloud disk with a quota, a USB stick, a
# share); the kernel's block throttle makes such a device steady here. Every
# tool runs from a shell in a cgroup v1 blkio group limited to IOPS read
# requests and BPS bytes per second on the disk that holds the corpora, from
# a dropped page cache, and is charged the read requests the group made
# while it ran. zelvo-floor's plain reading (the whole job, with the
# system's read-ahead, at its best thread count on this device) runs as one
# more tool: what a finder needs at least.

blkio=/sys/fs/cgroup/blkio
group="$blkio/zelvo-compare"
iops="${throttle%,*}"
bps="${throttle#*,}"

# The throttle applies to whole disks: a partition is charged to its disk.
disk_of() {
  local dev sys
  dev="$(stat -c '%Hd:%Ld' "$1")"
  sys="/sys/dev/block/$dev"
  [ -e "$sys" ] || return 1
  if [ -e "$sys/partition" ]; then cat "$(readlink -f "$sys")/../dev"; else echo "$dev"; fi
}

# Processes left in the group (a tool killed mid-run) go back to the root
# group, or the group could not be removed.
remove_group() {
  [ -d "$group" ] || return 0
  local pid
  while read -r pid; do echo "$pid" >"$blkio/cgroup.procs" 2>/dev/null || true; done <"$group/cgroup.procs"
  rmdir "$group" || echo "compare.sh: could not remove $group" >&2
}
trap 'remove_group; cleanup' EXIT

mkdir -p "$here/corpora"
if ! disk="$(disk_of "$here/corpora")"; then
  echo "compare.sh --throttle: $here/corpora is on no block device the throttle can limit" \
    "($(stat -c '%Hd:%Ld' "$here/corpora"), $(stat -f -c %T "$here/corpora"))" >&2
  exit 2
fi
mkdir -p "$group"
echo "$disk $iops" >"$group/blkio.throttle.read_iops_device"
echo "$disk $bps" >"$group/blkio.throttle.read_bps_device"
echo "throttle: $group, disk $disk ($(basename "$(readlink -f "/sys/dev/block/$disk")")), $iops read requests/s, $bps bytes/s" >&2

# The read requests the group made so far on the disk.
reads_done() { awk -v d="$disk" '$1 == d && $2 == "Read" { n = $3 } END { print n + 0 }' "$group/blkio.throttle.io_serviced"; }
# Runs a command from a shell that first joins the group; it leaves with it.
in_group() { (echo "$BASHPID" >"$group/cgroup.procs" && "$@"); }

tools=(zelvo floor $peers)
row_format='%-8s %7s %6s |'
header=(corpus files MiB)
for tool in "${tools[@]}"; do
  row_format+=' %9s %8s |'
  header+=("$tool" requests)
done
row_format+=' %7s %9s %7s\n'
header+=(z/floor zr/floor z/best)
summary="$work/summary"
notes="$work/notes"
printf "$row_format" "${header[@]}" >"$summary"
: >"$notes"
failures=0

for request in "${shapes[@]}"; do
  take_request "$request"
  [ "$(disk_of "$dir")" = "$disk" ] || {
    echo "compare.sh --throttle: $dir is not on the disk $disk" >&2
    exit 2
  }

  # What the floor must read is found outside the group, unthrottled; then
  # its plain reading picks, in the group, the best thread count for this
  # device (it drops the page cache before each count itself).
  "$floor" --write-plan "$plan" "$dir" >"$work/plan.out"
  in_group "$floor" --plan "$plan" --plain "$dir" >"$work/search.out"
  floor_threads=$(awk '$1 == "read" && $2 == "ahead:" { print $6 }' "$work/search.out")
  echo "$shape: the floor's plain reading: $(grep '^files:' "$work/plan.out" | cut -d' ' -f2-);" \
    "best with $floor_threads threads, by threads: $(awk '$1 == "threads" { printf "%s%s %s", n++ ? ", " : "", $2, $5 }' "$work/search.out")" >>"$notes"

  for tool in "${tools[@]}"; do : >"$work/$tool.times"; : >"$work/$tool.requests"; done
  : >"$work/ratio.floor"; : >"$work/ratio.rfloor"; : >"$work/ratio.best"
  for ((r = 1; r <= runs; r++)); do
    declare -A took=() asked=()
    for tool in "${tools[@]}"; do
      drop_cache_for "$tool"
      r0=$(reads_done)
      t0=$(micros)
      in_group run_tool "$tool" "$dir" "$work/$tool.run" ||
        echo "$shape: $tool failed or ran out of time in round $r; its time counts as it stands" >>"$notes"
      t1=$(micros)
      r1=$(reads_done)
      took[$tool]=$((t1 - t0))
      asked[$tool]=$((r1 - r0))
      echo "${took[$tool]}" >>"$work/$tool.times"
      echo "${asked[$tool]}" >>"$work/$tool.requests"
    done
    awk -v z="${took[zelvo]}" -v f="${took[floor]}" 'BEGIN { print z / f }' >>"$work/ratio.floor"
    awk -v z="${asked[zelvo]}" -v f="${asked[floor]}" 'BEGIN { print f ? z / f : 0 }' >>"$work/ratio.rfloor"
    best=""
    for peer in $peers; do
      [ -n "${took[$peer]:-}" ] && { [ -z "$best" ] || [ "${took[$peer]}" -lt "$best" ]; } && best="${took[$peer]}"
    done
    [ -n "$best" ] && awk -v z="${took[zelvo]}" -v b="$best" 'BEGIN { print z / b }' >>"$work/ratio.best"
    unset took asked
  done

  row=("$shape" "$(awk '$1 == "files:" { print $2 }' "$work/plan.out")" "$(du -sm --apparent-size "$dir" | cut -f1)")
  for tool in "${tools[@]}"; do
    row+=("$(secs "$tool")" "$(median <"$work/$tool.requests")")
  done
  zb="-"
  [ -s "$work/ratio.best" ] && zb=$(med "$work/ratio.best")
  row+=("$(med "$work/ratio.floor")" "$(med "$work/ratio.rfloor")" "$zb")
  printf "$row_format" "${row[@]}" | tee -a "$summary" >&2
  # The goal: no more requests than the floor's plain reading and 3 %.
  if awk -v r="$(med "$work/ratio.rfloor")" 'BEGIN { exit !(r > 1.03) }'; then
    echo "$shape: zelvo made $(med "$work/ratio.rfloor") × the floor's read requests (at most 1.03)" >>"$notes"
    failures=$((failures + 1))
  fi
done

echo
echo "Medians of $runs runs, COLD and THROTTLED: $iops read requests/s and $bps bytes/s on the disk $disk,"
echo "the page cache dropped before every run. Each tool: its whole run (seconds), then the read"
echo "requests its group made (blkio.throttle.io_serviced). floor: zelvo-floor's plain reading of the whole"
echo "job (listing, status, the unavoidable reads with the system's read-ahead) at its best thread count"
echo "here, from a plan found beforehand. z/floor, zr/floor: zelvo's time and requests to the floor's;"
echo "z/best: zelvo's time to the fastest peer's; medians of per-round ratios."
echo
cat "$summary"
echo
cat "$notes"
if [ "$failures" -gt 0 ]; then
  echo "FAILED: on $failures corpus(es) zelvo made more requests than the floor's plain reading and 3 %" >&2
  exit 1
fi
