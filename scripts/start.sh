#!/usr/bin/env bash
# Installs what is needed, builds, and starts Kovra on its default data folder.
# The tray program is not there yet: this prepares the data folder with kovra-cli and
# shows kovra-cli's help.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
dossier=${KOVRA_BUILD_DIR:-build}
echo "Data folder: $("$dossier/bin/kovra-cli" dir)"
"$dossier/bin/kovra-cli" --help
