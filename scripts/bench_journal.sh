#!/bin/bash
# The install journal's cost on the bench install's payload (~500 MB, ~2100 files, made by
# scripts/bench_install.sh): the payload packed as the package packs it (LZMA2, AES, names hidden)
# and unpacked natively over the host platform with and without the journal recording, and the
# journal's calls for those files replayed alone (tests/bench/journal_bench.cpp), five repetitions
# each (BENCH_RUNS), interleaved at random, best CPU time of the whole process (every thread of the
# unpacking) and best wall-clock time. On a shared machine a 500 MB unpacking wanders by more than
# the journal costs, so the figure held against the goal is the replayed journal's CPU time added
# to the unpacking's: the journal adds at most 5 % to the unpacking, and so less still to a whole
# install, which costs more than the unpacking alone.
set -euo pipefail
cd "$(dirname "$0")/.."

native=${QMB_NATIVE_DIR:-build/native}
program=$native/tests/journal_bench
[ -x "$program" ] || { echo "bench: $program is missing (Google Benchmark); run make build" >&2; exit 1; }
source scripts/bench_results.sh
payload=$PWD/build/bench/install/project/payload
[ -f "$PWD/build/bench/install/project/.done" ] ||
  { echo "bench: no bench payload; scripts/bench_install.sh makes it" >&2; exit 1; }
bench=$PWD/build/bench/journal
# The host platform unpacks below TMPDIR. On a tmpfs the unpacking wanders less from run to run than
# on a disk, whose file system may look over the inodes the previous repetition freed for every
# file it creates.
if [ -z "${TMPDIR:-}" ] && [ "$(df --output=avail -k /dev/shm 2>/dev/null | tail -1)" -gt 2000000 ] 2>/dev/null; then
  export TMPDIR=/dev/shm
fi
password='bench journal'
mkdir -p "$bench"
if [ ! -f "$bench/payload.7z" ] || [ "$payload" -nt "$bench/payload.7z" ]; then
  echo "bench: packing the install payload for the journal bench (7zz, once)" >&2
  rm -f "$bench/payload.7z"
  (cd "$payload" && 7zz a -bd -mhe=on "-p$password" "$bench/payload.7z" -- * >/dev/null)
fi

"$program" "$bench/payload.7z" "$password" --benchmark_repetitions="${BENCH_RUNS:-5}" \
  --benchmark_min_time=0.1 --benchmark_enable_random_interleaving=true \
  --benchmark_format=json --benchmark_out="$bench/result.json" --benchmark_out_format=json >/dev/null
best_times() {  # the best CPU and wall-clock seconds of each run, as six numbers
  python3 - "$bench/result.json" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
best = {}
for run in runs:
    if run.get("run_type") != "iteration":
        continue
    for clock in ("cpu_time", "real_time"):
        key = (run["run_name"].split("/")[0], clock)
        best[key] = min(best.get(key, float("inf")), run[clock] / 1000.0)
print(" ".join(f"{best[(name, clock)]:.3f}" for clock in ("cpu_time", "real_time")
               for name in ("unpack_without_journal", "unpack_with_journal", "journal_alone")))
PY
}
read -r without with alone wall_without wall_with wall_alone < <(best_times)
figure=$(awk -v a="$alone" -v b="$without" 'BEGIN { printf "%.3f", (a + b) / b }')
printf '\n%-36s %12s %12s\n' "journal on $(find "$payload" -type f | wc -l) files" "CPU seconds" "wall seconds"
printf '%-36s %11.3fs %11.3fs\n' "unpacking without the journal" "$without" "$wall_without"
printf '%-36s %11.3fs %11.3fs\n' "unpacking with the journal" "$with" "$wall_with"
printf '%-36s %11.3fs %11.3fs\n' "the journal's calls alone" "$alone" "$wall_alone"
printf '%-36s %12.3f  (goal: at most 1.05)\n' "(unpacking + journal) / unpacking" "$figure"
result_set journal "$(awk -v a="$alone" -v b="$without" 'BEGIN { printf "%.3f", a + b }')s" "${without}s" "$figure"
