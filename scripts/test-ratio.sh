#!/usr/bin/env bash
# Size of the test suite against the code it tests (docs/testing.md): every non-blank line of
# every file under tests/ (code, CMake files, tables and data alike) against the non-blank lines
# of the C++ sources under src/, bench/ and fuzz/ that are not only a // comment. Both count
# the files git knows. The last line is "tests/code = P%"; the rule is 25 to 35 %.
set -euo pipefail
cd "$(dirname "$0")/.."

tests=$(git ls-files -z -- tests | xargs -0 -r grep -I -h -v -E '^\s*$' | wc -l)
code=$(git ls-files -z -- src bench fuzz | grep -z -E '\.(cpp|cc|h|hpp)$' |
  xargs -0 -r cat | grep -c -v -E '^\s*(//.*)?$' || true)

echo "test lines: ${tests}"
echo "code lines: ${code}"
if [ "${code}" -eq 0 ]; then
  echo "tests/code = n/a (no code lines)"
  exit 1
fi
echo "tests/code = $(awk -v t="${tests}" -v c="${code}" 'BEGIN { printf "%.1f", 100 * t / c }')%"
