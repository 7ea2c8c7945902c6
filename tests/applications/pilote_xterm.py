"""xterm: cible_terminal.py runs in it and records the bytes the terminal sends.

The terminal is raw (see cible_terminal.py), so what is compared is exactly what xterm
wrote to the pseudo-terminal: the text in UTF-8, Tab as 0x09, and Enter as the carriage
return 0x0d that xterm sends for Return (a cooked tty would have turned it into 0x0a).
One recording runs for the whole suite; a case is the bytes that came after its start.
"""
import os

import bureau
from pilote import Pilote, Processus

_ICI = os.path.dirname(os.path.abspath(__file__))


class PiloteXterm(Pilote):
    nom = "xterm"
    lieux = {"records": "raw tty", "text": "raw tty"}

    def demarre(self, dossier):
        self.donnees = os.path.join(dossier, "xterm-recu.bin")
        self.notes = os.path.join(dossier, "xterm-recu.log")
        for chemin in (self.donnees, self.notes):
            open(chemin, "wb").close()
        titre = "kovra-cible-xterm"
        # UTF-8 from the locale and -u8; the window title fixed; nothing of the user's
        # resources (-xrm over them) changes what the keys send.
        env = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8")
        self.processus = Processus(
            ["xterm", "-u8", "-title", titre, "-geometry", "100x30+0+0",
             "-xrm", "XTerm*allowTitleOps: false", "-xrm", "XTerm*metaSendsEscape: false",
             "-e", "/usr/bin/python3", os.path.join(_ICI, "cible_terminal.py"),
             self.donnees, self.notes],
            os.path.join(dossier, "xterm.log"), env=env)
        bureau.attends(lambda: self._pret(), 30, "the recorder in xterm")
        self.fenetre = bureau.attends_fenetre(30, "the xterm window", "--name", titre)
        self.debut = 0

    @staticmethod
    def _lignes(chemin):
        with open(chemin, encoding="utf-8") as f:
            return f.read().splitlines()

    def _pret(self):
        self.processus.verifie_vivant("xterm")
        return "ready" in self._lignes(self.notes)

    def arrete(self):
        self.processus.arrete()

    def attendu(self, nature, texte):
        return texte.replace("\n", "\r").encode("utf-8")

    def prepare(self, nature, attendu):
        self.debut = os.path.getsize(self.donnees)
        bureau.donne_focus(self.fenetre)

    def releve(self, nature):
        with open(self.donnees, "rb") as f:
            f.seek(self.debut)
            recu = f.read()
        premier = dernier = None
        for ligne in self._lignes(self.notes):
            morceaux = ligne.split()
            if len(morceaux) == 2 and int(morceaux[1]) > self.debut:
                premier = premier or float(morceaux[0])
                dernier = float(morceaux[0])
        return recu, premier, dernier

    def verifie_focus(self):
        self.processus.verifie_vivant("xterm")
        if self.fenetre not in bureau.ancetres(bureau.fenetre_focus() or 0):
            raise bureau.Echec("the xterm window lost the keyboard focus")

