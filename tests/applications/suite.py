#!/usr/bin/python3
"""Types with Kovra (kovra-cli type) into real applications on the X display and compares
what each one received with what was typed: GTK 3, xterm, Chromium, LibreOffice Calc with
its gen and gtk3 plugins. Barcode records and French text, on the us and fr layouts, and
with Caps Lock on (which Kovra must type through and leave on).

    suite.py --kovra-cli PATH [--apps gtk3,xterm,...] [--keep DIR]
    suite.py --kovra-cli PATH --rates [--apps ...]   # Kovra against xdotool type

Run it on a display of its own (xvfb-run -a): it changes the display's layout and lock
keys. Each application is started once and gets every case in turn. It prints one line a
case, with the first difference when a case fails, and ends with "N passed, N failed"; it
exits 1 when a case failed (a case typed by Kovra: xdotool's are only measured). --rates
types the cases (three times as long by default) with Kovra and with `xdotool type --delay
0`, each into an application started for it, and prints the rates (characters received per
second, from the first to the last character the application got; for Calc, from the first
cell committed to the last) and whether each text arrived intact.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bureau  # noqa: E402
import comparaison  # noqa: E402
import textes  # noqa: E402
from pilote_calc import PiloteCalc  # noqa: E402
from pilote_chromium import PiloteChromium  # noqa: E402
from pilote_gtk import PiloteGtk  # noqa: E402
from pilote_xterm import PiloteXterm  # noqa: E402

PILOTES = {
    "gtk3": PiloteGtk,
    "xterm": PiloteXterm,
    "chromium": PiloteChromium,
    "calc-gen": lambda: PiloteCalc("gen"),
    "calc-gtk3": lambda: PiloteCalc("gtk3"),
}

# (layout, Caps Lock on) for each pass over an application's cases.
CONFIGURATIONS = [("us", False), ("fr", False), ("us", True), ("fr", True)]

# Once typing is over, how long nothing may change before what arrived is taken as all
# that will arrive; and the longest a case may take in all.
CALME = 4.0
DELAI_CAS = 120.0


class Kovra:
    nom = "kovra"

    def __init__(self, exe, dossier):
        self.exe = exe
        self.dossier = dossier

    def commande(self, texte):
        return [self.exe, "--dir", self.dossier, "type", textes.chaine_touches(texte)]


class Xdotool:
    nom = "xdotool"
    # xdotool binds a character its layout lacks to a spare key for each keystroke and
    # takes it back at once: an application busy reading those keymap changes can go
    # seconds without taking a key, so what arrived is awaited longer.
    calme = 10.0

    @staticmethod
    def commande(texte):
        # xdotool types "\r" with the Return key, and "\n" with a key no application takes
        # for Enter: the text goes with "\r" for its Enter keys.
        return ["xdotool", "type", "--delay", "0", texte.replace("\n", "\r")]


def longueur(contenu):
    """How many typed characters contenu stands for (a cell or field counts with the Tab
    or Enter after it)."""
    if isinstance(contenu, bytes):
        return len(contenu.decode("utf-8", "replace"))
    if isinstance(contenu, str):
        return len(contenu)
    return sum(len(c) + 1 for rangee in contenu for c in rangee)


class Resultat:
    def __init__(self, **champs):
        self.__dict__.update(champs)

    def debit(self):
        """Characters received per second between the first and the last input the
        application saw, or None."""
        if self.premier is None or self.dernier is None or self.dernier <= self.premier:
            return None
        return max(longueur(self.recu) - self.avant_premier, 1) / (self.dernier - self.premier)


def avant_premier(pilote, texte):
    """How many characters are typed before the application shows the first change: one
    for a text field; a whole cell and its Tab or Enter for a spreadsheet."""
    if isinstance(pilote, PiloteCalc):
        return min(i for i in (texte.find("\t"), texte.find("\n")) if i >= 0) + 1
    return 1


def type_cas(pilote, nature, texte, typiste, journal):
    attendu = pilote.attendu(nature, texte)
    pilote.prepare(nature, attendu)
    verrous = bureau.modificateurs_verrouilles()
    pilote.verifie_focus()
    debut = time.time()
    processus = subprocess.Popen(typiste.commande(texte), stdout=journal, stderr=journal)
    vu, change = None, time.monotonic()
    while True:
        contenu = pilote.releve(nature)[0]
        fini = processus.poll() is not None
        if contenu != vu:
            vu, change = contenu, time.monotonic()
        if fini and contenu == attendu:
            time.sleep(0.3)  # anything more that would still come
            break
        if fini and time.monotonic() - change > getattr(typiste, "calme", CALME):
            break
        if time.time() - debut > DELAI_CAS:
            processus.kill()
            break
        time.sleep(pilote.pas_releve)
    statut = processus.wait()
    recu = pilote.releve_final(nature)
    _, premier, dernier = pilote.releve(nature)
    probleme = comparaison.difference(attendu, recu, **pilote.noms)
    if typiste.nom == "kovra":
        if statut != 0:
            probleme = f"kovra-cli type exited with status {statut}" + (
                "\n    " + probleme if probleme else "")
        apres = bureau.modificateurs_verrouilles()
        if apres != verrous:
            probleme = (f"lock keys changed: locked modifiers 0x{verrous:02x} before, "
                        f"0x{apres:02x} after" + ("\n    " + probleme if probleme else ""))
    return Resultat(attendu=attendu, recu=recu, probleme=probleme, premier=premier,
                    dernier=dernier, debut=debut, avant_premier=avant_premier(pilote, texte),
                    ecarts=comparaison.compte_ecarts(attendu, recu) if probleme else 0)


def passe(pilote, typiste, configurations, repetitions, journal, resultats):
    enregistrements = textes.enregistrements(40 * repetitions)
    for disposition, verr_maj in configurations:
        bureau.disposition(disposition)
        bureau.mets_verr_maj(verr_maj)
        for nature in ("records", "text"):
            texte = pilote.texte(nature, enregistrements, repetitions)
            etiquette = (f"{pilote.nom:<9} {disposition:<2} "
                         f"{'caps' if verr_maj else '    '} {nature:<7} "
                         f"({pilote.lieux[nature]}, {len(texte)} chars) {typiste.nom}")
            try:
                r = type_cas(pilote, nature, texte, typiste, journal)
            except bureau.Echec as e:
                r = Resultat(probleme=str(e), premier=None, dernier=None, ecarts=None,
                             recu=None, avant_premier=0)
            r.application, r.disposition, r.verr_maj = pilote.nom, disposition, verr_maj
            r.nature, r.typiste, r.caracteres = nature, typiste.nom, len(texte)
            resultats.append(r)
            debit = r.debit()
            debit = f"{debit:7.0f} chars/s" if debit else " " * 15
            if r.probleme is None:
                print(f"ok    {etiquette}  {debit}", flush=True)
            elif typiste.nom == "kovra":
                print(f"FAIL  {etiquette}  {debit}\n    {r.probleme}", flush=True)
            else:
                premiere = r.probleme.split("\n")[0]
                print(f"not exact  {etiquette}  {debit}  ({r.ecarts} characters lost "
                      f"or wrong; {premiere})", flush=True)
    bureau.mets_verr_maj(False)


def tableau_debits(resultats):
    """The rates as a Markdown table: one row an application, one column a case."""
    colonnes = [("us", False, "records"), ("fr", False, "records"), ("fr", False, "text"),
                ("fr", True, "records")]
    titres = ["records, us", "records, fr", "French text, fr", "records, fr, Caps Lock"]
    lignes = ["| Application | | " + " | ".join(titres) + " |",
              "|---|---|" + "---|" * len(titres)]
    for application in dict.fromkeys(r.application for r in resultats):
        for typiste in ("kovra", "xdotool"):
            cases = []
            for disposition, verr_maj, nature in colonnes:
                r = next((r for r in resultats if (r.application, r.typiste, r.disposition,
                          r.verr_maj, r.nature) == (application, typiste, disposition,
                                                    verr_maj, nature)), None)
                if r is None:
                    cases.append("")
                    continue
                debit = r.debit()
                texte = f"{debit:,.0f}".replace(",", " ") if debit else "–"
                if r.probleme is None:
                    texte += " exact"
                elif r.ecarts is not None:
                    texte += f" **{r.ecarts} wrong**"
                else:
                    texte += " **failed**"
                cases.append(texte)
            nom = "Kovra" if typiste == "kovra" else "xdotool"
            lignes.append(f"| {application} | {nom} | " + " | ".join(cases) + " |")
    return "\n".join(lignes)


def main():
    options = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    options.add_argument("--kovra-cli", required=True)
    options.add_argument("--apps", default=",".join(PILOTES))
    options.add_argument("--rates", action="store_true")
    options.add_argument("--repeat", type=int, default=None,
                         help="how many times over the texts are typed (default 1, 3 "
                              "with --rates)")
    options.add_argument("--keep", help="a folder for the logs and profiles, kept")
    arguments = options.parse_args()
    if "DISPLAY" not in os.environ:
        sys.exit("suite.py: no DISPLAY; run it under xvfb-run -a")
    noms = [n for n in arguments.apps.split(",") if n]
    inconnus = [n for n in noms if n not in PILOTES]
    if inconnus:
        sys.exit(f"suite.py: unknown application {', '.join(inconnus)}; known: "
                 f"{', '.join(PILOTES)}")
    repetitions = arguments.repeat or (3 if arguments.rates else 1)
    dossier = arguments.keep or tempfile.mkdtemp(prefix="kovra-applications-")
    os.makedirs(dossier, exist_ok=True)
    kovra = Kovra(os.path.abspath(arguments.kovra_cli), os.path.join(dossier, "kovra"))
    typistes = [kovra, Xdotool()] if arguments.rates else [kovra]
    configurations = CONFIGURATIONS
    if arguments.rates:
        configurations = [("us", False), ("fr", False), ("fr", True)]
    bureau.tiens_affichage()
    resultats = []
    debut = time.monotonic()
    with open(os.path.join(dossier, "typing.log"), "ab") as journal:
        # Each typist gets an application of its own: an application that xdotool's keymap
        # changes left busy or confused would hold back or garble the next typist's keys.
        for nom in noms:
            for typiste in typistes:
                pilote = PILOTES[nom]()
                depart = time.monotonic()
                try:
                    pilote.demarre(dossier)
                    print(f"--    {nom} started in {time.monotonic() - depart:.1f} s",
                          flush=True)
                    passe(pilote, typiste, configurations, repetitions, journal, resultats)
                except bureau.Echec as e:
                    print(f"FAIL  {nom}: {e}", flush=True)
                    resultats.append(Resultat(probleme=str(e), typiste=typiste.nom,
                                              application=nom))
                finally:
                    try:
                        pilote.arrete()
                    except Exception as e:  # noqa: BLE001 - a stop that fails is only reported
                        print(f"--    {nom} did not stop cleanly: {e}", flush=True)
    bureau.disposition("us")
    echecs = [r for r in resultats if r.typiste == "kovra" and r.probleme]
    reussites = [r for r in resultats if r.typiste == "kovra" and not r.probleme]
    if arguments.rates:
        print("\n" + tableau_debits([r for r in resultats if hasattr(r, "nature")]) + "\n")
    print(f"-- {time.monotonic() - debut:.0f} s; logs in {dossier}" if arguments.keep or echecs
          else f"-- {time.monotonic() - debut:.0f} s")
    print(f"{len(reussites)} passed, {len(echecs)} failed")
    if not arguments.keep and not echecs:
        shutil.rmtree(dossier, ignore_errors=True)
    return 1 if echecs else 0


if __name__ == "__main__":
    sys.exit(main())
