#!/bin/bash
# Archive library against 7zz on the same archives, in one run: sevenzip32 (our reader, its default
# threads) against `7zz x -mmt=1` and against `7zz x` (its default threads), best wall-clock time of
# three runs each. Archives: an LZMA2 + AES archive with encrypted headers, a Copy and a BZip2
# archive of ~100 MB of mixed text and pseudo-random binary files, a PPMd archive of its ~50 MB of
# text; a mixed tree (62 MB of text, 20 MB of random bytes and the machine's biggest shared
# libraries) as LZMA2 + AES with the BCJ filter on the libraries (two solid blocks) and without any
# filter (-mf=off), as Copy, and the libraries alone as one LZMA2 stream; the mixed tree and the
# libraries once more as 7zz writes them with four threads, as on an author's machine of four
# cores or more (streams whose dictionary resets between blocks, which both sides decode in
# parallel), and the libraries behind BCJ2 (as 7-Zip packs programs at its highest levels). Last, 7-zip32.dll of the Windows build under Wine against the native
# build on the mixed tree (the call alone is timed; skipped when BENCH_ONLY leaves mixed.7z out).
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

make_archive() {  # name, 7zz switches, data folder, folders (default: all)
  [ -f "$bench/$1" ] && return
  (cd "$3" && 7zz a -bd "$bench/$1" $2 -- ${4:-*} >/dev/null)
}

# The biggest shared libraries of the machine, up to 160 MB together.
make_mixed() {
  rm -rf "$mixed" && mkdir -p "$mixed/text" "$mixed/random" "$mixed/lib"
  awk 'BEGIN { srand(7); split("setup archive folder install value registry file window page \
    text progress volume header stream method filter entry password key data", w, " ");
    while (n < 62000000) { line = ""; for (k = 0; k < 12; k++) line = line w[int(rand() * 20) + 1] " ";
      line = line int(rand() * 100000); print line; n += length(line) + 1 } }' >"$mixed/text/words.txt"
  head -c 20000000 /dev/urandom >"$mixed/random/random.bin"
  local total=0 size file
  while read -r size file; do
    [ $((total + size)) -le 160000000 ] || continue
    cp "$file" "$mixed/lib/" && total=$((total + size))
  done < <(find /usr/lib -type f -name '*.so*' -size +4M -printf '%s %p\n' 2>/dev/null | sort -rn)
  touch "$mixed/.done"
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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

