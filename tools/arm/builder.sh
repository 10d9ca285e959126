# SPDX-License-Identifier: MIT
# Sourced by tools/arm/build.sh and test.sh, after tools/systems.sh, inside own namespaces: the
# Debian 12 amd64 system the ARM packages are cross-built in, with Debian's multiarch cross
# toolchains and the targets' own Qt packages beside the build machine's. It is made once a week
# (about 4 minutes); the compiler cache beside it makes a rebuild of unchanged sources quick.

# arm_builder VARIABLE: a fresh copy of the build system, with this clone as /src, in a folder
# named in VARIABLE.
arm_builder() {
    # Qt's tools (moc) and CMake's configuration of them are the build machine's: qt6-base-dev.
    # appstream: the metainfo is written for Debian 12's AppStream. lintian and the validators
    # check the armhf package here, its programs run by qemu-user.
    local packages=(cmake ninja-build ccache dpkg-dev file appstream lintian desktop-file-utils
                    libxml2-utils qt6-base-dev) architecture
    for architecture in arm64 armhf; do
        packages+=("crossbuild-essential-$architecture" "qt6-base-dev:$architecture"
                   "qt6-serialport-dev:$architecture")
    done
    system_unpack "$1" "$(system_tar arm/builder bookworm amd64,arm64,armhf "${packages[@]}")"
    local -n built_in=$1
    system_mount "$built_in" "$PWD"
    mkdir -p "$systems_cache/arm/ccache" "$built_in/root/.cache/ccache"
    mount --bind "$systems_cache/arm/ccache" "$built_in/root/.cache/ccache"
}

# arm_build ROOT ARCHITECTURE: builds everything for ARCHITECTURE (arm64, armhf) into
# build-ARCHITECTURE/, and its package, kandimor_<version>_ARCHITECTURE.deb there.
arm_build() {
    local root=$1 architecture=$2
    echo "== $architecture: cross-built on Debian 12 amd64"
    system_run "$root" "
        cmake -S . -B build-$architecture -G Ninja -DCMAKE_TOOLCHAIN_FILE=/src/tools/arm/$architecture.cmake \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKANDIMOR_WERROR=ON >/dev/null
        cmake --build build-$architecture --parallel $(nproc)
        rm -f build-$architecture/kandimor_*.deb
        (cd build-$architecture && cpack >/dev/null)
        ls build-$architecture/kandimor_*_$architecture.deb"
}
