#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and starts Kestrel.
set -euo pipefail
cd "$(dirname "$0")/.."
# Qt's Chinese translations, for its file and colour dialogs.
scripts/setup.sh qt6-translations-l10n
exec build/src/app/kestrel
