#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fuzzes the readings of a typed port number with libFuzzer.
#   tools/fuzz.sh [lenient|strict|all] [SECONDS]     (default: all, 60 seconds each)
# The corpus grows in build-fuzz/corpus/; a crash is saved in build-fuzz/crashes/ and stops the run.
set -euo pipefail
cd "$(dirname "$0")/.."

which="${1:-all}"
seconds="${2:-60}"
case "$which" in
    lenient | strict) targets=("$which") ;;
    all) targets=(lenient strict) ;;
    *) echo "usage: tools/fuzz.sh [lenient|strict|all] [SECONDS]" >&2; exit 2 ;;
esac
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "SECONDS must be a whole number above 0" >&2; exit 2; }

. tools/packages.sh
ensure_packages clang libclang-rt-dev cmake make

CXX=clang++ cmake -S . -B build-fuzz -DKANDIMOR_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKANDIMOR_WERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)"

mkdir -p build-fuzz/crashes
for target in "${targets[@]}"; do
    corpus="build-fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "Fuzzing the $target reading for $seconds s"
    build-fuzz/tests/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix=build-fuzz/crashes/"$target"- "$corpus" tests/fuzz/corpus/"$target"
done
