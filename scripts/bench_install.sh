#!/bin/bash
# A whole background install under Wine against the plain extraction of the same payload: a package
# whose payload is ~500 MB of mixed files (compressible text, incompressible binaries, a few thousand
# small files), installed with `setup.exe -hp` (start-up included: archive library, settings,
# extraction, the install steps, process end), beside `sevenzip32 x` of the package's own payload
# archive, natively, in the same run. The goal: the install costs at most 1.3 times the extraction.
# Data, package and Wine prefix live in build/bench/install and are made once.
set -euo pipefail
cd "$(dirname "$0")/.."

native=${QMB_NATIVE_DIR:-build/native}
front=$native/sevenzip32
mkpackage=$native/mkpackage
for f in "$front" "$mkpackage"; do
  [ -x "$f" ] || { echo "bench: $f is missing; run make build first" >&2; exit 1; }
done
bench=$PWD/build/bench/install
runs=${BENCH_RUNS:-3}
password='bench install'
export WINEPREFIX=$bench/wineprefix-$(bash scripts/windows-arch.sh --way)
source tests/e2e/lib.sh
source scripts/bench_results.sh
runtime=$(windows_program setup.exe)

make_data() {
  local data=$bench/project/payload
  rm -rf "$bench/project" && mkdir -p "$data/text" "$data/bin" "$data/small" "$bench/project/settings"
  for i in $(seq 1 40); do  # 40 x 5 MB of word-like text
    awk -v seed="$i" 'BEGIN { srand(seed); split("setup archive folder install value registry file \
      window page text progress volume header stream method filter entry password key data", w, " ");
      while (n < 5000000) { line = ""; for (k = 0; k < 12; k++) line = line w[int(rand() * 20) + 1] " ";
        line = line int(rand() * 100000); print line; n += length(line) + 1 } }' >"$data/text/t$i.txt"
  done
  for i in $(seq 1 50); do head -c 5000000 /dev/urandom >"$data/bin/b$i.bin"; done  # 250 MB
  for i in $(seq 1 2000); do  # 2000 small files, 50 MB
    dd if="$data/text/t$((i % 40 + 1)).txt" of="$data/small/s$i.txt" bs=1000 skip="$i" count=25 \
      status=none
  done
  printf '[禾木软件安装配置]\r\n禾木软件名称=Bench\r\n软件版本=1.0\r\n安装位置=C:\\bench\\App\r\nsafe=%s\r\n是否生成卸载程序=1\r\n选择框_优先二次路径=假\r\n[安装包命令行]\r\np=/D\r\n' \
    "$password" >"$bench/project/settings/data.ini"
  touch "$bench/project/.done"
}

[ -f "$bench/project/.done" ] || { echo "bench: making ~500 MB of payload in $bench/project" >&2; make_data; }
if [ ! -f "$bench/setup.exe" ] || [ "$runtime" -nt "$bench/setup.exe" ]; then
  echo "bench: packing the payload (7zz, once per runtime build)" >&2
  "$mkpackage" --runtime "$runtime" "$bench/project" -o "$bench/setup.exe" >/dev/null
fi
bash tests/e2e/make_prefix.sh
# Every run unpacks into drive T: of the prefix, and the native extraction beside it. On a disk, the
# file system slows down from one create-and-delete repetition to the next (here the system time of
# the same native extraction grew from 0.4 s to 2 s over six runs), which would decide the figures;
# a tmpfs, where there is room for it, keeps each run as the first.
shm_kb=$(df --output=avail -k /dev/shm 2>/dev/null | tail -1 | tr -dc 0-9)
if [ -z "${BENCH_DISK:-}" ] && [ "${shm_kb:-0}" -gt 3000000 ]; then
  work=/dev/shm/qmb-bench-install
else
  work=$bench/drive-t
fi
mkdir -p "$work"
drive_t=$WINEPREFIX/dosdevices/t:
ln -sfn "$work" "$drive_t"
trap 'rm -f "$drive_t"; [ "$work" = "$bench/drive-t" ] || rm -rf "$work"' EXIT
cp "$bench/setup.exe" "$work/setup.exe"

