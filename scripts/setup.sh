#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Kestrel needs (when missing) and builds it
# into build/. Used by run.sh and test.sh, which may name more packages as
# arguments.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ dpkg-dev qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite
          libx11-dev libxtst-dev libzstd-dev pkg-config fonts-wqy-microhei "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Built as Debian builds a package, for /usr and with Debian's compiler and
# linker flags, hardening included (stack protector, fortified functions,
# read-only relocations bound at start-up; CPPFLAGS, which CMake does not
# read by itself, go with the compiler flags): the package is made from
# this build (package.sh), and the program run from here finds its help
# text beside it.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
cmake --build build -j2
