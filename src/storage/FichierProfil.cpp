#include "storage/FichierProfil.h"

#include "base/Windows1252.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace kovra {

namespace {

const QByteArray kBomUtf8("\xEF\xBB\xBF");

enum class Genre { Vide, Commentaire, Section, Cle };

struct Analyse {
    Genre genre = Genre::Vide;
    QString nom;    // section or key name, trimmed
    QString valeur; // value, trimmed (keys only)
    qsizetype egal = -1;
};

Analyse AnalyseLigne(const QString& ligne) {
    Analyse a;
    const QString t = ligne.trimmed();
    if (t.isEmpty()) {
        return a;
    }
    if (t.startsWith(u';')) {
        a.genre = Genre::Commentaire;
        return a;
    }
    if (t.startsWith(u'[')) {
        a.genre = Genre::Section;
        const qsizetype fin = t.lastIndexOf(u']');
        a.nom = (fin > 0 ? t.mid(1, fin - 1) : t.mid(1)).trimmed();
        return a;
    }
    a.genre = Genre::Cle;
    a.egal = ligne.indexOf(u'=');
    if (a.egal < 0) {
        a.nom = t;
    } else {
        a.nom = ligne.left(a.egal).trimmed();
        a.valeur = ligne.mid(a.egal + 1).trimmed();
    }
    return a;
}

bool MemeNom(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString SansGuillemets(const QString& v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
        return v.mid(1, v.size() - 2);
    }
    return v;
}

QString SurUneLigne(QString v) {
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    return v;
}

} // namespace

DocumentProfil DocumentProfil::Charge(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        DocumentProfil vide;
        vide.illisible_ = f.exists();
        return vide;
    }
    return DepuisOctets(f.readAll());
}

DocumentProfil DocumentProfil::DepuisOctets(const QByteArray& octetsLus) {
    DocumentProfil doc;
    QByteArray octets = octetsLus;
    if (octets.startsWith(kBomUtf8)) {
        doc.bom_ = true;
        doc.utf8_ = true;
        octets.remove(0, kBomUtf8.size());
    } else {
        doc.utf8_ = EstUtf8NonAscii(octets);
    }
    if (!octets.isEmpty() && !octets.contains("\r\n") && octets.contains('\n')) {
        doc.finLigne_ = "\n";
    }
    qsizetype debut = 0;
    while (debut < octets.size()) {
        qsizetype fin = octets.indexOf('\n', debut);
        const bool derniere = fin < 0;
        if (derniere) {
            fin = octets.size();
        }
        QByteArray brut = octets.mid(debut, fin - debut);
        if (brut.endsWith('\r')) {
            brut.chop(1);
        }
        Ligne l{brut, doc.Decode(brut)};
        doc.lignes_.push_back(std::move(l));
        debut = fin + 1;
    }
    return doc;
}

QString DocumentProfil::Decode(const QByteArray& brut) const {
    if (utf8_) {
        QStringDecoder d(QStringDecoder::Utf8);
        return d.decode(brut);
    }
    return DecodeWindows1252(brut);
}

QByteArray DocumentProfil::Encode(const QString& texte) {
    if (utf8_) {
        return texte.toUtf8();
    }
    bool perte = false;
    QByteArray o = EncodeWindows1252(texte, &perte);
    perteEncodage_ = perteEncodage_ || perte;
    return o;
}

DocumentProfil::Ligne DocumentProfil::Fabrique(const QString& texte) {
    QByteArray brut = Encode(texte);
    QString relu = Decode(brut);
    return {std::move(brut), std::move(relu)};
}

qsizetype DocumentProfil::ChercheSection(const QString& section) const {
    const QString voulue = section.trimmed();
    for (qsizetype i = 0; i < static_cast<qsizetype>(lignes_.size()); ++i) {
        const Analyse a = AnalyseLigne(lignes_[i].texte);
        if (a.genre == Genre::Section && MemeNom(a.nom, voulue)) {
            return i;
        }
    }
    return -1;
}

qsizetype DocumentProfil::FinSection(qsizetype entete) const {
    qsizetype i = entete + 1;
    while (i < static_cast<qsizetype>(lignes_.size()) &&
           AnalyseLigne(lignes_[i].texte).genre != Genre::Section) {
        ++i;
    }
    return i;
}

qsizetype DocumentProfil::ChercheCle(qsizetype entete, const QString& cle) const {
    const QString voulue = cle.trimmed();
    const qsizetype fin = FinSection(entete);
    for (qsizetype i = entete + 1; i < fin; ++i) {
        const Analyse a = AnalyseLigne(lignes_[i].texte);
        if (a.genre == Genre::Cle && MemeNom(a.nom, voulue)) {
            return i;
        }
    }
    return -1;
}

QString DocumentProfil::Lit(const QString& section, const QString& cle) const {
    const qsizetype entete = ChercheSection(section);
    if (entete < 0) {
        return {};
    }
    const qsizetype i = ChercheCle(entete, cle);
    if (i < 0) {
        return {};
    }
    return SansGuillemets(AnalyseLigne(lignes_[i].texte).valeur).left(kLongueurMax);
}

void DocumentProfil::Ecrit(const QString& section, const QString& cle, const QString& valeur) {
    const QString v = SurUneLigne(valeur);
    qsizetype entete = ChercheSection(section);
    if (entete < 0) {
        const QString t = u'[' + section + u']';
        lignes_.push_back(Fabrique(t));
        entete = static_cast<qsizetype>(lignes_.size()) - 1;
    }
    const qsizetype i = ChercheCle(entete, cle);
    if (i >= 0) {
        // Keep the key exactly as the file spells it, blanks included.
        const Analyse a = AnalyseLigne(lignes_[i].texte);
        const QString avant = a.egal >= 0 ? lignes_[i].texte.left(a.egal) : lignes_[i].texte;
        const QString t = avant + u'=' + v;
        lignes_[i] = Fabrique(t);
        return;
    }
    // A new key goes after the last non-blank line of its section.
    qsizetype pos = FinSection(entete);
    while (pos > entete + 1 && lignes_[pos - 1].texte.trimmed().isEmpty()) {
        --pos;
    }
    const QString t = cle + u'=' + v;
    lignes_.insert(lignes_.begin() + pos, Fabrique(t));
}

QByteArray DocumentProfil::EnOctets() const {
    QByteArray o;
    if (bom_) {
        o += kBomUtf8;
    }
    for (const Ligne& l : lignes_) {
        o += l.brut;
        o += finLigne_;
    }
    return o;
}

bool DocumentProfil::Enregistre(const QString& chemin) const {
    if (illisible_) {
        return false;
    }
    QSaveFile f(chemin);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray o = EnOctets();
    if (f.write(o) != o.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

QString LireIni(const QString& fichier, const QString& section, const QString& cle) {
    return DocumentProfil::Charge(fichier).Lit(section, cle);
}

qint16 EcrireIni(const QString& section, const QString& cle, const QString& valeur,
                 const QString& fichier) {
    DocumentProfil doc = DocumentProfil::Charge(fichier);
    doc.Ecrit(section, cle, valeur);
    return doc.Enregistre(fichier) ? 1 : 0;
}

qint16 EffacerValeurIni(const QString& fichier, const QString& section, const QString& cle) {
    return EcrireIni(section, cle, QString(), fichier);
}

} // namespace kovra
