#!/usr/bin/env bash
# Checks that every C++ file of the repository is formatted as .clang-format says; with --fix,
# formats them. Exit 1 lists the files that differ.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --style=file --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted (run tools/check-format.sh --fix):\n' >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format says"
