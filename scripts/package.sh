#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of Kestrel into build-deb/ and checks it: the
# desktop entry with desktop-file-validate, the AppStream metainfo with
# appstreamcli, and the .deb with lintian, which must report no error and
# no warning. The program is built for /usr (it finds its help text in the
# data folder it was configured with), with Debian's hardening flags.
#
# lintian's warning initial-upload-closes-no-bugs (the first changelog entry
# closes no "intent to package" bug) is overridden in the package, with its
# reason: packaging/lintian-overrides. It reports, at the info level:
#   - binary-has-unneeded-section .comment: the compiler's and the C
#     library's version notes stay in the program (a few hundred bytes);
#     cpack strips the debugging symbols but keeps that section.
#   - package-contains-documentation-outside-usr-share-doc
#     usr/share/kestrel/Helptxt.txt: the help text is data the program opens
#     from its help menu, looked for in the data folder it was built for.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh dpkg-dev lintian desktop-file-utils appstream

# The compiler and linker flags a Debian package is built with, hardening
# included: stack protector, fortified functions (CPPFLAGS, which CMake does
# not read by itself), read-only relocations bound at start-up. Given on the
# command line, so a build-deb/ configured before takes them too.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# Only the program and the files installed with it are built; cpack does not
# build the rest (the benchmarks) either.
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
cmake --build build-deb -j2 --target kestrel kestrel_packaging

desktop-file-validate data/kestrel.desktop
# --no-net: the screenshot's address is not fetched (it is the project
# site's copy of data/screenshots/main-window.png). The one remark left is
# pedantic: cid-contains-uppercase-letter, as the id ends in the program's
# name capitalised, the usual form of a desktop program's reverse-DNS id.
appstreamcli validate --no-net build-deb/packaging/org.kestrel_terminal.Kestrel.metainfo.xml

rm -f build-deb/kestrel_*.deb
(cd build-deb && cpack -G DEB)
deb=$(ls build-deb/kestrel_*.deb)
echo "package.sh: $deb"
lintian --display-info --fail-on error,warning "$deb"
