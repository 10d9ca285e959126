#!/usr/bin/env bash
# Sets everything up and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
