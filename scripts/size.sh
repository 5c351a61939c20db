#!/usr/bin/env bash
# Where the bytes of the runtime image go: every package carries build/win32/setup.exe, so each of
# its bytes is paid on every download. Prints the image's sections, its resources (the gzip'd
# archive library and the uninstaller launcher) and, from the linkers' maps, the bytes per library
# and per module of setup.exe, 7-zip32.dll and uninst.exe. Ends non-zero when the image is over its
# goal. Usage: scripts/size.sh [build folder, default build/win32]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/win32}
goal=2500000
objdump=i686-w64-mingw32-objdump
grep -q 'pei-x86-64' <(x86_64-w64-mingw32-objdump -f "$dir/setup.exe" 2>/dev/null) && objdump=x86_64-w64-mingw32-objdump

for f in setup.exe 7-zip32.dll uninst.exe uninst.exe.gz setup.map sevenzip_dll.map uninst.map; do
  [ -f "$dir/$f" ] || { echo "size: $dir/$f is missing; build first (make win32)" >&2; exit 2; }
done

# One line "library<TAB>module<TAB>bytes" per input section with bytes in the image, from a GNU ld
# map. A long section name stands alone on its line, its address and size on the next.
map_sizes() {
  awk '
    function hex(s,   i, v) {
      v = 0; s = tolower(substr(s, 3))
      for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
      return v
    }
    /^Linker script and memory map/ { inmap = 1; next }
    !inmap { next }
    /^\.(debug|comment|stab)/ { skip = 1; next }
    /^[.A-Za-z]/ { skip = 0; next }
    skip { next }
    {
      line = $0
      if (pending != "") { line = pending " " line; pending = "" }
      n = split(line, f, " ")
      if (n == 1 && f[1] ~ /^\./) { pending = f[1]; next }
      if (n < 4 || f[1] !~ /^\./ || f[2] !~ /^0x/ || f[3] !~ /^0x/) next
      size = hex(f[3]); if (size == 0) next
      lib = f[4]; mod = f[4]
      if (match(lib, /\(.*\)$/)) { mod = substr(lib, RSTART + 1, RLENGTH - 2); lib = substr(lib, 1, RSTART - 1) }
      else if (lib == "dll") { lib = "(relocations)"; mod = "base relocations" }
      else lib = "(startup objects)"
      sub(/.*\//, "", lib); sub(/.*\//, "", mod)
      if (mod ~ /\.res$/) lib = "(resources)"
      else if (lib == "objects.a") lib = "(program)"
      sub(/\.(cpp|c|rc)\.(obj|res)$/, "", mod)
      printf "%s\t%s\t%d\n", lib, mod, size
    }' "$1"
}

kb() { awk -v b="$1" 'BEGIN { printf "%9.1f KB", b / 1000 }'; }

image=$(stat -c %s "$dir/setup.exe")
echo "Runtime image $dir/setup.exe: $(kb "$image")   goal at most $(kb $goal)   $(
  if [ "$image" -le $goal ]; then echo "met"; else echo "over by $(kb $((image - goal)))"; fi)"
echo
echo "Sections of setup.exe (bytes in the file)"
$objdump -h "$dir/setup.exe" | awk '$1 ~ /^[0-9]+$/ && $2 != ".bss" { print $2, $3 }' |
  while read -r name size; do printf "  %-10s %s\n" "$name" "$(kb $((16#$size)))"; done
echo
echo "Resources of setup.exe"
dll=$(stat -c %s "$dir/7-zip32.dll")
printf "  %-28s %s (gzip of %s)\n" "7-zip32.dll" "$(kb "$(stat -c %s "$dir/7-zip32.dll.gz")")" "$(kb "$dll")"
printf "  %-28s %s (gzip of %s, with its room)\n" "uninst.exe" "$(kb "$(stat -c %s "$dir/uninst.exe.gz")")" "$(kb "$(stat -c %s "$dir/uninst.exe")")"
echo
tables=$(mktemp)
trap 'rm -f "$tables"' EXIT
for pair in setup:setup.exe sevenzip_dll:7-zip32.dll uninst:uninst.exe; do
  map_sizes "$dir/${pair%%:*}.map" | sed "s/^/${pair#*:}\t/" >>"$tables"
done
echo "Bytes per library (code, data, unwind tables and resources as linked)"
awk -F'\t' '
  { sum[$2 "\t" $1] += $4; libs[$2] = 1; total[$1] += $4 }
  END {
    printf "  %-28s %12s %12s %12s\n", "library", "setup.exe", "7-zip32.dll", "uninst.exe"
    for (l in libs) {
      s = sum[l "\tsetup.exe"]; d = sum[l "\t7-zip32.dll"]; u = sum[l "\tuninst.exe"]
      printf "  %-28s %9.1f KB %9.1f KB %9.1f KB\n", l, s / 1000, d / 1000, u / 1000 | "sort -k2 -rn"
    }
    close("sort -k2 -rn")
    printf "  %-28s %9.1f KB %9.1f KB %9.1f KB\n", "total", total["setup.exe"] / 1000,
      total["7-zip32.dll"] / 1000, total["uninst.exe"] / 1000
  }' "$tables"
echo
for img in setup.exe 7-zip32.dll; do
  echo "Largest modules of $img"
  awk -F'\t' -v img="$img" '$1 == img { sum[$2 ": " $3] += $4 }
    END { for (m in sum) printf "  %9.1f KB  %s\n", sum[m] / 1000, m }' "$tables" | sort -rn | sed -n 1,25p
  echo
done
source scripts/bench_results.sh
result_set size "$(kb "$image" | tr -d ' ')" - "$(awk -v b="$image" 'BEGIN { printf "%.2f", b / 1e6 }')"
[ "$image" -le $goal ]
