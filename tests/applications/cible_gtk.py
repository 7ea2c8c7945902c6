#!/usr/bin/python3
"""A GTK 3 text view that the application suite types into.

`cible_gtk.py TITLE` shows a window titled TITLE holding one GtkTextView (Tab and Enter
are kept as characters) and reads commands on its standard input, one a line, answering
each with one JSON line on its standard output:

  clear  empties the view, forgets the times, gives it the keyboard focus  -> {"ok": true}
  dump   the text received since the last clear and when its first and last change came
         (time.time() of this process)  -> {"text": ..., "first": ..., "last": ...}

It answers "ready" once its window is shown.
"""
import json
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


class Cible:
    def __init__(self, titre):
        self.fenetre = Gtk.Window(title=titre)
        self.fenetre.set_default_size(700, 500)
        self.fenetre.connect("destroy", Gtk.main_quit)
        defile = Gtk.ScrolledWindow()
        self.vue = Gtk.TextView()
        self.vue.set_accepts_tab(True)
        self.vue.set_monospace(True)
        defile.add(self.vue)
        self.fenetre.add(defile)
        self.tampon = self.vue.get_buffer()
        self.tampon.connect("changed", self.change)
        self.premier = None
        self.dernier = None
        self.fenetre.show_all()
        GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, self.commande)
        self.repond("ready")

    def change(self, _tampon):
        maintenant = time.time()
        if self.premier is None:
            self.premier = maintenant
        self.dernier = maintenant

    def repond(self, valeur):
        sys.stdout.write(json.dumps(valeur) + "\n")
        sys.stdout.flush()

    def commande(self, _fd, condition):
        ligne = sys.stdin.readline()
        if not ligne:
            Gtk.main_quit()
            return False
        ordre = ligne.strip()
        if ordre == "clear":
            self.tampon.set_text("")
            self.premier = None
            self.dernier = None
            self.vue.grab_focus()
            self.repond({"ok": True})
        elif ordre == "dump":
            debut, fin = self.tampon.get_bounds()
            texte = self.tampon.get_text(debut, fin, True)
            self.repond({"text": texte, "first": self.premier, "last": self.dernier})
        else:
            self.repond({"error": "unknown command " + ordre})
        return True


if __name__ == "__main__":
    Cible(sys.argv[1] if len(sys.argv) > 1 else "cible-gtk")
    Gtk.main()
