#!/usr/bin/env bash
# Builds the libFuzzer entry points with clang and runs each for FUZZ_SECONDS (default 60) on a seed
# corpus: small archives made with 7zz, the demo's settings texts and a few command lines. Not part
# of `make test`; crashes are left in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ=build/fuzz
SECONDS_EACH=${FUZZ_SECONDS:-60}

CC=clang CXX=clang++ cmake -S . -B $FUZZ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQMB_FUZZ=ON -Wno-dev >/dev/null
cmake --build $FUZZ -j "$(nproc)" --target fuzz_archive_reader fuzz_command_line fuzz_settings_text fuzz_lzma_decoder >/dev/null

seeds=$FUZZ/seeds
if [ ! -d "$seeds" ]; then
  mkdir -p "$seeds"/{archive_reader,command_line,settings_text,lzma_decoder} "$FUZZ/sample"
  printf 'hello %.0s' {1..200} > "$FUZZ/sample/a.txt"
  head -c 3000 /dev/urandom > "$FUZZ/sample/b.bin"
  mkdir -p "$FUZZ/sample/dir"
  printf '%s' 'x "C:\a.7z" -hide -y "C:\out\" "a.txt" -p"pw" * -x!"b\c.txt" ' > "$seeds/command_line/engine"
  printf '%s' 'e a.7z out/ -x!*.bin -p' > "$seeds/command_line/flat"
  cp examples/demo/settings/*.ini "$seeds/settings_text/"
fi
# One small archive per method; made when missing, so a seed folder from before a method was added
# gets it too.
for opts in "-m0=Copy" "-m0=LZMA2" "-m0=LZMA -mf=BCJ" "-m0=Deflate" "-m0=LZMA2 -ppw -mhe=on" "-mf=BCJ2" \
    "-m0=PPMd" "-m0=PPMd:o=2:mem=64k" "-m0=BZip2" "-m0=Deflate64" "-mf=RISCV"; do
  seed="$seeds/archive_reader/$(echo "$opts" | tr -c 'a-zA-Z0-9' _).7z"
  [ -f "$seed" ] || 7zz a -bd -bso0 -t7z $opts "$seed" "$FUZZ/sample/"* >/dev/null
done

# Raw LZMA streams for the decoder's target: the packed stream of a one-file 7z archive with a plain
# header, behind the target's four bytes (properties 0x5D, the file's size - 1, piece sizes).
mkdir -p "$seeds/lzma_decoder"
for file in a.txt:04af b.bin:0bb7; do
  seed="$seeds/lzma_decoder/${file%%:*}"
  [ -f "$seed" ] && continue
  rm -f "$FUZZ/lzma_seed.7z"
  7zz a -bd -bso0 -t7z -m0=LZMA:d=64k -mhc=off "$FUZZ/lzma_seed.7z" "$FUZZ/sample/${file%%:*}" >/dev/null
  packed=$(od -An -t u8 -j 12 -N 8 "$FUZZ/lzma_seed.7z" | tr -d ' ')
  size=${file##*:}
  { printf "\\x5d\\x${size:0:2}\\x${size:2:2}\\x11"; tail -c +33 "$FUZZ/lzma_seed.7z" | head -c "$packed"; } >"$seed"
done

mkdir -p $FUZZ/findings
status=0
for name in archive_reader command_line settings_text lzma_decoder; do
  echo "fuzzing $name for ${SECONDS_EACH}s"
  mkdir -p "$FUZZ/corpus/$name"
  log=$FUZZ/$name.log
  if ! "$FUZZ/tests/fuzz/fuzz_$name" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$FUZZ/findings/$name-" "$FUZZ/corpus/$name" "$seeds/$name" >"$log" 2>&1; then
    echo "fuzz_$name failed; see $log"
    status=1
  fi
  grep -aE '^(Done|==|SUMMARY)' "$log" || true
done
ls $FUZZ/findings | grep -q . && { echo "findings in $FUZZ/findings"; exit 1; }
[ $status -eq 0 ] && echo "no crashes"
exit $status
