"""GTK 3: a text view (cible_gtk.py) gets both natures of case, Tab and Enter as text."""
import json
import os
import select
import subprocess

import bureau
from pilote import Pilote, Processus

_ICI = os.path.dirname(os.path.abspath(__file__))


class PiloteGtk(Pilote):
    nom = "gtk3"
    lieux = {"records": "text view", "text": "text view"}

    def demarre(self, dossier):
        env = dict(os.environ, NO_AT_BRIDGE="1", GTK_IM_MODULE="gtk-im-context-simple")
        titre = "kovra-cible-gtk"
        self.processus = Processus(["/usr/bin/python3", os.path.join(_ICI, "cible_gtk.py"),
                                    titre], os.path.join(dossier, "gtk3.log"), env=env,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        if self._reponse(30) != "ready":
            raise bureau.Echec("the GTK program did not start")
        self.fenetre = bureau.attends_fenetre(30, "the GTK window", "--name", titre)

    def arrete(self):
        self.processus.arrete()

    def _reponse(self, delai=10):
        sortie = self.processus.popen.stdout
        if not select.select([sortie], [], [], delai)[0]:
            self.processus.verifie_vivant("the GTK program")
            raise bureau.Echec("the GTK program did not answer")
        ligne = sortie.readline()
        if not ligne:
            self.processus.verifie_vivant("the GTK program")
        return json.loads(ligne)

    def _commande(self, ordre):
        self.processus.popen.stdin.write(ordre.encode() + b"\n")
        self.processus.popen.stdin.flush()
        return self._reponse()

    def attendu(self, nature, texte):
        return texte

    def prepare(self, nature, attendu):
        self._commande("clear")
        bureau.donne_focus(self.fenetre)

    def releve(self, nature):
        etat = self._commande("dump")
        return etat["text"], etat["first"], etat["last"]

    def verifie_focus(self):
        self.processus.verifie_vivant("the GTK program")
        if self.fenetre not in bureau.ancetres(bureau.fenetre_focus() or 0):
            raise bureau.Echec("the GTK window lost the keyboard focus")
