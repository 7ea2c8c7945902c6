"""The X display the suite types on: waiting, windows, focus, layout and lock keys.

There is no window manager under plain Xvfb: a window gets the keyboard focus only when it
is given it (`xdotool windowfocus`), and nothing takes it away. Every wait here polls with
a time limit and says what it waited for when the time is up.
"""
import ctypes
import ctypes.util
import os
import subprocess
import time


class Echec(Exception):
    """A case or a set-up step failed; the message says what was expected and what came."""


def attends(condition, delai, quoi, pas=0.1):
    """Polls condition() until it returns a true value, which is returned; Echec after
    delai seconds, naming quoi."""
    limite = time.monotonic() + delai
    while True:
        valeur = condition()
        if valeur:
            return valeur
        if time.monotonic() > limite:
            raise Echec(f"timed out after {delai:g} s waiting for {quoi}")
        time.sleep(pas)


def xdotool(*arguments, delai=10):
    """Runs xdotool; its standard output, stripped, or None when it failed."""
    try:
        fini = subprocess.run(["xdotool", *arguments], capture_output=True, text=True,
                              timeout=delai)
    except subprocess.TimeoutExpired:
        return None
    return fini.stdout.strip() if fini.returncode == 0 else None


def fenetres(*criteres):
    """The visible windows matching xdotool search criteria (e.g. "--pid", "123")."""
    sortie = xdotool("search", "--onlyvisible", *criteres)
    return [int(ligne) for ligne in sortie.split()] if sortie else []


def attends_fenetre(delai, quoi, *criteres):
    """The last visible window matching the criteria, once there is one."""
    return attends(lambda: (fenetres(*criteres) or [None])[-1], delai, quoi, pas=0.2)


def fenetre_focus():
    """The window that has the keyboard focus (xdotool getwindowfocus -f), or None."""
    sortie = xdotool("getwindowfocus", "-f")
    return int(sortie) if sortie and sortie.isdigit() else None


def ancetres(fenetre):
    """fenetre and its parents up to the root, from xwininfo -tree."""
    chaine = []
    while fenetre:
        chaine.append(fenetre)
        try:
            arbre = subprocess.run(["xwininfo", "-tree", "-id", str(fenetre)],
                                   capture_output=True, text=True, timeout=10).stdout
        except subprocess.TimeoutExpired:
            break
        parent = None
        for ligne in arbre.splitlines():
            if "Parent window id:" in ligne:
                parent = int(ligne.split(":")[1].split()[0], 16)
        racine = next((int(l.split(":")[1].split()[0], 16) for l in arbre.splitlines()
                       if "Root window id:" in l), None)
        if parent is None or parent == racine:
            break
        fenetre = parent
    return chaine


def visible(fenetre):
    """Whether fenetre is mapped and all its parents too (xwininfo: IsViewable)."""
    try:
        return "IsViewable" in subprocess.run(["xwininfo", "-id", str(fenetre)],
                                              capture_output=True, text=True,
                                              timeout=10).stdout
    except subprocess.TimeoutExpired:
        return False


def donne_focus(fenetre, delai=15):
    """Gives fenetre the keyboard focus and waits until the server says it (or one of its
    sub-windows, where a toolkit keeps the focus on a child) has it."""
    def focus_pris():
        focus = fenetre_focus()
        return focus is not None and fenetre in ancetres(focus)

    def essaie():
        if focus_pris():
            return True
        xdotool("windowactivate", str(fenetre), delai=2)  # no-op without a window manager
        xdotool("windowfocus", "--sync", str(fenetre), delai=2)
        return focus_pris()

    attends(essaie, delai, f"the keyboard focus on window {fenetre}", pas=0.3)


def disposition(nom):
    """Loads the keyboard layout nom (us, fr...) on the display."""
    subprocess.run(["setxkbmap", nom], check=True, timeout=30)
    attends(lambda: f"layout:     {nom}" in subprocess.run(
        ["setxkbmap", "-query"], capture_output=True, text=True, timeout=10).stdout,
        10, f"the layout {nom}")


class _EtatXkb(ctypes.Structure):
    _fields_ = [("group", ctypes.c_ubyte), ("locked_group", ctypes.c_ubyte),
                ("base_group", ctypes.c_ushort), ("latched_group", ctypes.c_ushort),
                ("mods", ctypes.c_ubyte), ("base_mods", ctypes.c_ubyte),
                ("latched_mods", ctypes.c_ubyte), ("locked_mods", ctypes.c_ubyte),
                ("compat_state", ctypes.c_ubyte), ("grab_mods", ctypes.c_ubyte),
                ("compat_grab_mods", ctypes.c_ubyte), ("lookup_mods", ctypes.c_ubyte),
                ("compat_lookup_mods", ctypes.c_ubyte), ("ptr_buttons", ctypes.c_ushort)]


def modificateurs_verrouilles():
    """The locked modifiers of the core keyboard (XkbGetState): Lock (2) is Caps Lock,
    Mod2 (16) Num Lock on a standard keymap."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XkbGetState.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.POINTER(_EtatXkb)]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    affichage = x11.XOpenDisplay(os.environ["DISPLAY"].encode())
    if not affichage:
        raise Echec("cannot open the X display " + os.environ["DISPLAY"])
    try:
        etat = _EtatXkb()
        if x11.XkbGetState(affichage, 0x100, ctypes.byref(etat)) != 0:  # XkbUseCoreKbd
            raise Echec("XkbGetState failed")
        return etat.locked_mods
    finally:
        x11.XCloseDisplay(affichage)


VERR_MAJ = 2


def tiens_affichage():
    """Opens a connection to the display that stays open until the process ends. An X
    server resets when its last client leaves, and loads its default layout again: without
    this, a layout loaded while no application is connected would be gone at once."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    if not x11.XOpenDisplay(os.environ["DISPLAY"].encode()):
        raise Echec("cannot open the X display " + os.environ["DISPLAY"])


def verr_maj():
    return bool(modificateurs_verrouilles() & VERR_MAJ)


def mets_verr_maj(allume):
    """Presses Caps Lock (xdotool key Caps_Lock) if it is not already as wanted."""
    if verr_maj() != allume:
        xdotool("key", "Caps_Lock")
        attends(lambda: verr_maj() == allume, 5, "Caps Lock " + ("on" if allume else "off"))
