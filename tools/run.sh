#!/usr/bin/env bash
# Sets everything up and starts the panel.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
exec build/window/kandimor "$@"
