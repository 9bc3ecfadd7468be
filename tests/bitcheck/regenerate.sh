#!/usr/bin/env bash
# Runs the bit-identity cases (tests/bitcheck/bitcheck_cases.h) and prints, case by
# case, every field whose stored numbers moved against the reference in
# tests/bitcheck/reference/: the runs, the number of values and the largest
# relative change. That summary, not the hexadecimal files, is what a
# reviewer reads. Nothing in the tree changes unless --write is given.
#   tests/bitcheck/regenerate.sh [CASE ...]           show what moved (exit 1 if anything did)
#   tests/bitcheck/regenerate.sh --write [CASE ...]   also write the new reference files
# It builds bitcheck in build/ (configured with the tests). Exit status: 0
# nothing moved (or written), 1 something moved, 2 a usage or file error,
# 3 the build failed. Cases whose real data files (../shared/data) are
# absent are skipped and keep their reference.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/tests/support/build_for_tests.sh"

mode=--check
if [ "${1:-}" = --write ]; then
  mode=--write
  shift
fi
case "${1:-}" in -*) echo "usage: $0 [--write] [CASE ...]" >&2; exit 2 ;; esac

build_for_tests "$root" bitcheck
status=0
"$root/build/bitcheck" "$mode" "$root/tests/bitcheck/reference" --data "$root/../shared/data" "$@" || status=$?
case "$status" in
  0)  if [ "$mode" = --write ]; then echo "reference written: review it with git diff --stat tests/bitcheck"; fi ;;
  77) echo "every case asked for was skipped: no real data files"; status=0 ;;
esac
exit "$status"
