#!/usr/bin/env bash
# Builds the benchmarks in Release, runs every figure and prints the table; the same table replaces
# the one between the markers in bench/RESULTS.md (the notes around it stay). Not part of the test run.
#
#   bash bench/run.sh                 # build folder build-bench beside bench/
#   BUILD_DIR=/tmp/b REPS=5 bash bench/run.sh
#   BASE_BIN=/path/to/older/build/bin bash bench/run.sh   # adds a "before" column: that build's
#                                                          # figures, each run in turn with this one's
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-bench}"
REPS="${REPS:-5}"            # runs of each whole-program figure; the median is reported
SCAN_REPS="${SCAN_REPS:-3}"  # a scan of 127 panels takes about 13 s
BASE="${BASE_BIN:-}"
RESULTS="$ROOT/bench/RESULTS.md"
export QT_QPA_PLATFORM=offscreen
bash "$ROOT/scripts/install-deps.sh"

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_BENCH=ON -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target orv_perf app_bench panels_bench sevenseg_bench controller-sim orvctl >/dev/null
BIN="$BUILD/bin"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

# One run of the whole-program driver of the build in `dir`; each RESULT line goes to a file per
# key, named with `prefix`. "@BIN@" in the arguments stands for that build's folder. An older
# build without the mode prints nothing, and its figure shows as "-".
drive_one() {  # dir prefix mode [args]
  local dir=$1 prefix=$2
  shift 2
  local args=("${@//@BIN@/$dir}")
  "$dir/orv_perf" "${args[@]}" 2>/dev/null |
    awk -v out="$OUT" -v p="$prefix" '$1 == "RESULT" { print $3 >> (out "/" p $2) }' || true
}
# Each run of the older build right before this build's, so both see the same load.
drive() {  # runs mode [args]
  local runs=$1
  shift
  for _ in $(seq "$runs"); do
    if [[ -n "$BASE" ]]; then drive_one "$BASE" base_ "$@"; fi
    drive_one "$BIN" "" "$@"
  done
}
rename() {  # key new-key, for both builds
  for p in "" base_; do
    if [[ -f "$OUT/$p$1" ]]; then mv "$OUT/$p$1" "$OUT/$p$2"; fi
  done
}
# Google Benchmark: the median of its repetitions, in microseconds, into the key's file.
gbench() {  # exe filter key
  for side in base_ ""; do
    local dir="$BIN"
    if [[ $side == base_ ]]; then
      [[ -n "$BASE" ]] || continue
      dir="$BASE"
    fi
    "$dir/$1" --benchmark_filter="$2" --benchmark_format=json 2>/dev/null |
      jq -r '[.benchmarks[] | select(.aggregate_name == "median")][0] // empty |
             (if .time_unit == "ms" then .real_time * 1000 elif .time_unit == "ns" then .real_time / 1000
              else .real_time end)' >"$OUT/$side$3" || true
    [[ -s "$OUT/$side$3" ]] || rm -f "$OUT/$side$3"
  done
}

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
echo "running (load average $load_before) ..." >&2
drive "$SCAN_REPS" scan
rename scan_overhead_pct scan_overhead_pct_inproc
rename scan_ms scan_ms_inproc
rename rss_mib rss_mib_inproc
drive "$SCAN_REPS" scan --sim @BIN@/controller-sim
drive "$SCAN_REPS" orvctl @BIN@/orvctl
drive "$REPS" flood
drive "$REPS" wait
drive "$REPS" startup
gbench app_bench BM_StatusReplyEndToEnd reply_us
gbench app_bench BM_BareSocketRoundTrip bare_us
gbench panels_bench BM_BuildStatusList build_us
gbench sevenseg_bench BM_CaptionChangePaint caption_us
for p in "" base_; do
  if [[ -f "$OUT/${p}reply_us" && -f "$OUT/${p}bare_us" ]]; then
    awk 'NR == FNR { r = $1; next } { print r / $1 }' "$OUT/${p}reply_us" "$OUT/${p}bare_us" >"$OUT/${p}reply_over_bare"
  fi
  if [[ -f "$OUT/${p}build_us" ]]; then awk '{ print $1 / 1000 }' "$OUT/${p}build_us" >"$OUT/${p}build_ms"; fi
done
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

