#!/usr/bin/env bash
# Runs every benchmark built in BUILD_DIR and prints one Markdown table.
# Each benchmark prints lines "figure<TAB>value<TAB>unit<TAB>target[<TAB>ratio]";
# the peak memory (max RSS) of each benchmark process is measured here.
set -euo pipefail
build="${1:-build-release}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

echo "Benchmarks of $(git -C "$(dirname "$0")/.." describe --always --dirty 2>/dev/null || echo unknown)," \
     "$(date -u +%Y-%m-%d), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo
echo "| benchmark | figure | value | target | ratio to bare Qt | peak RSS |"
echo "|---|---|---|---|---|---|"
status=0
for bench in "$build"/bench/*/bench_*; do
  # Skip the automoc folders (bench_<area>_autogen) that share the prefix.
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  name="$(basename "$bench")"
  out="$(mktemp)"; rss="$(mktemp)"; err="$(mktemp)"
  # A benchmark's diagnostics would land in the middle of the table: keep
  # them aside and show them (on stderr) only when it fails.
  if ! /usr/bin/time -f '%M' -o "$rss" "$bench" >"$out" 2>"$err"; then
    echo "| $name | failed | | | | |"; status=1
    cat "$err" >&2
  fi
  peak_mb="$(awk '{printf "%.1f MB", $1/1024}' "$rss")"
  while IFS=$'\t' read -r figure value unit target ratio; do
    [ -n "$figure" ] || continue
    echo "| $name | $figure | $value $unit | $target | ${ratio:-} | $peak_mb |"
  done <"$out"
  rm -f "$out" "$rss" "$err"
done
exit $status
