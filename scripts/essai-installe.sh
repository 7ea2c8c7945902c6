#!/usr/bin/env bash
# Runs the programs the packages installed, as a user would on a fresh machine: the
# versions, a data folder filled from /usr/share/kovra, a terminal transfer received and
# written to a file, the machine's diagnosis, the session's autostart entry, and Tallyra
# posting an inventory to tallyra-ledger on a private session bus that starts it on
# demand. Only installed programs are used.
set -euo pipefail
export PATH=/usr/bin:/bin
tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME=$tmp/config HOME=$tmp/home
mkdir -p "$HOME"
unset DISPLAY WAYLAND_DISPLAY KOVRA_DIR TALLYRA_DIR KOVRA_MULTIDLL

echo "== versions"
version=$(dpkg-query -W -f='${Version}' kovra)
for p in kovra kovra-cli kovra-terminal tallyra tallyra-ledger; do
    test "$($p --version | head -1)" = "$p $version" || { echo "$p --version is not $version"; exit 1; }
done
echo "all five programs are version $version"
for p in kovra kovra-cli kovra-terminal tallyra tallyra-ledger; do
    test -f "/usr/share/man/man1/$p.1.gz"
done

echo "== a data folder from the installed defaults"
donnees=$tmp/donnees
mkdir -p "$donnees"
cp /usr/share/kovra/* "$donnees/"
k() { kovra-cli --dir "$donnees" "$@"; }
test "$(k dir)" = "$donnees"
test -f "$donnees/Scen.db"
k scenario create Stock --type Fichier --path "$tmp/Stock.txt" >/dev/null
for action in '&CODE' ';' '&QTY' '&PASSLIGNE'; do k scenario add Stock "$action" >/dev/null; done
k scenario loop Stock 1
k export Stock
k registry set RacScenChx Stock

echo "== a transfer from kovra-terminal received by kovra-cli listen"
kovra-terminal --type HT630 --text 'A100\r12\rB200\r3\r' --start 1500 >"$tmp/terminal.log" &
for _ in $(seq 50); do [ -s "$tmp/terminal.log" ] && break; sleep 0.1; done
ligne=$(head -1 "$tmp/terminal.log")
k port set --device "$ligne" --type HT630
kovra-cli --dir "$donnees" listen 2>"$tmp/listen.log" &
ecoute=$!
for _ in $(seq 100); do [ -s "$tmp/Stock.txt" ] && break; sleep 0.2; done
kill "$ecoute" 2>/dev/null || true
wait "$ecoute" 2>/dev/null || true
printf 'A100;12\r\nB200;3\r\n' | cmp - "$tmp/Stock.txt" || {
    echo "Stock.txt is not what the terminal sent"; cat "$tmp/listen.log"; exit 1; }
echo "Stock.txt holds the two records"

echo "== kovra-cli doctor"
set +e
k doctor
statut=$?
set -e
# No display and no serial device here: the report says so with status 1; a crash or a
# usage error would be another status.
[ "$statut" -le 1 ] || { echo "doctor ended with status $statut"; exit 1; }

echo "== kovra-cli autostart"
k autostart on
entree=$XDG_CONFIG_HOME/autostart/kovra.desktop
desktop-file-validate "$entree"
grep -qx "Exec=/usr/bin/kovra --dir $donnees" "$entree" || { cat "$entree"; exit 1; }
k autostart off
[ ! -e "$entree" ]

echo "== tallyra --batch against tallyra-ledger started by the bus"
mkdir -p "$tmp/services" "$tmp/tallyra"
cat >"$tmp/services/Ledgra.ClsProjet.service" <<FIN
[D-BUS Service]
Name=Ledgra.ClsProjet
Exec=/usr/bin/tallyra-ledger --edition 1 --journal $tmp/journal.db
FIN
cat >"$tmp/session.conf" <<FIN
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <servicedir>$tmp/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
FIN
printf 'A12;3760001\n' >"$tmp/articles.txt"
tallyra-ledger --database "$tmp/LedgC.db" --articles "$tmp/articles.txt"
printf '3760001;3;\r\nA12;1;\r\n' >"$tmp/inventaire.txt"
dbus-run-session --config-file="$tmp/session.conf" -- \
    tallyra --batch --inventory "$tmp/inventaire.txt" --company SOC --depot D1 \
    --edition 1 --database "$tmp/LedgC.db" --dir "$tmp/tallyra"
echo "installed programs: ok"
