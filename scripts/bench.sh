#!/bin/bash
# Archive library against 7zz on the same archives: sevenzip32 (our reader, one thread) and
# `7zz x -mmt=1`, best wall-clock time of three runs each, on an LZMA2 + AES archive with encrypted
# headers, a Copy and a BZip2 archive of ~100 MB of mixed text and pseudo-random binary files, and
# a PPMd archive of its ~50 MB of text (the payloads PPMd is chosen for).
# The data and archives live in build/bench and are made once.
set -euo pipefail
cd "$(dirname "$0")/.."

native=${QMB_NATIVE_DIR:-build/native}
front=$native/sevenzip32
[ -x "$front" ] || { echo "bench: $front is missing; run make native first" >&2; exit 1; }
bench=$PWD/build/bench
data=$bench/data
password=bench-secret
runs=${BENCH_RUNS:-3}

make_data() {
  rm -rf "$data" && mkdir -p "$data/text" "$data/bin" "$data/small"
  for i in $(seq 1 20); do  # 20 x 2.5 MB of word-like text
    awk -v seed="$i" 'BEGIN { srand(seed); split("setup archive folder install value registry file \
      window page text progress volume header stream method filter entry password key data", w, " ");
      while (n < 2500000) { line = ""; for (k = 0; k < 12; k++) line = line w[int(rand() * 20) + 1] " ";
        line = line int(rand() * 100000); print line; n += length(line) + 1 } }' >"$data/text/t$i.txt"
  done
  for i in $(seq 1 10); do  # 10 x 5 MB of pseudo-random bytes
    head -c 5000000 /dev/urandom >"$data/bin/b$i.bin"
  done
  for i in $(seq 1 200); do head -c $((i * 97)) "$data/text/t1.txt" >"$data/small/s$i.txt"; done
  touch "$data/.done"
}

make_archive() {  # name, 7zz switches, folders (default: all)
  [ -f "$bench/$1" ] && return
  (cd "$data" && 7zz a -bd "$bench/$1" $2 -- ${3:-text bin small} >/dev/null)
}

seconds() {  # command...: wall-clock seconds of one run
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

best_of() {  # output folder, command...
  local out=$1 best= t
  shift
  for _ in $(seq 1 "$runs"); do
    rm -rf "$out"
    t=$(seconds "$@")
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

[ -f "$data/.done" ] || { echo "bench: making ~100 MB of test data in $data" >&2; make_data; }
make_archive lzma2_aes.7z "-m0=LZMA2 -mx=5 -p$password -mhe=on"
make_archive copy.7z "-m0=Copy"
make_archive ppmd.7z "-m0=PPMd" "text small"
make_archive bzip2.7z "-m0=BZip2"

printf '%-12s %10s %10s %8s\n' archive sevenzip32 "7zz -mmt1" ratio
for archive in lzma2_aes.7z copy.7z ppmd.7z bzip2.7z; do
  ours=$bench/out_ours ref=$bench/out_7zz
  ts=$(best_of "$ours" "$front" "x \"$bench/$archive\" -p\"$password\" -y -hide \"$ours/\"")
  tr=$(best_of "$ref" 7zz x -mmt=1 -y "-p$password" "-o$ref" "$bench/$archive")
  diff -rq "$ours" "$ref" >/dev/null || { echo "bench: $archive output differs from 7zz" >&2; exit 1; }
  printf '%-12s %9.2fs %9.2fs %8.2f\n' "$archive" "$ts" "$tr" "$(awk -v a="$ts" -v b="$tr" 'BEGIN { print a / b }')"
  rm -rf "$ours" "$ref"
done
size=$(du -sm "$data" | cut -f1)
echo "data: ${size} MB in $(find "$data" -type f | wc -l) files; best of $runs runs each"
