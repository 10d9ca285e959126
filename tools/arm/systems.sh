# SPDX-License-Identifier: MIT
# Sourced by tools/arm/test.sh and tools/drivers/test.sh: what the Debian 12 arm64 system the
# arm64 build's tests run in holds. One list, so both lanes share one system in the cache.
arm64_tests=(libqt6widgets6 libqt6serialport6 libqt6test6 qt6-qpa-plugins fonts-dejavu-core
             xvfb xauth xdotool x11-utils cmake dpkg-dev binutils lintian appstream desktop-file-utils libxml2-utils)
