#!/usr/bin/python3
"""A stand-in for systemd-localed (org.freedesktop.locale1) on a private bus, for the Wayland bench.

`localed_essai.py LAYOUT` owns the name org.freedesktop.locale1 on the bus of
DBUS_SESSION_BUS_ADDRESS and serves its X11 keyboard properties: X11Layout is LAYOUT, the
others are empty. It prints "pret" once the name is its own and runs until it is ended.

mutter run on its own (without gnome-shell) takes the layout of its seat from these
properties, read on the system bus when it starts; the bench gives it this bus as its system
bus.
"""
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

INTERFACE = """
<node>
  <interface name="org.freedesktop.locale1">
    <property name="Locale" type="as" access="read"/>
    <property name="X11Layout" type="s" access="read"/>
    <property name="X11Model" type="s" access="read"/>
    <property name="X11Variant" type="s" access="read"/>
    <property name="X11Options" type="s" access="read"/>
    <property name="VConsoleKeymap" type="s" access="read"/>
    <property name="VConsoleKeymapToggle" type="s" access="read"/>
  </interface>
</node>
"""


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: localed_essai.py LAYOUT\n")
        return 2
    disposition = sys.argv[1]
    interface = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
    boucle = GLib.MainLoop()

    def propriete(_connexion, _envoyeur, _chemin, _interface, nom):
        if nom == "Locale":
            return GLib.Variant("as", [])
        return GLib.Variant("s", disposition if nom == "X11Layout" else "")

    def bus_pris(connexion, _nom):
        connexion.register_object("/org/freedesktop/locale1", interface, None, propriete, None)

    def nom_pris(_connexion, _nom):
        sys.stdout.write("pret\n")
        sys.stdout.flush()

    def nom_perdu(_connexion, _nom):
        sys.stderr.write("org.freedesktop.locale1 is not ours on this bus\n")
        boucle.quit()

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.locale1",
                     Gio.BusNameOwnerFlags.NONE, bus_pris, nom_pris, nom_perdu)
    boucle.run()
    return 1


if __name__ == "__main__":
    sys.exit(main())
