#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it with the
# repository's .clang-format; `scripts/check-format.sh --fix` formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is missing" >&2; exit 2; }
mapfile -t files < <(find src tests tools bench res -name '*.cpp' -o -name '*.h' | sort)
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$report"; then
  grep -E '^[^ ].*: (error|warning):' "$report" | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  echo "check-format: run scripts/check-format.sh --fix" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
