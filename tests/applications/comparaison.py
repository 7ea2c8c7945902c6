"""Says where what an application received first differs from what was typed."""
import difflib


def _montre(valeur):
    return repr(valeur)


def _extrait(sequence, position, largeur=24):
    debut = max(0, position - largeur)
    return ("…" if debut else "") + _montre(sequence[debut:position + largeur]) + (
        "…" if position + largeur < len(sequence) else "")


def _nomme(element):
    if isinstance(element, int):  # a byte
        return f"0x{element:02x} {bytes([element])!r}"
    if isinstance(element, str) and len(element) == 1:
        return f"U+{ord(element):04X} {element!r}"
    return _montre(element)


def difference_suite(attendu, recu):
    """For two strings or byte strings: None when equal, else the first differing position
    with the expected and received element and the text around it."""
    if attendu == recu:
        return None
    n = next((i for i, (a, b) in enumerate(zip(attendu, recu)) if a != b),
             min(len(attendu), len(recu)))
    a = _nomme(attendu[n]) if n < len(attendu) else "(end)"
    b = _nomme(recu[n]) if n < len(recu) else "(end)"
    return (f"first difference at position {n} of {len(attendu)} expected "
            f"({len(recu)} received): expected {a}, got {b}\n"
            f"    expected around it: {_extrait(attendu, n)}\n"
            f"    got around it:      {_extrait(recu, n)}")


def difference_table(attendu, recu, ligne="row", colonne="column"):
    """For two tables (lists of rows of strings): None when equal, else the first differing
    cell, named by its row and column counted from 1, and the difference inside it."""
    if attendu == recu:
        return None
    for r in range(max(len(attendu), len(recu))):
        rangee_a = attendu[r] if r < len(attendu) else []
        rangee_b = recu[r] if r < len(recu) else []
        for c in range(max(len(rangee_a), len(rangee_b))):
            a = rangee_a[c] if c < len(rangee_a) else None
            b = rangee_b[c] if c < len(rangee_b) else None
            if a != b:
                message = (f"first difference at {ligne} {r + 1}, {colonne} {c + 1} "
                           f"({len(attendu)} {ligne}s expected, {len(recu)} received): "
                           f"expected {_montre(a)}, got {_montre(b)}")
                if a is not None and b is not None:
                    message += "\n    inside it: " + difference_suite(a, b).replace(
                        "\n", "\n    ")
                return message
    return f"the tables differ in shape: expected {len(attendu)} {ligne}s, got {len(recu)}"


def difference(attendu, recu, **noms):
    if isinstance(attendu, (str, bytes)):
        return difference_suite(attendu, recu)
    return difference_table(attendu, recu, **noms)


def compte_ecarts(attendu, recu):
    """How many elements of the typed text did not arrive as typed (lost or changed), by
    the longest matching blocks of the two, tables flattened to text; for the rates'
    exactness column."""
    if not isinstance(attendu, (str, bytes)):
        attendu = "\n".join("\t".join(r) for r in attendu)
        recu = "\n".join("\t".join(r) for r in recu)
    if attendu == recu:
        return 0
    blocs = difflib.SequenceMatcher(None, attendu, recu, autojunk=False).get_matching_blocks()
    return max(len(attendu) - sum(b.size for b in blocs), 1)