# The median of a key's values, or nothing when it has none.
median() {
  [[ -f "$OUT/$1" ]] || return 0
  sort -g "$OUT/$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
shown() {  # key digits unit: the median, formatted, or "-"
  local v
  v="$(median "$1")"
  if [[ -z "$v" ]]; then echo "-"; else printf "%.${2}f%s" "$v" "$3"; fi
}
# figure target key digits unit comparison limit: one row, this build's median checked against the limit
row() {
  local v verdict="-"
  v="$(median "$3")"
  if [[ -n "$v" && -n "$6" ]]; then
    verdict=$(awk -v v="$v" -v t="$7" -v op="$6" 'BEGIN { print ((op == "<") ? (v < t) : (v >= t)) ? "met" : "**missed**" }')
  fi
  printf '| %s | %s | %s | %s | %s |\n' "$1" "$2" "$(shown "base_$3" "$4" "$5")" "$(shown "$3" "$4" "$5")" "$verdict"
}

table() {
  echo "Release build, offscreen platform, $(nproc) cores; load average $load_before before, $load_after after."
  echo "Medians of $SCAN_REPS scans, $REPS runs of the other whole-program figures, 5 to 7 repetitions of each"
  echo "in-process benchmark. Produced by \`bash bench/run.sh\` on $(date -u +%Y-%m-%d)$(
    [[ -n "$BASE" ]] && echo "; \"before\" is the build in BASE_BIN, each of its runs in turn with this build's")."
  echo
  echo "| figure | target | before | after | |"
  echo "|---|---|---|---|---|"
  row "scan of 127 panels, in-process simulator: overhead over 127 x 100 ms" "under 0.5 %" \
      scan_overhead_pct_inproc 2 " %" "<" 0.5
  row "scan of 127 panels, controller-sim process: overhead over 127 x 100 ms" "under 0.5 %" \
      scan_overhead_pct 2 " %" "<" 0.5
  row "\`orvctl scan\` of 127 panels, process start to exit: overhead over 127 x 100 ms" "under 0.2 %" \
      orvctl_scan_overhead_pct 2 " %" "<" 0.2
  row "one status reply end to end, 127 panels listed (socket, log, table, control area, list, tuner displays, paints)" \
      "under 150 us" reply_us 1 " us" "<" 150
  row "reference: the same reply's bytes over a bare loopback socket round trip" "-" bare_us 1 " us" "" ""
  row "one status reply end to end, over the bare round trip" "within 3 x" reply_over_bare 1 " x" "<" 3
  row "flood of 100 000 status replies: replies handled per second" "1 070 000/s or more" \
      flood_replies_per_s 0 "/s" ">=" 1070000
  row "flood of 100 000 status replies: longest event-loop stall" "under 20 ms" flood_max_stall_ms 1 " ms" "<" 20
  row "building the status list for 127 panels" "under 100 ms" build_ms 1 " ms" "<" 100
  row "processor time during a 5 s reply wait" "under 1 % of one core" wait_cpu_pct 3 " %" "<" 1
  row "start-up to the main window's first paint (from main)" "under 300 ms" startup_in_process_ms 1 " ms" "<" 300
  row "start-up to the first paint, process start to exit included" "under 300 ms" \
      startup_process_total_ms 1 " ms" "<" 300
  row "resident memory after scanning 127 panels" "under 80 MB" rss_mib_inproc 1 " MiB" "<" 80
  row "a seven-segment caption change, paint included" "under 50 us" caption_us 2 " us" "<" 50
}

table >"$OUT/table.md"
cat "$OUT/table.md"
# The table goes between the markers; without them, the file is the table alone.
begin='<!-- table: bench/run.sh writes from here -->'
end='<!-- table end -->'
if grep -qF "$begin" "$RESULTS" 2>/dev/null && grep -qF "$end" "$RESULTS"; then
  awk -v b="$begin" -v e="$end" -v t="$OUT/table.md" '
    $0 == b { print; while ((getline l < t) > 0) print l; skip = 1; next }
    $0 == e { skip = 0 }
    !skip { print }' "$RESULTS" >"$OUT/results.md"
  cp "$OUT/results.md" "$RESULTS"
else
  { echo "# Benchmark results"; echo; echo "$begin"; cat "$OUT/table.md"; echo "$end"; } >"$RESULTS"
fi
