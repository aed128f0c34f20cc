#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package of Kestrel from build/ (setup.sh builds it as a
# package is built: for /usr, with Debian's hardening flags) and checks it:
# the desktop entry with desktop-file-validate, the AppStream metainfo with
# appstreamcli, and the .deb with lintian, which must report no error and
# no warning.
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
#   - hardening-no-fortify-functions: the program is built with
#     _FORTIFY_SOURCE=2 (setup.sh), but none of its own calls into the C
#     library is one that fortification replaces (its copies go through Qt),
#     so lintian finds no fortified function to tell by.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh lintian desktop-file-utils appstream

desktop-file-validate data/kestrel.desktop
# --no-net: the screenshot's address is not fetched (it is the project
# site's copy of data/screenshots/main-window.png). The one remark left is
# pedantic: cid-contains-uppercase-letter, as the id ends in the program's
# name capitalised, the usual form of a desktop program's reverse-DNS id.
appstreamcli validate --no-net build/packaging/org.kestrel_terminal.Kestrel.metainfo.xml

rm -f build/kestrel_*.deb
(cd build && cpack -G DEB)
deb=$(ls build/kestrel_*.deb)
echo "package.sh: $deb"
lintian --display-info --fail-on error,warning "$deb"
