"""LibreOffice Calc, with one VCL plugin (gen: its own X11 code; gtk3), read back through
its UNO bridge: records into cells (Tab to the next column, Enter to the next row, back
under the row's first cell), French text one sentence a cell down column A.

Calc changes what is typed unless told not to. A fresh profile written before the start
(registrymodifications.xcu, the file where LibreOffice keeps the options changed in
Tools > Options and Tools > AutoCorrect Options) turns off:
  - AutoInput (Tools > AutoInput): completing a cell from the entries above it in the
    column; with it, "A1" typed under "A133890838" followed by Enter becomes "A133890838";
  - every AutoCorrect option ("While Typing" and "Localized Options"): the replacement
    table ("..." to "…", "1/2" to "½"), capitals at the start of a sentence and the
    correction of TWo INitial CApitals or of cAPS LOCK, typographic single and double
    quotes, « » for << >>, dashes, ordinals, URL recognition, and the no-break space put
    before : ; ! ? in French text;
  - the tip of the day and the first-start dialogs, which would take the focus.
Each case also gets a new sheet whose cells are formatted as Text ("@") through UNO, so
that a code like 0034 keeps its zeros and 1/2 or 9.30 is not taken for a date, a time or
a number. The settings are read back through UNO after the start, so a name that
LibreOffice did not take fails the suite instead of passing unnoticed.
"""
import os
import socket
import time

import bureau
import textes
from pilote import Pilote, Processus, table

# uno (Debian's python3-uno) is imported where it is used, so that the other applications'
# drivers load without it.

# (path, property, value) written to the profile and checked after the start.
REGLAGES = [
    ("/org.openoffice.Office.Calc/Input", "AutoInput", False),
    ("/org.openoffice.Office.Common/Misc", "FirstRun", False),
    ("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", False),
    ("/org.openoffice.Office.Recovery/AutoSave", "Enabled", False),
] + [("/org.openoffice.Office.Common/AutoCorrect", nom, False) for nom in (
    "UseReplacementTable", "TwoCapitalsAtStart", "CapitalAtStartSentence",
    "ChangeUnderlineWeight", "SetInetAttribute", "ChangeOrdinalNumber", "ChangeDash",
    "AddNonBreakingSpace", "TransliterateRTL", "ChangeAngleQuotes", "RemoveDoubleSpaces",
    "CorrectAccidentalCapsLock", "ReplaceSingleQuote", "ReplaceDoubleQuote")]

_COLONNES_EN_PLUS = 2
_RANGEES_EN_PLUS = 3


def _registre():
    elements = "".join(
        f'<item oor:path="{chemin}"><prop oor:name="{nom}" oor:op="fuse">'
        f'<value>{"true" if valeur else "false"}</value></prop></item>\n'
        for chemin, nom, valeur in REGLAGES)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<oor:items xmlns:oor="http://openoffice.org/2001/registry" '
            'xmlns:xs="http://www.w3.org/2001/XMLSchema" '
            'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">\n'
            + elements + "</oor:items>\n")


