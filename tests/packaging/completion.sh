#!/usr/bin/env bash
# The bash completion of kovra-cli, run against the kovra-cli of the build: what a user
# gets for each word typed so far.
set -uo pipefail
export LC_ALL=C.UTF-8
completion=$1
export PATH=$(dirname "$2"):$PATH
export KOVRA_DIR=$(mktemp -d) XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$KOVRA_DIR" "$XDG_CONFIG_HOME"' EXIT
source "$completion"
kovra-cli scenario create Alpha --type Fichier >/dev/null
kovra-cli scenario create Béta --type Emulation >/dev/null

echecs=0
essai() {
    local attendu=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kovra_cli
    local obtenu="${COMPREPLY[*]}"
    if [[ $obtenu != "$attendu" ]]; then
        echo "FAIL [$*]: expected '$attendu', got '$obtenu'"
        echecs=$((echecs + 1))
    fi
}

essai "scenario" kovra-cli sc
essai "list loop" kovra-cli scenario l
essai "Alpha Béta" kovra-cli scenario show ""
essai "Béta" kovra-cli --dir "$KOVRA_DIR" export B
essai "Alpha" kovra-cli process --scenario A
essai "--numbered --partial --path --type" kovra-cli scenario create X --
essai "--dir --help --version" kovra-cli --
essai "esc" kovra-cli transfer set e
essai "--device" kovra-cli port set --dev
essai "--separator" kovra-cli import --s
exit $((echecs > 0))
