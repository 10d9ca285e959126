#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A busy desktop's process table for tests to run beside: PROCESSES processes (400) holding FILES
# open files each (50), sleeping until killed. Ends when they have all started; they live on.
#   tools/crowd.sh [PROCESSES [FILES]]
set -euo pipefail
processes=${1:-400} files=${2:-50}
for ((i = 0; i < processes; i++)); do
    bash -c 'for ((fd = 3; fd < 3 + $1; fd++)); do eval "exec $fd</dev/null"; done; exec sleep infinity' crowd "$files" &
done
