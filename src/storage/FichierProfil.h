#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace kovra {

// A settings file of sections and "key=value" lines, read and written the way the
// Windows profile functions do it, so files stay interchangeable with the Windows program:
// sections and keys match without regard to case or surrounding blanks, values come back
// trimmed (and without a pair of enclosing quotes), a missing file, section or key reads
// as the empty text, a value is cut to 2054 characters on reading. Writing changes one
// line and keeps every other byte of the file: comments, order, line ends and encoding.
class DocumentProfil {
public:
    // Longest value a reading returns.
    static constexpr qsizetype kLongueurMax = 2054;

    // A file that is missing or unreadable gives an empty document, which is what a
    // reading of it must give; an unreadable one is never saved over.
    static DocumentProfil Charge(const QString& chemin);
    static DocumentProfil DepuisOctets(const QByteArray& octets);

    QString Lit(const QString& section, const QString& cle) const;
    // Sets the value, adding the key, and the section, when missing. Line breaks in the
    // value become blanks: one line per value.
    void Ecrit(const QString& section, const QString& cle, const QString& valeur);

    QByteArray EnOctets() const;
    // Replaces the file in one step: an interrupted save leaves the old file whole.
    // Fails for a document loaded from a file that exists but could not be read.
    bool Enregistre(const QString& chemin) const;

    // True once a written value held characters that the file's encoding (Windows-1252)
    // cannot hold; they were stored as "?".
    bool PerteEncodage() const { return perteEncodage_; }

private:
    struct Ligne {
        QByteArray brut; // bytes as in the file, without the line end
        QString texte;   // decoded
    };

    QString Decode(const QByteArray& brut) const;
    QByteArray Encode(const QString& texte);
    // A new line as it will stand in the file.
    Ligne Fabrique(const QString& texte);
    // Index of the header line of the first section so named, or -1.
    qsizetype ChercheSection(const QString& section) const;
    // End (exclusive) of the lines that belong to the section opened at `entete`.
    qsizetype FinSection(qsizetype entete) const;
    qsizetype ChercheCle(qsizetype entete, const QString& cle) const;

    std::vector<Ligne> lignes_;
    bool utf8_ = false;
    bool bom_ = false;
    QByteArray finLigne_ = "\r\n";
    bool perteEncodage_ = false;
    bool illisible_ = false;
};

// The three helpers every part of Kovra uses. Note the argument orders: reading and
// clearing take the file first, writing takes it last. Writing returns non-zero on success.
QString LireIni(const QString& fichier, const QString& section, const QString& cle);
qint16 EcrireIni(const QString& section, const QString& cle, const QString& valeur,
                 const QString& fichier);
// Keeps the key in its section with an empty value.
qint16 EffacerValeurIni(const QString& fichier, const QString& section, const QString& cle);

} // namespace kovra