seconds() {  # command...: wall-clock seconds of one run
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

# One Wine program run (PROGRAM ARGS...), timed from its start to its end (its files are closed by
# then). The display, a Wine server and Wine's desktop process are up before the clock starts.
# Windows always runs its desktop, while Wine starts it for the first program of a session that
# uses windows: the install, a window program, would pay about 0.2 s for it that the console
# program it is held against never pays. A Notepad left open keeps the desktop up for the run.
drive_window=$(windows_program e2e/drive_window.exe)
export drive_window
wine_seconds() {
  timeout 1800 xvfb-run -a bash -c '
    wineserver -p
    wine notepad >/dev/null 2>&1 &
    wine "$drive_window" wait "Untitled - Notepad" 60 >/dev/null || { echo "no desktop came up" >&2; exit 1; }
    t0=$(date +%s.%N)
    wine "$@" >/dev/null; code=$?
    t1=$(date +%s.%N)
    wineserver -k; wineserver -w
    [ $code = 0 ] || { echo "$1 ended with $code" >&2; exit 1; }
    awk -v a="$t0" -v b="$t1" "BEGIN { printf \"%.3f\", b - a }"' _ "$@"
}

# A background install, and the same library's bare extraction of the package in the same prefix:
# what the install adds to that is the install's own cost; the rest is the extraction under Wine
# against the native one.
dll=$(windows_program 7-zip32.dll)
timed=$(windows_program e2e/sevenzip_timed_run.exe)
install_seconds() {
  rm -rf "$work/App"
  wine_seconds 'T:\setup.exe' -hp /D 'T:\App'
}
bare_seconds() {
  rm -rf "$work/Bare"
  wine_seconds "Z:${timed//\//\\}" "Z:${dll//\//\\}" \
    "x \"T:\\setup.exe\" -p\"$password\" -y -hide \"T:\\Bare\\\""
}

best() {  # prints the smallest of its arguments
  printf '%s\n' "$@" | sort -g | head -1
}

out=$work/out_native
extract=() install=() bare=()
for _ in $(seq 1 "$runs"); do
  rm -rf "$out"
  extract+=("$(seconds "$front" "x \"$bench/setup.exe\" -hide -y \"$out/\" * -p\"$password\"")")
  install+=("$(install_seconds)")
  bare+=("$(bare_seconds)")
done
diff -rq "$bench/project/payload" "$out" >/dev/null || { echo "bench: sevenzip32 output differs" >&2; exit 1; }
diff -rq "$bench/project/payload" "$work/Bare" >/dev/null ||
  { echo "bench: 7-zip32.dll output differs" >&2; exit 1; }
others=$(diff -rq "$bench/project/payload" "$work/App" | grep -v '^Only in .*App: uninst' || :)
[ -z "$others" ] || { echo "$others" >&2; echo "bench: the installed files differ" >&2; exit 1; }
te=$(best "${extract[@]}") ti=$(best "${install[@]}") tb=$(best "${bare[@]}")
size=$(du -sm "$bench/project/payload" | cut -f1)
archive=$(($(stat -c %s "$bench/setup.exe") / 1048576))
printf '\n%-34s %9s\n' "install of a ${size} MB payload" seconds
printf '%-34s %8.2fs\n' "sevenzip32 x (native)" "$te"
printf '%-34s %8.2fs\n' "7-zip32.dll x under Wine" "$tb"
printf '%-34s %8.2fs\n' "setup.exe -hp under Wine ($QMB_E2E_WAY)" "$ti"
figure=$(awk -v a="$ti" -v b="$te" 'BEGIN { printf "%.2f", a / b }')
own=$(awk -v a="$ti" -v b="$tb" 'BEGIN { printf "%.2f", a / b }')
printf '%-34s %9.2f  (goal: at most 1.30)\n' "install / native extraction" "$figure"
printf '%-34s %9.2f\n' "install / extraction under Wine" "$own"
result_set "install_$QMB_WINDOWS_BUILD" "${ti}s" "${te}s" "$figure"
result_set "install_own_$QMB_WINDOWS_BUILD" "${ti}s" "${tb}s" "$own"
echo "package: ${archive} MB; $(find "$bench/project/payload" -type f | wc -l) files; best of $runs runs each"
rm -rf "$out" "$work/App" "$work/Bare"
echo "unpacked into $work"