source scripts/bench_results.sh
mixed=$bench/mixed
# name, 7zz switches, data folder, folders (default: all); BENCH_ONLY="a.7z b.7z" picks some.
archives=(
  "lzma2_aes.7z|-m0=LZMA2 -mx=5 -p$password -mhe=on|$data"
  "copy.7z|-m0=Copy|$data"
  "ppmd.7z|-m0=PPMd|$data|text small"
  "bzip2.7z|-m0=BZip2|$data"
  "mixed.7z|-m0=LZMA2 -mx=5 -p$password -mhe=on|$mixed"
  "mixed_nofilter.7z|-m0=LZMA2 -mx=5 -mf=off -p$password -mhe=on|$mixed"
  "mixed_copy.7z|-m0=Copy|$mixed"
  "mixed_blocks.7z|-m0=LZMA2 -mx=5 -mmt=4 -p$password -mhe=on|$mixed"
  "binaries.7z|-m0=LZMA2 -mx=5 -mmt=2|$mixed|lib"
  "binaries_blocks.7z|-m0=LZMA2 -mx=5 -mmt=4|$mixed|lib"
  "binaries_bcj2.7z|-mf=BCJ2 -m0=LZMA -mx=5|$mixed|lib"
)
only=${BENCH_ONLY:-}
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '%-18s %7s %6s %10s %10s %10s %8s %8s\n' archive MB folders sevenzip32 "7zz -mmt1" 7zz "/-mmt1" "/7zz"
for row in "${archives[@]}"; do
  IFS='|' read -r archive switches folder parts <<<"$row"
  [ -z "$only" ] || [[ " $only " == *" $archive "* ]] || continue
  if [ "$folder" = "$data" ] && [ ! -f "$data/.done" ]; then
    echo "bench: making ~100 MB of test data in $data" >&2
    make_data
  fi
  [ "$folder" = "$data" ] || [ -f "$mixed/.done" ] || { echo "bench: making the mixed tree in $mixed" >&2; make_mixed; }
  [ -f "$bench/$archive" ] || echo "bench: making $archive (once)" >&2
  make_archive "$archive" "$switches" "$folder" "$parts"
  ours=$bench/out_ours ref=$bench/out_7zz
  ts=$(best_of "$ours" "$front" "x \"$bench/$archive\" -p\"$password\" -y -hide \"$ours/\"")
  t1=$(best_of "$ref" 7zz x -mmt=1 -y "-p$password" "-o$ref" "$bench/$archive")
  diff -rq "$ours" "$ref" >/dev/null || { echo "bench: $archive output differs from 7zz" >&2; exit 1; }
  tm=$(best_of "$ref" 7zz x -y "-p$password" "-o$ref" "$bench/$archive")
  folders=$(7zz l -slt "-p$password" "$bench/$archive" | awk -F' = ' '$1 == "Blocks" { print $2 }')
  printf '%-18s %7d %6s %9.2fs %9.2fs %9.2fs %8s %8s\n' "$archive" "$(du -sm "$ours" | cut -f1)" \
    "${folders:-1}" "$ts" "$t1" "$tm" "$(ratio "$ts" "$t1")" "$(ratio "$ts" "$tm")"
  rm -rf "$ours" "$ref"
  case $archive in
    mixed.7z) result_set mixed "${ts}s" "${t1}s" "$(ratio "$ts" "$t1")" ;;
    binaries.7z) result_set binaries "${ts}s" "${t1}s" "$(ratio "$ts" "$t1")" ;;
  esac
done
for folder in "$data" "$mixed"; do [ -d "$folder" ] && echo "data: $(du -sm "$folder" | cut -f1) MB in $folder"; done
echo "best of $runs runs each"
if [ -n "$only" ] && [[ " $only " != *" mixed.7z "* ]]; then
  echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi

# 7-zip32.dll under Wine (the build this machine runs, see scripts/windows-arch.sh) against the
# native build, both on the mixed tree; Wine reaches the archive through its Z: drive.
export WINEPREFIX=$bench/install/wineprefix-$(bash scripts/windows-arch.sh --way)
source tests/e2e/lib.sh
dll=$(windows_program 7-zip32.dll)
timed=$(windows_program e2e/sevenzip_timed_run.exe)
bash tests/e2e/make_prefix.sh
out=$bench/out_wine
winpath() { echo "Z:${1//\//\\}"; }
wine_best=
for _ in $(seq 1 "$runs"); do
  rm -rf "$out"
  t=$(wine "$(winpath "$timed")" "$(winpath "$dll")" \
    "x \"$(winpath "$bench/mixed.7z")\" -p\"$password\" -y -hide \"$(winpath "$out")\\\"" 2>"$bench/wine.err" | tr -d '\r' | tail -1) || t=
  [[ $t =~ ^[0-9.]+$ ]] || { cat "$bench/wine.err" >&2; echo "bench: 7-zip32.dll under Wine failed" >&2; exit 1; }
  if [ -z "$wine_best" ] || awk -v t="$t" -v b="$wine_best" 'BEGIN { exit !(t < b) }'; then wine_best=$t; fi
done
diff -rq -x .done "$out" "$mixed" >/dev/null || { echo "bench: 7-zip32.dll output differs" >&2; exit 1; }
rm -rf "$out"
native_best=$(best_of "$bench/out_ours" "$front" "x \"$bench/mixed.7z\" -p\"$password\" -y -hide \"$bench/out_ours/\"")
rm -rf "$bench/out_ours"
printf '\n%-40s %9.2fs\n' "sevenzip32 (native) on mixed.7z" "$native_best"
printf '%-40s %9.2fs  (%s x native)\n' "7-zip32.dll under Wine ($QMB_E2E_WAY)" "$wine_best" "$(ratio "$wine_best" "$native_best")"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
