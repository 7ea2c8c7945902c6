#!/usr/bin/env bash
# Takes pictures of Kovra's windows under Xvfb into docs/screenshots/ (builds first).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
dossier=${KOVRA_BUILD_DIR:-build}
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
    "$dossier/bin/captures_fenetres" docs/screenshots
