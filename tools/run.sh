#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets everything up and starts the panel.
#   tools/run.sh           the panel, for a real controller on a serial port
#   tools/run.sh --demo    a virtual controller in this terminal and the panel beside it: type the
#                          number the controller shows at the panel's prompt, then watch what the
#                          panel sends. The controller stops when the panel ends.
# KANDIMOR_SKIP_SETUP=1 skips the setup, KANDIMOR_BUILD_DIR names another build (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KANDIMOR_BUILD_DIR:-build}"
# Only what runs is built: the panel, and for the demo the virtual controller.
targets=(kandimor)
[ "${1:-}" != "--demo" ] || targets+=(kandimor_virtual_controller)
[ "${KANDIMOR_SKIP_SETUP:-}" = 1 ] || tools/setup.sh "${targets[@]}"

if [ "${1:-}" != "--demo" ]; then
    exec "$build/window/kandimor" "$@"
fi
shift

echo "Demo: a virtual controller runs in this terminal and the panel starts beside it."
echo "At the panel's prompt type the number the controller shows below, then press Run."
"$build/tools/virtual_controller/kandimor-virtual-controller" & controller=$!
stop_controller() {
    kill -TERM "$controller" 2>/dev/null || true
    wait "$controller" 2>/dev/null || true
}
trap stop_controller EXIT
status=0
"$build/window/kandimor" "$@" || status=$?
stop_controller
trap - EXIT
exit "$status"