def _port_libre():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class PiloteCalc(Pilote):
    lieux = {"records": "cells", "text": "cells"}

    def __init__(self, plugin):
        self.plugin = plugin
        self.nom = "calc-" + plugin

    def texte(self, nature, enregistrements, repetitions):
        if nature == "text":
            return textes.phrases(repetitions)
        return super().texte(nature, enregistrements, repetitions)

    def demarre(self, dossier):
        import uno  # Debian's python3-uno, for /usr/bin/python3
        from com.sun.star.connection import NoConnectException

        profil = os.path.join(dossier, f"lo-{self.plugin}-profil")
        os.makedirs(os.path.join(profil, "user"), exist_ok=True)
        with open(os.path.join(profil, "user", "registrymodifications.xcu"), "w",
                  encoding="utf-8") as f:
            f.write(_registre())
        port = _port_libre()
        env = dict(os.environ, SAL_USE_VCLPLUGIN=self.plugin, NO_AT_BRIDGE="1",
                   GTK_IM_MODULE="gtk-im-context-simple")
        self.processus = Processus(
            ["soffice", "--calc", "--norestore", "--nologo", "--nolockcheck",
             f"--accept=socket,host=127.0.0.1,port={port};urp;",
             "-env:UserInstallation=" + uno.systemPathToFileUrl(profil)],
            os.path.join(dossier, f"lo-{self.plugin}.log"), env=env)

        local = uno.getComponentContext()
        resolveur = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)

        def connecte():
            self.processus.verifie_vivant("LibreOffice")
            try:
                return resolveur.resolve(f"uno:socket,host=127.0.0.1,port={port};urp;"
                                         "StarOffice.ComponentContext")
            except NoConnectException:
                return None

        self.contexte = bureau.attends(connecte, 90, "LibreOffice's UNO bridge", pas=0.3)
        self.smgr = self.contexte.ServiceManager
        bureau_lo = self.smgr.createInstanceWithContext("com.sun.star.frame.Desktop",
                                                         self.contexte)

        def classeur():
            self.processus.verifie_vivant("LibreOffice")
            doc = bureau_lo.getCurrentComponent()
            return doc if doc is not None and doc.supportsService(
                "com.sun.star.sheet.SpreadsheetDocument") else None

        self.doc = bureau.attends(classeur, 60, "Calc's new spreadsheet", pas=0.3)
        self._verifie_reglages()
        self.fenetre = bureau.attends(self._fenetre_x, 60, "Calc's window shown", pas=0.3)
        self.numero = 0

    def _verifie_reglages(self):
        import uno
        fournisseur = self.smgr.createInstanceWithContext(
            "com.sun.star.configuration.ConfigurationProvider", self.contexte)
        for chemin, nom, valeur in REGLAGES:
            argument = uno.createUnoStruct("com.sun.star.beans.PropertyValue")
            argument.Name, argument.Value = "nodepath", chemin
            acces = fournisseur.createInstanceWithArguments(
                "com.sun.star.configuration.ConfigurationAccess", (argument,))
            if acces.getPropertyValue(nom) != valeur:
                raise bureau.Echec(f"LibreOffice did not take {chemin}/{nom} = {valeur} "
                                   "from the profile")

    def _fenetre_x(self):
        """The X window of the document's frame, from the frame itself (so no other
        window with a similar title can be taken for it), once it is shown."""
        import uno
        from com.sun.star.lang.SystemDependent import SYSTEM_XWINDOW
        self.processus.verifie_vivant("LibreOffice")
        conteneur = self.doc.getCurrentController().getFrame().getContainerWindow()
        identifiant = conteneur.getWindowHandle(uno.ByteSequence(b"\0" * 16),
                                                SYSTEM_XWINDOW)
        if not identifiant:
            return None
        # The toplevel the frame's window is in: the window that takes the focus.
        haut = bureau.ancetres(int(identifiant.WindowHandle))[-1]
        return haut if bureau.visible(haut) else None

    def arrete(self):
        try:
            self.doc.setModified(False)
            self.doc.close(True)
        except Exception:  # noqa: BLE001 - the office may be gone; it is stopped anyway
            pass
        self.processus.arrete()

    def attendu(self, nature, texte):
        return table(texte)

    def prepare(self, nature, attendu):
        self.taille = (len(attendu), max(len(r) for r in attendu))
        self.numero += 1
        feuilles = self.doc.getSheets()
        nom = f"Cas{self.numero}"
        feuilles.insertNewByName(nom, feuilles.getCount())
        self.feuille = feuilles.getByName(nom)
        import uno
        formats = self.doc.getNumberFormats()
        locale = uno.createUnoStruct("com.sun.star.lang.Locale")
        texte = formats.queryKey("@", locale, False)
        if texte == -1:
            texte = formats.addNew("@", locale)
        self.feuille.getCellRangeByName("A1:Z2000").NumberFormat = texte
        # A new sheet has its cursor on A1 and nothing marked. (Selecting A1 through UNO
        # would mark it as a range of one cell, inside which Tab and Enter go round and
        # round without leaving A1.)
        self.doc.getCurrentController().setActiveSheet(self.feuille)
        self.premier = self.dernier = None
        self.vu = None
        bureau.donne_focus(self.fenetre)

    def _lit(self, rangees, colonnes):
        plage = self.feuille.getCellRangeByPosition(0, 0, colonnes - 1, rangees - 1)
        return [[v if isinstance(v, str) else repr(v) for v in rangee]
                for rangee in plage.getDataArray()]

    @staticmethod
    def _rogne(grille):
        rangees = [list(r) for r in grille]
        for r in rangees:
            while r and r[-1] == "":
                r.pop()
        while rangees and not rangees[-1]:
            rangees.pop()
        return rangees

    def releve(self, nature):
        rangees, colonnes = self.taille
        grille = self._rogne(self._lit(rangees + _RANGEES_EN_PLUS,
                                       colonnes + _COLONNES_EN_PLUS))
        if grille != self.vu:
            maintenant = time.time()
            if grille and self.premier is None:
                self.premier = maintenant
            self.dernier = maintenant
            self.vu = grille
        return grille, self.premier, self.dernier

    def releve_final(self, nature):
        """The cells as getString() gives them, over the expected area and a margin."""
        rangees, colonnes = self.taille
        grille = [[self.feuille.getCellByPosition(c, r).getString()
                   for c in range(colonnes + _COLONNES_EN_PLUS)]
                  for r in range(rangees + _RANGEES_EN_PLUS)]
        return self._rogne(grille)

    def verifie_focus(self):
        self.processus.verifie_vivant("LibreOffice")
        if self.fenetre not in bureau.ancetres(bureau.fenetre_focus() or 0):
            raise bureau.Echec(f"Calc ({self.plugin}) lost the keyboard focus")
