"""What the suite types: barcode records and French text, and their key strings.

A text to type is a plain string in which "\t" is the Tab key and "\n" the Enter key.
chaine_touches() writes it as a Kovra key string; xdotool types the plain string itself.
"""
import random

# Characters the key-string syntax gives a meaning of their own, written {c} to type them.
_SPECIAUX = set("+^%~(){}")


def chaine_touches(texte):
    """The key string that types texte: {TAB} and {ENTER} for Tab and Enter, the syntax's
    own characters in braces, every other character as itself."""
    morceaux = []
    for c in texte:
        if c == "\t":
            morceaux.append("{TAB}")
        elif c == "\n":
            morceaux.append("{ENTER}")
        elif c in _SPECIAUX:
            morceaux.append("{" + c + "}")
        else:
            morceaux.append(c)
    return "".join(morceaux)


def texte_enregistrements(enregistrements):
    """Fields separated by Tab, each record ended by Enter."""
    return "".join("\t".join(champs) + "\n" for champs in enregistrements)


def _chiffres(alea, n):
    return "".join(alea.choice("0123456789") for _ in range(n))


def _code(alea, sorte):
    if sorte == 0:  # an internal reference: a letter and nine digits
        return alea.choice("UA") + _chiffres(alea, 9)
    if sorte == 1:  # EAN-13
        return _chiffres(alea, 13)
    if sorte == 2:  # Code 39: capitals, digits and - . space $ / + %
        jeu = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-. $/+%"
        return alea.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") + "".join(
            alea.choice(jeu) for _ in range(alea.randint(5, 11))) + alea.choice("0123456789")
    if sorte == 3:  # GS1-128 with its application identifiers in parentheses
        return (f"(01){_chiffres(alea, 14)}(17){_chiffres(alea, 6)}"
                f"(10){alea.choice(['LOT', 'L', 'B'])}{alea.randint(1, 999)}")
    # Code 128: any printable ASCII
    jeu = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"
    return alea.choice("abcdefghijklmnopqrstuvwxyz") + "".join(
        alea.choice(jeu) for _ in range(alea.randint(6, 14))) + alea.choice("xyz")


_LIBELLES = ["Vis M6x20", "Écrou HM8", "Rondelle Ø10", "Câble 3G1,5", "Gaine ICTA 20",
             "Boîte dérivation", "Équerre 40/40", "Collier +25", "Cheville 8 % off",
             "Lot (x100)", "Joint ^torique", "Tube PER ~16", "Coude 90°", "Té égal {22}"]


def enregistrements(nombre, graine=20240611):
    """nombre barcode records [code, quantity, label], the same for a given graine. The
    codes mix references, EAN-13, Code 39 and Code 128 with their signs, and doubled
    characters; every tenth record repeats the one before it, as when an article is
    scanned twice."""
    alea = random.Random(graine)
    fixes = [["U104332181", "9", "Vis M6x20"], ["A133890838", "115", "Écrou HM8"],
             ["AA1100XX", "22", "Collier +25"], ["$/+%-. 39", "1", "Lot (x100)"],
             ["+(01)03453120000011(17)191125(10)ABCD1234", "2", "Té égal {22}"]]
    resultat = fixes[:nombre]
    while len(resultat) < nombre:
        if len(resultat) % 10 == 9:
            resultat.append(list(resultat[-1]))
            continue
        code = _code(alea, alea.randrange(5))
        if alea.random() < 0.3:  # a doubled run inside the code
            i = alea.randrange(len(code))
            code = code[:i] + code[i] * alea.randint(2, 3) + code[i + 1:]
        quantite = str(alea.choice([1, 2, 5, 10, 11, 12, 100, 1000, alea.randint(1, 9999)]))
        resultat.append([code, quantite, alea.choice(_LIBELLES)])
    return resultat


# French text, one sentence an item: capital and small accented letters, œ and Œ, æ, « »
# with no-break spaces (U+00A0) and narrow no-break spaces (U+202F) before the high
# punctuation, the euro sign, the typographic apostrophe and the ellipsis.
PHRASES = [
    "À l’école, Émile a reçu «\u00a0Le Petit Prince\u00a0» pour Noël…",
    "Ça coûte 12,50\u00a0€\u202f; c’est cher, non\u202f?",
    "Où êtes-vous allés cet été ? Au Pays basque, près d’Hendaye !",
    "L’œuvre de Zoé, « Cœur d’Œdipe », a été jouée à l’Opéra Garnier.",
    "Ève et Agnès préfèrent le crème brûlée à l’île flottante.",
    "Le maïs, le pâté et les châtaignes sont à gauche ; les bœufs à droite.",
    "ÉLÈVES, PROFESSEURS : LA RÉUNION AURA LIEU À 14 H DANS LA SALLE Œ.",
    "Ôtez vos chaussures, s’il vous plaît ; merci beaucoup !",
    "Il était une fois… une forêt où vivaient un renard, un hérisson et un écureuil.",
    "Le naïf Noël reçut une œillère, une bûche et un cæcum en chocolat.",
    "«\u202fVoilà\u202f!\u202f» s’écria-t-il, «\u00a0j’ai trouvé 3\u00a0€ et 50 centimes.\u00a0»",
    "Ÿ, Ü, Ï, Ë : les trémas majuscules existent aussi, même s’ils sont rares.",
    "Çà et là, les épis de blé ondulaient sous le vent d’août.",
    "Où est passée l’Ægide ? Ni à Besançon ni à Neuchâtel…",
    "Le château de Chambord compte 426 pièces, 77 escaliers et 282 cheminées.",
    "Quel été ! Quelle fraîcheur à l’aube, quelle chaleur à midi !",
    "Le garçon a goûté la bouillabaisse ; l’aïoli était très relevé.",
    "Dès l’ouverture, à 9 h 30, la file s’étirait jusqu’au coin de la rue.",
    "Mœurs, vœux, sœurs, nœuds\u00a0: autant de mots qu’on écrit avec œ.",
    "« Êtes-vous sûr ? » demanda Hélène. « Absolument », répondit Grégoire.",
]


def texte_francais(repetitions=1):
    """The sentences in paragraphs of four, a space between sentences and Enter after each
    paragraph; repetitions times over."""
    paragraphes = []
    for _ in range(repetitions):
        for i in range(0, len(PHRASES), 4):
            paragraphes.append(" ".join(PHRASES[i:i + 4]))
    return "".join(p + "\n" for p in paragraphes)


def phrases(repetitions=1):
    """One sentence a line, Enter after each: for the cells of a spreadsheet column."""
    return "".join(p + "\n" for p in PHRASES * repetitions)
