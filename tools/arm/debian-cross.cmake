# SPDX-License-Identifier: MIT
# Cross-compiling on Debian for another Linux architecture with Debian's own multiarch cross
# toolchain (crossbuild-essential-<arch>) and the target's Qt development packages
# (qt6-base-dev:<arch>), which install beside the build machine's in their own multiarch folders.
# Included by arm64.cmake and armhf.cmake, which name the target's GNU triplet. Qt's tools (moc)
# are the build machine's: configure with -DQT_HOST_PATH=/usr.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${KANDIMOR_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KANDIMOR_TRIPLET}-g++)
# Packages are looked for in /usr/lib/<triplet>/cmake only, never in the build machine's folder.
set(CMAKE_LIBRARY_ARCHITECTURE ${KANDIMOR_TRIPLET})
set(PKG_CONFIG_EXECUTABLE ${KANDIMOR_TRIPLET}-pkg-config)
