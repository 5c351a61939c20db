#!/usr/bin/env bash
# Profiles the LZMA decoder as the shipped 32-bit build compiles it, and against the reference
# decoder, on a machine that may not execute 32-bit programs at all:
# - instructions per decoded byte, counted under QEMU's user-mode emulation by a plugin of ours
#   (scripts/profile_lzma32/insn_count.c), for an i686 build compiled with the code generation of
#   the mingw i686 target and for the x86-64 build, with the hottest source lines;
# - time, natively, of the x86-64 build and of one restricted to the eight registers of i686
#   (r8 to r15 reserved), the nearest this machine comes to timing the 32-bit code.
# The stream: LZMA (16 MiB dictionary) of the machine's biggest shared libraries, the payload our
# users ship most.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh profile32

out=build/profile32
src=scripts/profile_lzma32
mkdir -p "$out"
runs=${PROFILE_RUNS:-5}

if [ ! -f "$out/libs64.lzma" ]; then
  echo "profile: packing 64 MB of shared libraries (once)" >&2
  rm -f "$out/libs64"
  total=0
  while read -r size file; do  # whole libraries up to 64 MB, then cut to exactly that
    [ "$total" -lt 64000000 ] || break
    cat "$file" >>"$out/libs64" && total=$((total + size))
  done < <(find /usr/lib -type f -name '*.so*' -size +4M -printf '%s %p\n' 2>/dev/null | sort -rn)
  truncate -s 64000000 "$out/libs64"
  head -c 24000000 "$out/libs64" >"$out/libs24"
  for n in 24 64; do xz --format=lzma --lzma1=preset=6,dict=16MiB -c "$out/libs$n" >"$out/libs$n.lzma"; done
  rm -f "$out/libs24" "$out/libs64"
fi

# gcc for Linux i686 differs from the mingw i686 target in these defaults, which decide how many
# branches become conditional moves and how many registers are free; the same -O3 as Release.
m32="-m32 -march=pentiumpro -fno-pie -no-pie -mbranch-cost=3 -malign-double -freg-struct-return"
fixed="-ffixed-r8 -ffixed-r9 -ffixed-r10 -ffixed-r11 -ffixed-r12 -ffixed-r13 -ffixed-r14 -ffixed-r15"
sources=("$src/lzma_profile.cpp" src/archive/lzma_decoder.cpp -x c /usr/include/lzma/LzmaDec.c)
flags=(-O3 -g -Isrc -I/usr/include/lzma -D_7ZIP_ST)
gcc -shared -fPIC -O2 -fvisibility=hidden -o "$out/insn_count.so" "$src/insn_count.c"
g++ $m32 -static "${flags[@]}" -o "$out/lzma_i686" "${sources[@]}"
g++ -static "${flags[@]}" -o "$out/lzma_x86_64" "${sources[@]}"
g++ $fixed "${flags[@]}" -o "$out/lzma_8regs" "${sources[@]}"

stream=$out/libs24.lzma
bytes=24000000
echo "LZMA decoder: instructions per decoded byte on 24 MB of shared libraries (QEMU, counted)"
printf '%-10s %10s %10s\n' build ours reference
for arch in i686 x86_64; do
  qemu=qemu-$([ $arch = i686 ] && echo i386 || echo x86_64)
  for decoder in ours reference; do
    "$qemu" -plugin "$out/insn_count.so" "$out/lzma_$arch" $decoder "$stream" >"$out/$arch-$decoder.out" \
      2>"$out/$arch-$decoder.insn"
    grep -q '^ok' "$out/$arch-$decoder.out" || { cat "$out/$arch-$decoder.out" >&2; exit 1; }
  done
  printf '%-10s %10s %10s\n' $arch \
    "$(awk -v b=$bytes '/^insn/ { s += $3 } END { printf "%.1f", s / b }' "$out/$arch-ours.insn")" \
    "$(awk -v b=$bytes '/^insn/ { s += $3 } END { printf "%.1f", s / b }' "$out/$arch-reference.insn")"
done

echo "hottest source lines of ours, i686 (share of its instructions):"
awk '/^insn/ { print $2, $3 }' "$out/i686-ours.insn" | head -300 >"$out/blocks"
cut -d' ' -f1 "$out/blocks" | sed 's/^/0x/' | addr2line -e "$out/lzma_i686" | sed "s|^$PWD/||" |
  paste -d' ' "$out/blocks" - |
  awk '{ n[$3] += $2; t += $2 } END { for (l in n) printf "%6.1f%%  %s\n", 100 * n[l] / t, l }' | sort -rn | head -8

echo "time on 64 MB, natively (best of $runs alternating runs):"
declare -A best
for _ in $(seq 1 "$runs"); do
  for build in x86_64 8regs; do
    for decoder in ours reference; do
      t0=$(date +%s%N)
      "$out/lzma_$build" $decoder "$out/libs64.lzma" >/dev/null
      t=$((($(date +%s%N) - t0) / 1000000))
      key="$build $decoder"
      if [ -z "${best[$key]:-}" ] || [ "$t" -lt "${best[$key]}" ]; then best[$key]=$t; fi
    done
  done
done
printf '%-34s %8s %10s\n' build ours reference
printf '%-34s %6s ms %7s ms\n' "x86-64" "${best[x86_64 ours]}" "${best[x86_64 reference]}"
printf '%-34s %6s ms %7s ms\n' "x86-64 with the registers of i686" "${best[8regs ours]}" "${best[8regs reference]}"
