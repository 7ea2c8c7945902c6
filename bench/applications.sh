#!/usr/bin/env bash
# Typing rates into real applications (GTK 3, xterm, Chromium, LibreOffice Calc with its gen
# and gtk3 plugins), Kovra against `xdotool type --delay 0`, under an Xvfb server of its own:
# the application suite in its rates mode, with texts three times as long. Prints one line
# a case and then the table of the README's "Speed" section. Extra arguments go to the
# suite (--apps gtk3,xterm to measure some applications only, --repeat N).
set -euo pipefail
cd "$(dirname "$0")/.."
dossier=${KOVRA_BUILD_DIR:-build}
exec xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 tests/applications/suite.py \
    --kovra-cli "$dossier/bin/kovra-cli" --rates "$@"
