#!/usr/bin/python3
"""Runs inside xterm and records every byte the terminal sends, untranslated.

`cible_terminal.py DATA LOG` puts its terminal in raw mode (no echo, no line editing, and
none of the tty's input translations: Enter arrives as the carriage return xterm sends,
not as a newline), then appends what it reads to DATA as it comes and, after each read,
a line "TIME SIZE" to LOG: time.time() and DATA's size after that read. It writes
"ready" alone on the LOG's first line once the terminal is raw. It runs until it is
killed; the keys that would interrupt it (Ctrl+C, Ctrl+Z) are plain bytes in raw mode.
"""
import os
import sys
import termios
import time
import tty


def main():
    donnees, journal = sys.argv[1], sys.argv[2]
    tty.setraw(sys.stdin.fileno(), termios.TCSANOW)
    taille = 0
    with open(donnees, "ab", buffering=0) as sortie, open(journal, "a") as notes:
        notes.write("ready\n")
        notes.flush()
        while True:
            morceau = os.read(sys.stdin.fileno(), 65536)
            if not morceau:
                return
            maintenant = time.time()
            sortie.write(morceau)
            taille += len(morceau)
            notes.write(f"{maintenant:.6f} {taille}\n")
            notes.flush()


if __name__ == "__main__":
    main()
