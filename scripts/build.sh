#!/usr/bin/env bash
# Configures and builds Kovra. KOVRA_BUILD_DIR names the build folder (default: build);
# KOVRA_SANITIZE=ON builds with AddressSanitizer and UndefinedBehaviorSanitizer;
# warnings are errors unless KOVRA_WERROR=OFF.
set -euo pipefail
cd "$(dirname "$0")/.."
dossier=${KOVRA_BUILD_DIR:-build}
cmake -S . -B "$dossier" -G Ninja \
    -DCMAKE_BUILD_TYPE="${KOVRA_BUILD_TYPE:-RelWithDebInfo}" \
    -DKOVRA_SANITIZE="${KOVRA_SANITIZE:-OFF}" -DKOVRA_WERROR="${KOVRA_WERROR:-ON}" >/dev/null
cmake --build "$dossier" -j "$(nproc)"
