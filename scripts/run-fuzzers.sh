#!/usr/bin/env bash
# Runs every fuzzer built in BUILD_DIR for SECONDS each, on its seed corpus.
set -euo pipefail
build="$1"; seconds="${2:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
found=0
for fuzzer in "$build"/fuzz/*/fuzz_*; do
  # Only the executables: automoc leaves folders with the same prefix.
  [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
  found=1
  name="$(basename "$fuzzer")"
  seeds="$root/fuzz/${name#fuzz_}/corpus"
  work="$(mktemp -d)"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
  echo "== $name for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "$work"
  rm -rf "$work"
done
[ "$found" -eq 1 ] || echo "no fuzzers built"
