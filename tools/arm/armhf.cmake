# SPDX-License-Identifier: MIT
# 32-bit ARM with hardware floating point (a 32-bit Raspberry Pi OS): Debian's armhf.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(KANDIMOR_TRIPLET arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
