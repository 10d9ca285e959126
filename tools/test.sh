#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets everything up and runs every test, headless: the normal build, the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets over their corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== on $(. /etc/os-release && echo "$PRETTY_NAME")"
tools/setup.sh
. tools/packages.sh
ensure_packages clang libclang-rt-dev

export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

echo "== tests"
(cd build && ctest --output-on-failure --timeout 300)

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DKANDIMOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKANDIMOR_WERROR=ON \
    -DKANDIMOR_REQUIRE_WAYLAND_TEST=ON >/dev/null
cmake --build build-asan --parallel "$jobs"
(
    cd build-asan
    export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    export LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp"
    # The package is built and checked from the normal build; a sanitizer build is no release.
    ctest --output-on-failure --timeout 300 --label-exclude package
)

echo "== fuzz targets over their corpus"
CXX=clang++ cmake -S . -B build-fuzz -DKANDIMOR_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKANDIMOR_WERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$jobs"
(cd build-fuzz && ctest --output-on-failure --timeout 300)
