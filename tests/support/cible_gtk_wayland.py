#!/usr/bin/python3
"""A GTK 3 text view on a Wayland compositor (GDK_BACKEND=wayland), for the Wayland bench.

`cible_gtk_wayland.py TITLE` shows a window titled TITLE holding one GtkTextView with the
focus inside the window. It writes one JSON line on its standard output for each of:

  "shown"                      its window is shown
  {"focus": true|false}        the window got or lost the keyboard focus (wl_keyboard
                               enter/leave: a client cannot take it on Wayland, the
                               compositor gives it)

and answers commands read on its standard input, one a line:

  dump   -> {"text": the text received so far}
  clear  empties the view -> {"ok": true}

It ends at the end of its input.
"""
import json
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def ecrit(valeur):
    sys.stdout.write(json.dumps(valeur) + "\n")
    sys.stdout.flush()


class Cible:
    def __init__(self, titre):
        self.fenetre = Gtk.Window(title=titre)
        self.fenetre.set_default_size(600, 400)
        self.fenetre.connect("destroy", Gtk.main_quit)
        self.fenetre.connect("notify::is-active", self.actif)
        self.vue = Gtk.TextView()
        self.vue.set_accepts_tab(True)
        self.fenetre.add(self.vue)
        self.tampon = self.vue.get_buffer()
        self.fenetre.show_all()
        self.vue.grab_focus()
        GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, self.commande)
        ecrit("shown")

    def actif(self, fenetre, _propriete):
        ecrit({"focus": fenetre.is_active()})

    def commande(self, _fd, _condition):
        ligne = sys.stdin.readline()
        if not ligne:
            Gtk.main_quit()
            return False
        ordre = ligne.strip()
        if ordre == "dump":
            debut, fin = self.tampon.get_bounds()
            ecrit({"text": self.tampon.get_text(debut, fin, True)})
        elif ordre == "clear":
            self.tampon.set_text("")
            ecrit({"ok": True})
        else:
            ecrit({"error": "unknown command " + ordre})
        return True


if __name__ == "__main__":
    Cible(sys.argv[1] if len(sys.argv) > 1 else "cible-gtk-wayland")
    Gtk.main()
