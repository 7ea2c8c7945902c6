#!/usr/bin/env bash
# Installs what is needed, builds, and starts Kovra (the tray program) on its default data
# folder; a first start asks for the port. Extra arguments go to kovra (--dir, --no-splash).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
dossier=${KOVRA_BUILD_DIR:-build}
echo "Data folder: $("$dossier/bin/kovra-cli" dir)"
exec "$dossier/bin/kovra" "$@"
