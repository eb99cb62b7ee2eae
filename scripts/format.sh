#!/usr/bin/env bash
# Formats every tracked C/C++ source with the repository's .clang-format.
# With --check it changes nothing and exits non-zero when a file would change.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(-i)
[ "${1:-}" = "--check" ] && mode=(--dry-run --Werror)
git ls-files -z '*.cpp' '*.h' '*.hpp' '*.c' | xargs -0 clang-format "${mode[@]}"
