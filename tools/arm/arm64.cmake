# SPDX-License-Identifier: MIT
# 64-bit ARM (Raspberry Pi 3, 4, 5 and Zero 2 with a 64-bit system): Debian's arm64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(KANDIMOR_TRIPLET aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
