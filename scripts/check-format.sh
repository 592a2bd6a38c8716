#!/usr/bin/env bash
# Fails when a C++ source is not formatted as .clang-format says (fix with clang-format -i).
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || true)
[ -n "$files" ] || exit 0
echo "$files" | xargs clang-format --dry-run -Werror
