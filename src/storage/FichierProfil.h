#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace kovra {

// How the text of a settings file without a UTF-8 signature is decoded.
enum class EncodageFichier {
    // A file a person may have saved by hand (PortSerie.ini, Touche.ini, ...): UTF-8 when
    // its bytes are valid UTF-8 holding characters beyond ASCII, all of which Windows-1252
    // has (see SeLitEnUtf8), else Windows-1252.
    Detecte,
    // A file only Kovra writes (the compiled scenarios): Windows-1252, whatever its bytes
    // look like, so that it reads back as it was written.
    Windows1252,
};

// Windows-1252 for a compiled scenario (an .ini file in a folder named Scenarios),
// detected for every other file.
EncodageFichier EncodageSelonChemin(const QString& chemin);

// A settings file of sections and "key=value" lines, read and written the way the
// Windows profile functions do it, so files stay interchangeable with the Windows program:
// - a line ends at a carriage return, a line feed, or both;
// - a section line starts with "[" and its name ends at the first "]" or at the line end;
// - a line whose first character is ";" is a comment; lines before the first section
//   belong to none;
// - names and values in the file lose the blanks, tabs and vertical tabs around them
//   (other spaces, such as no-break spaces, are characters of the text);
// - sections and keys match without regard to case; the names asked for lose only their
//   surrounding spaces; the first section and the first key of a name count;
// - a value loses one pair of enclosing quotes, is cut to 2054 characters, and reads as
//   the empty text when the file, the section or the key is missing.
// Writing changes or adds one line and keeps every other byte of the file: comments,
// order, line ends (a last line without one included) and encoding.
class DocumentProfil {
public:
    // Longest value a reading returns.
    static constexpr qsizetype kLongueurMax = 2054;

    // A file that is missing or unreadable gives an empty document, which is what a
    // reading of it must give; an unreadable one is never saved over.
    static DocumentProfil Charge(const QString& chemin, EncodageFichier encodage);
    // The encoding chosen by EncodageSelonChemin.
    static DocumentProfil Charge(const QString& chemin);
    static DocumentProfil DepuisOctets(const QByteArray& octets,
                                       EncodageFichier encodage = EncodageFichier::Detecte);

    QString Lit(const QString& section, const QString& cle) const;
    // Sets the value, adding the key, and the section, when missing. Line breaks in the
    // value become blanks: one line per value. Returns false, and changes nothing, for a
    // section or a key that a reading could not find again: an empty key, a key starting
    // with ";" (Windows writes it as a comment) or "[", holding "=", a section holding "]",
    // names holding line breaks, starting or ending with a tab, or holding characters the
    // file's encoding lacks. Also refused: a value that would make a file whose encoding is
    // told from its bytes (plain ASCII so far, so Windows-1252) read as UTF-8 (such as "Ã©",
    // bytes C3 A9), since it would not come back as written; a character Windows-1252 lacks
    // in a UTF-8 file without a signature, which would make the whole file read as
    // Windows-1252; and any write that a reading would not find (a line of bytes that are
    // no UTF-8 in a file with a UTF-8 signature).
    [[nodiscard]] bool Ecrit(const QString& section, const QString& cle, const QString& valeur);

    QByteArray EnOctets() const;
    // Replaces the file in one step: an interrupted save leaves the old file whole.
    // Fails for a document loaded from a file that exists but could not be read.
    [[nodiscard]] bool Enregistre(const QString& chemin) const;

    // True once a written value held characters that the file's encoding (Windows-1252)
    // cannot hold; they were stored as "?".
    bool PerteEncodage() const { return perteEncodage_; }

private:
    struct Ligne {
        QByteArray brut; // bytes as in the file, without the line end
        QByteArray fin;  // the line end as in the file: "\r\n", "\n", "\r", or none
        QString texte;   // decoded
    };

    // Ecrit with the names and the value made ready, before the checks of the result.
    [[nodiscard]] bool Remplace(const QString& section, const QString& cle, const QString& valeur);
    // What a reading gives for a value written to this file.
    QString Relecture(const QString& valeur) const;
    QString Decode(const QByteArray& brut) const;
    QByteArray Encode(const QString& texte);
    // A new line as it will stand in the file.
    Ligne Fabrique(const QString& texte, QByteArray fin);
    // Inserts a new line before line `position`, with the line ends of its neighbours.
    void Insere(qsizetype position, const QString& texte);
    // Index of the header line of the first section so named, or -1.
    qsizetype ChercheSection(const QString& section) const;
    // End (exclusive) of the lines that belong to the section opened at `entete`.
    qsizetype FinSection(qsizetype entete) const;
    qsizetype ChercheCle(qsizetype entete, const QString& cle) const;

    std::vector<Ligne> lignes_;
    EncodageFichier encodage_ = EncodageFichier::Detecte;
    bool utf8_ = false;
    bool bom_ = false;
    bool perteEncodage_ = false;
    bool illisible_ = false;
};

// What to write so that a reading gives `valeur` back unchanged: the value itself, or the
// value between double quotes when it has blanks around it or enclosing quotes of its own.
QString ValeurRelueTelle(const QString& valeur);

// The three helpers every part of Kovra uses, with the encoding chosen by
// EncodageSelonChemin. Note the argument orders: reading and clearing take the file first,
// writing takes it last. Writing returns non-zero on success.
QString LireIni(const QString& fichier, const QString& section, const QString& cle);
qint16 EcrireIni(const QString& section, const QString& cle, const QString& valeur,
                 const QString& fichier);
// Keeps the key in its section with an empty value.
qint16 EffacerValeurIni(const QString& fichier, const QString& section, const QString& cle);

} // namespace kovra
