#!/usr/bin/env bash
# Every C++ file under version control is formatted by the root .clang-format. Tables whose
# alignment matters are fenced with "// clang-format off" and "// clang-format on".
set -euo pipefail
scripts/ensure-packages clang-format git
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t files < <(find app audio engine tools tests bench -name '*.cpp' -o -name '*.h' 2>/dev/null)
fi
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "Not formatted: run clang-format -i on the files above." >&2
    exit 1
fi
echo "${#files[@]} files formatted"
