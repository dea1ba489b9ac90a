#!/usr/bin/env bash
# Builds the benchmarks in Release, runs every figure and prints the table; the same table goes to
# bench/RESULTS.md. Not part of the test run.
#
#   bash bench/run.sh                 # build folder build-bench beside bench/
#   BUILD_DIR=/tmp/b REPS=5 bash bench/run.sh
#   BASE_BIN=/path/to/older/build/bin bash bench/run.sh   # adds that build's flood, run in turn with this one
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build-bench}"
REPS="${REPS:-5}"            # runs of each whole-program figure; the median is reported
SCAN_REPS="${SCAN_REPS:-3}"  # a scan of 127 panels takes about 13 s
export QT_QPA_PLATFORM=offscreen
bash "$ROOT/scripts/install-deps.sh"

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_BENCH=ON -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target orv_perf app_bench panels_bench sevenseg_bench controller-sim orvctl >/dev/null
BIN="$BUILD/bin"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

# Google Benchmark: the median of its repetitions, in microseconds.
gbench() {  # exe filter
  "$BIN/$1" --benchmark_filter="$2" --benchmark_format=json 2>/dev/null |
    jq -r '[.benchmarks[] | select(.aggregate_name == "median")][0] |
           (if .time_unit == "ms" then .real_time * 1000 elif .time_unit == "ns" then .real_time / 1000
            else .real_time end)'
}

# The whole-program driver: every RESULT line of each run, one file per key.
drive() {  # runs mode [args]
  local runs=$1; shift
  for _ in $(seq "$runs"); do
    "$BIN/orv_perf" "$@" | awk -v dir="$OUT" '$1 == "RESULT" { print $3 >> (dir "/" $2) }'
  done
}
# The flood of an older build, each of its runs beside one of this build's, so both see the same load.
drive_flood_beside_base() {
  for _ in $(seq "$REPS"); do
    "$BASE_BIN/orv_perf" flood | awk -v dir="$OUT" '$1 == "RESULT" { print $3 >> (dir "/base_" $2) }'
    drive 1 flood
  done
}
median() { sort -g "$OUT/$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
echo "running (load average $load_before) ..." >&2
drive "$SCAN_REPS" scan
mv "$OUT/scan_overhead_pct" "$OUT/scan_overhead_pct_inproc"
mv "$OUT/scan_ms" "$OUT/scan_ms_inproc"
drive "$SCAN_REPS" scan --sim "$BIN/controller-sim"
if [[ -n "${BASE_BIN:-}" ]]; then drive_flood_beside_base; else drive "$REPS" flood; fi
drive "$SCAN_REPS" orvctl "$BIN/orvctl"
drive "$REPS" wait
drive "$REPS" startup
reply_us="$(gbench app_bench BM_StatusReplyEndToEnd)"
bare_us="$(gbench app_bench BM_BareSocketRoundTrip)"
build_us="$(gbench panels_bench BM_BuildStatusList)"
caption_us="$(gbench sevenseg_bench BM_CaptionChangePaint)"
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

row() {  # figure target measured verdict
  printf '| %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4"
}
check() { awk -v v="$1" -v t="$3" 'BEGIN { print (("'"$2"'" == "<") ? (v < t) : (v >= t)) ? "met" : "**missed**" }'; }
fmt() { printf "%.${2:-1}f" "$1"; }

{
  echo "# Benchmark results"
  echo
  echo "Release build, offscreen platform, $(nproc) cores; load average $load_before before, $load_after after."
  echo "Medians of $SCAN_REPS scans, $REPS runs of the other whole-program figures, 5 to 7 repetitions of each"
  echo "in-process benchmark. Produced by \`bash bench/run.sh\` on $(date -u +%Y-%m-%d)."
  echo
  echo "| figure | target | median | |"
  echo "|---|---|---|---|"
  v=$(median scan_overhead_pct_inproc)
  row "scan of 127 panels, in-process simulator: overhead over 127 x 100 ms ($(fmt "$(median scan_ms_inproc)" 0) ms)" \
      "under 0.5 %" "$(fmt "$v" 2) %" "$(check "$v" "<" 0.5)"
  v=$(median scan_overhead_pct)
  row "scan of 127 panels, controller-sim process: overhead over 127 x 100 ms ($(fmt "$(median scan_ms)" 0) ms)" \
      "under 0.5 %" "$(fmt "$v" 2) %" "$(check "$v" "<" 0.5)"
  v=$(median orvctl_scan_overhead_pct)
  row "\`orvctl scan\` of 127 panels, process start to exit: overhead over 127 x 100 ms ($(fmt "$(median orvctl_scan_ms)" 0) ms)" \
      "under 0.2 %" "$(fmt "$v" 2) %" "$(check "$v" "<" 0.2)"
  row "one status reply end to end, 127 panels listed (socket, log, table, control area, list, tuner displays, paints)" \
      "under 150 us" "$(fmt "$reply_us") us" "$(check "$reply_us" "<" 150)"
  row "reference: the same reply's bytes over a bare loopback socket round trip" "-" "$(fmt "$bare_us") us" "-"
  v=$(awk -v r="$reply_us" -v b="$bare_us" 'BEGIN { print r / b }')
  row "one status reply end to end, over the bare round trip" "within 3 x" "$(fmt "$v") x" "$(check "$v" "<" 3)"
  v=$(median flood_replies_per_s)
  row "flood of 100 000 status replies: replies handled per second" "1 070 000/s or more" "$(fmt "$v" 0)/s" \
      "$(check "$v" ">=" 1070000)"
  if [[ -n "${BASE_BIN:-}" ]]; then
    row "the same flood, older build in BASE_BIN, run in turn with this one" "-" \
        "$(fmt "$(median base_flood_replies_per_s)" 0)/s, longest stall $(fmt "$(median base_flood_max_stall_ms)") ms" "-"
  fi
  v=$(median flood_max_stall_ms)
  row "flood of 100 000 status replies: longest event-loop stall" "under 20 ms" "$(fmt "$v") ms" "$(check "$v" "<" 20)"
  v=$(awk '{ print $1 / 1000 }' <<<"$build_us")
  row "building the status list for 127 panels" "under 100 ms" "$(fmt "$v") ms" "$(check "$v" "<" 100)"
  v=$(median wait_cpu_pct)
  row "processor time during a 5 s reply wait" "under 1 % of one core" "$(fmt "$v" 3) %" "$(check "$v" "<" 1)"
  v=$(median startup_in_process_ms)
  row "start-up to the main window's first paint (from main)" "under 300 ms" "$(fmt "$v") ms" "$(check "$v" "<" 300)"
  v=$(median startup_process_total_ms)
  row "start-up to the first paint, process start to exit included" "under 300 ms" "$(fmt "$v") ms" \
      "$(check "$v" "<" 300)"
  v=$(median rss_mib)
  row "resident memory after scanning 127 panels" "under 80 MB" "$(fmt "$v") MiB" "$(check "$v" "<" 80)"
  row "a seven-segment caption change, paint included" "under 50 us" "$(fmt "$caption_us" 2) us" \
      "$(check "$caption_us" "<" 50)"
} | tee "$ROOT/bench/RESULTS.md"
