#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (folder build-fuzz) and runs each for a bounded
# time: KOVRA_FUZZ_SECONDS (default 30). A crash, a hang or runaway memory fails the run;
# the input that caused it is left in build-fuzz/artefacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
dossier=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dossier" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKOVRA_FUZZ=ON -DKOVRA_WERROR=ON >/dev/null
cmake --build "$dossier" -j "$(nproc)"
mkdir -p "$dossier/artefacts"
echo "fuzz: ${KOVRA_FUZZ_SECONDS:-30} s per target"
for cible in fuzz_traite fuzz_reduction fuzz_champnumero fuzz_profil; do
    corpus="$dossier/corpus/$cible"
    mkdir -p "$corpus"
    "$dossier/bin/$cible" "$corpus" -max_total_time="${KOVRA_FUZZ_SECONDS:-30}" \
        -max_len=4096 -timeout=20 -rss_limit_mb=2048 -print_final_stats=0 \
        -artifact_prefix="$dossier/artefacts/$cible-" 2>"$dossier/$cible.log" || {
        tail -n 40 "$dossier/$cible.log"
        echo "fuzz: $cible FAILED"
        exit 1
    }
    echo "fuzz: $cible passed ($(grep -c 'NEW' "$dossier/$cible.log" || true) new inputs)"
done
