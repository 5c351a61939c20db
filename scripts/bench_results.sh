# The figures `make bench` holds against its goals, kept in build/bench/results (one "key value..."
# line each) so that the bench scripts of one run can each add theirs; sourced by them.
# bench_table prints them in one table with the goal beside each.
bench_results=${bench_results:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/bench/results}

# key, values...: replaces the key's line.
result_set() {
  local key=$1
  shift
  mkdir -p "$(dirname "$bench_results")"
  touch "$bench_results"
  { grep -v "^$key " "$bench_results" || :; echo "$key $*"; } >"$bench_results.new"
  mv "$bench_results.new" "$bench_results"
}

# What a figure says against its goal (both numbers, smaller is better).
verdict() {
  awk -v f="$1" -v g="$2" 'BEGIN { if (f <= g) print "met"; else printf "missed by %.2f\n", f - g }'
}

bench_table() {
  [ -f "$bench_results" ] || { echo "bench: no results in $bench_results" >&2; return 1; }
  local key ours theirs figure goal what
  printf '\n%-44s %10s %10s %9s %9s  %s\n' "figure (smaller is better)" ours reference value goal ""
  while IFS='|' read -r key what goal; do
    read -r _ ours theirs figure < <(grep "^$key " "$bench_results" || echo "- - - -")
    if [ "$figure" = - ]; then
      printf '%-44s %10s %10s %9s %9s  %s\n' "$what" - - - "$goal" "not measured in this run"
    else
      printf '%-44s %10s %10s %9s %9s  %s\n' "$what" "$ours" "$theirs" "$figure" "$goal" "$(verdict "$figure" "$goal")"
    fi
  done <<'GOALS'
size|runtime image, MB (build/win32/setup.exe)|2.50
mixed|mixed tree (mixed.7z) / 7zz x -mmt=1|0.70
binaries|one stream of binaries / 7zz x -mmt=1|0.90
install_win32|background install (win32) / native extraction|1.30
install_win64|background install (x86-64) / native extraction|1.30
install_own_win32|  the same / its library's extraction, Wine|1.30
install_own_win64|  the same (x86-64) / its library's, Wine|1.30
journal|unpacking + journal / unpacking (CPU)|1.05
GOALS
}
