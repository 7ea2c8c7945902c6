#!/usr/bin/env bash
# Installs the Debian packages that building Kovra and running its tests need.
# Safe to run again: packages already installed are skipped.
set -euo pipefail

paquets=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev qt6-svg-dev libqt6svg6 libqt6sql6-sqlite qt6-translations-l10n
    libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-xkb-utils dbus trayer xdotool
    # the applications the typing suite types into, and what it drives them with
    python3 python3-gi gir1.2-gtk-3.0 xterm chromium x11-utils
    libreoffice-calc libreoffice-gtk3 python3-uno
    dpkg-dev lintian desktop-file-utils appstream help2man
    # the serial device server the network tests run, and the private network they run in
    # (ip, nft; unshare comes with util-linux)
    ser2net iproute2 nftables
    # the Wayland test bench: three desktops run headless, native Wayland windows (Qt, GTK)
    # typed into by wtype (sway) and a test client built on libwayland, libxkbcommon and
    # KWin's fake-input protocol; wayland-info lists what each desktop offers
    sway wtype kwin-wayland mutter qt6-wayland wayland-utils
    libwayland-dev libxkbcommon-dev plasma-wayland-protocols
)

manquants=()
for p in "${paquets[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        manquants+=("$p")
    fi
done

if [ ${#manquants[@]} -eq 0 ]; then
    echo "setup: every package is already installed"
    exit 0
fi

echo "setup: installing ${manquants[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
# sudo starts commands with a clean environment: the setting goes through it, not around it.
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${manquants[@]}"
