"""Chromium, a real window on the display (not headless), on page.html: French text into
its text area, barcode records into its form (Tab from input to input, Enter submits)."""
import os
import shutil

import bureau
from pilote import Pilote, Processus, table
from serveur_page import ServeurPage


def _navigateur():
    for nom in ("chromium", "chromium-browser", "google-chrome"):
        chemin = shutil.which(nom)
        if chemin:
            return chemin
    raise bureau.Echec("no Chromium found (Debian package chromium)")


class PiloteChromium(Pilote):
    nom = "chromium"
    lieux = {"records": "form", "text": "textarea"}
    noms = {"ligne": "record", "colonne": "field"}

    def demarre(self, dossier):
        self.serveur = ServeurPage()
        self.cas = 0
        profil = os.path.join(dossier, "chromium-profil")
        commande = [
            _navigateur(), "--user-data-dir=" + profil, "--no-first-run",
            "--no-default-browser-check", "--disable-gpu", "--disable-dev-shm-usage",
            "--disable-extensions", "--disable-sync", "--disable-background-networking",
            "--disable-component-update", "--disable-default-apps", "--password-store=basic",
            "--disable-features=Translate,AutofillServerCommunication,MediaRouter",
            "--noerrdialogs", "--window-position=0,0", "--window-size=1000,700",
            "--app=" + self.serveur.adresse]
        if os.geteuid() == 0:
            commande.insert(1, "--no-sandbox")  # Chromium refuses root with its sandbox
        self.processus = Processus(commande, os.path.join(dossier, "chromium.log"))
        self.fenetre = bureau.attends_fenetre(
            60, "the Chromium window", "--pid", str(self.processus.pid), "--name",
            "kovra-cible-navigateur")
        bureau.attends(lambda: self._verifie_vivant() or self.serveur.etat(), 60,
                       "the page to report to the test's server")

    def _verifie_vivant(self):
        self.processus.verifie_vivant("Chromium")

    def arrete(self):
        self.processus.arrete()
        self.serveur.arrete()

    def attendu(self, nature, texte):
        return table(texte) if nature == "records" else texte

    def prepare(self, nature, attendu):
        self.cas += 1
        champ = "form" if nature == "records" else "text"
        actif = "code" if nature == "records" else "zone"
        self.serveur.nouveau_cas(self.cas, champ)
        bureau.donne_focus(self.fenetre)

        def pret():
            self._verifie_vivant()
            etat = self.serveur.etat()
            return (etat.get("cas") == self.cas and etat.get("focus")
                    and etat.get("actif") == actif and not etat.get("zone")
                    and not etat.get("enregistrements"))

        bureau.attends(pret, 20, f"the page to focus its {champ} with the window focused")

    def releve(self, nature):
        etat = self.serveur.etat()
        if etat.get("cas") != self.cas:
            return ([] if nature == "records" else ""), None, None
        contenu = etat["enregistrements"] if nature == "records" else etat["zone"]
        return contenu, etat.get("premier"), etat.get("dernier")

    def verifie_focus(self):
        self._verifie_vivant()
        if self.fenetre not in bureau.ancetres(bureau.fenetre_focus() or 0):
            raise bureau.Echec("the Chromium window lost the keyboard focus")
