#!/bin/sh
# Fails when a C++ file of src, tests, bench or fuzz is not formatted as
# .clang-format describes; names each such place. Formats nothing.
#   scripts/check-format.sh [clang-format binary]
set -eu
cd "$(dirname "$0")/.."
tool=${1:-clang-format}
git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' |
    xargs -0 "$tool" --dry-run -Werror
