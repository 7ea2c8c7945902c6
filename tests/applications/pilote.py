"""What every application driver of the suite provides, and the processes they start.

A driver starts its application once (demarre), then for each case empties the place the
text goes to and gives it the keyboard focus (prepare), and reads back what arrived
(releve). Two natures of case exist: "records" (barcode records: fields separated by Tab,
records ended by Enter) and "text" (French text).
"""
import os
import signal
import subprocess
import time

import bureau
import textes


class Pilote:
    nom = ""
    # Where each nature of case goes, for the report ("text view", "form", "cells"...).
    lieux = {"records": "", "text": ""}
    # What a difference in a table names its rows and columns.
    noms = {"ligne": "row", "colonne": "column"}
    # How often what arrived is read while a case is typed, in seconds.
    pas_releve = 0.05

    def demarre(self, dossier):
        raise NotImplementedError

    def arrete(self):
        raise NotImplementedError

    def texte(self, nature, enregistrements, repetitions):
        """The text to type for a case: Tab and Enter as "\t" and "\n"."""
        if nature == "records":
            return textes.texte_enregistrements(enregistrements)
        return textes.texte_francais(repetitions)

    def attendu(self, nature, texte):
        """What the application holds once texte is typed, as releve() gives it."""
        raise NotImplementedError

    def prepare(self, nature, attendu):
        """Empties the place a case of this nature goes to and gives it the keyboard focus;
        attendu is what it should hold once the case is typed."""
        raise NotImplementedError

    def releve(self, nature):
        """(what arrived since prepare, time of the first input or None, of the last)."""
        raise NotImplementedError

    def releve_final(self, nature):
        """What arrived, read once typing is over (the same as releve() unless the
        application has a more exact way to read it)."""
        return self.releve(nature)[0]

    def verifie_focus(self):
        """Raises Echec unless the application still has the keyboard focus."""
        raise NotImplementedError


def table(texte):
    """The records of a text: one list of fields a line."""
    return [ligne.split("\t") for ligne in texte.split("\n")[:-1]]


class Processus:
    """A program started in a process group of its own, so that it is stopped with all
    the processes it started (a browser's or an office suite's helpers), and only those."""

    def __init__(self, commande, journal, env=None, **options):
        self.journal = journal
        self._sortie = open(journal, "ab")
        self.popen = subprocess.Popen(commande, stdout=options.pop("stdout", self._sortie),
                                      stderr=self._sortie, env=env, start_new_session=True,
                                      **options)

    @property
    def pid(self):
        return self.popen.pid

    def vivant(self):
        return self.popen.poll() is None

    def verifie_vivant(self, nom):
        if not self.vivant():
            raise bureau.Echec(f"{nom} exited with status {self.popen.returncode}; its "
                               f"output is in {self.journal}:\n{self.fin_journal()}")

    def fin_journal(self, octets=3000):
        try:
            with open(self.journal, "rb") as f:
                f.seek(0, os.SEEK_END)
                f.seek(max(0, f.tell() - octets))
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def arrete(self):
        for sig, attente in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
            try:
                os.killpg(self.popen.pid, sig)
            except ProcessLookupError:
                break
            limite = time.monotonic() + attente
            while time.monotonic() < limite:
                if self.popen.poll() is not None:
                    break
                time.sleep(0.05)
            if self.popen.poll() is not None:
                # The group may still hold helpers once its leader has gone.
                try:
                    os.killpg(self.popen.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                break
        self._sortie.close()
