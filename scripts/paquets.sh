#!/usr/bin/env bash
# Builds the two Debian packages (kovra, tallyra) from a release build and checks them:
# lintian without errors, the desktop entries and the AppStream metadata valid. With
# --install (as root, on a machine that may be changed) it then installs them, runs the
# installed programs (scripts/essai-installe.sh) and removes them again.
# KOVRA_PAQUETS_DIR names the build folder (default: build-release).
set -euo pipefail
cd "$(dirname "$0")/.."
dossier=${KOVRA_PAQUETS_DIR:-build-release}

# Ninja for a new folder; a folder configured before keeps its generator.
generateur=()
if [ ! -f "$dossier/CMakeCache.txt" ]; then generateur=(-G Ninja); fi
# The hardening Debian builds its own packages with (fortified calls, stack protector,
# read-only relocations bound at start); the optimisation stays the release build's own.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
drapeaux="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
drapeaux=$(echo " $drapeaux " | sed 's/ -g / /g; s/ -O[0-9s] / /g; s/^ *//; s/ *$//')
lien=$(dpkg-buildflags --get LDFLAGS)
# The packages install under /usr, and the menu entries name their programs there.
cmake -S . -B "$dossier" "${generateur[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKOVRA_TESTS=OFF -DKOVRA_BENCH=OFF -DCMAKE_CXX_FLAGS="$drapeaux" \
    -DCMAKE_EXE_LINKER_FLAGS="$lien" -DCMAKE_SHARED_LINKER_FLAGS="$lien" \
    -DCMAKE_MODULE_LINKER_FLAGS="$lien" >/dev/null
cmake --build "$dossier" -j "$(nproc)"
rm -f "$dossier"/*.deb
(cd "$dossier" && cpack -G DEB >/dev/null)
paquets=("$dossier"/kovra_*.deb "$dossier"/tallyra_*.deb)
ls -l "${paquets[@]}"

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "${paquets[@]}"
echo "== desktop entries and AppStream metadata"
desktop-file-validate "$dossier"/packaging/kovra.desktop "$dossier"/packaging/kovra-cli.desktop \
    packaging/tallyra.desktop
grep -qx "Exec=/usr/bin/kovra" "$dossier"/packaging/kovra.desktop
appstreamcli validate --no-net "$dossier"/packaging/*.metainfo.xml

if [ "${1-}" != --install ]; then
    exit 0
fi
echo "== install"
dpkg -i "${paquets[@]}"
retire() { dpkg -r tallyra kovra >/dev/null; }
trap retire EXIT
desktop-file-validate /usr/share/applications/kovra.desktop /usr/share/applications/kovra-cli.desktop \
    /usr/share/applications/tallyra.desktop
# KDE Plasma grants typing to the programs its entries name by full path.
grep -qx "Exec=/usr/bin/kovra" /usr/share/applications/kovra.desktop
grep -qx "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input" /usr/share/applications/kovra.desktop
appstreamcli validate --no-net /usr/share/metainfo/*.ruduvo.*.metainfo.xml
bash scripts/essai-installe.sh
echo "== remove"
trap - EXIT
dpkg -r tallyra kovra
for f in /usr/bin/kovra /usr/bin/tallyra /usr/share/kovra; do
    if [ -e "$f" ]; then echo "$f is still there after dpkg -r"; exit 1; fi
done
echo "packages: built, checked, installed, run and removed"
