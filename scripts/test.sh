#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
dossier=${KOVRA_BUILD_DIR:-build}
ctest --test-dir "$dossier" --output-on-failure -j "$(nproc)"
