#include "storage/FichierProfil.h"

#include "base/Windows1252.h"
#include "storage/DossierDonnees.h"

#include "base/EcritureFichiers.h"
#include "base/ErreurKovra.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace kovra {

namespace {

const QByteArray kBomUtf8("\xEF\xBB\xBF");
const QByteArray kFinWindows("\r\n");

// What Windows drops around names and values in the file. No other space counts: a
// no-break space is part of the text.
bool EstBlanc(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v';
}

QString SansBlancs(QStringView t) {
    qsizetype debut = 0;
    qsizetype fin = t.size();
    while (debut < fin && EstBlanc(t[debut])) {
        ++debut;
    }
    while (fin > debut && EstBlanc(t[fin - 1])) {
        --fin;
    }
    return t.sliced(debut, fin - debut).toString();
}

// The section and key names given to the functions lose their surrounding spaces only.
QString SansEspaces(const QString& t) {
    qsizetype debut = 0;
    qsizetype fin = t.size();
    while (debut < fin && t[debut] == u' ') {
        ++debut;
    }
    while (fin > debut && t[fin - 1] == u' ') {
        --fin;
    }
    return t.sliced(debut, fin - debut);
}

enum class Genre { Vide, Commentaire, Section, Cle };

struct Analyse {
    Genre genre = Genre::Vide;
    QString nom;    // section or key name, without its blanks
    QString valeur; // value without its blanks (keys only)
};

Analyse AnalyseLigne(const QString& ligne) {
    Analyse a;
    const QStringView t(ligne);
    qsizetype debut = 0;
    while (debut < t.size() && EstBlanc(t[debut])) {
        ++debut;
    }
    if (debut == t.size()) {
        return a;
    }
    if (t[debut] == u';') {
        a.genre = Genre::Commentaire;
        return a;
    }
    if (t[debut] == u'[') {
        // The name ends at the first "]", or at the line end when there is none; what
        // follows the "]" is not read.
        a.genre = Genre::Section;
        qsizetype fin = t.indexOf(u']', debut + 1);
        if (fin < 0) {
            fin = t.size();
        }
        a.nom = SansBlancs(t.sliced(debut + 1, fin - debut - 1));
        return a;
    }
    a.genre = Genre::Cle;
    const qsizetype egal = t.indexOf(u'=', debut);
    if (egal < 0) {
        a.nom = SansBlancs(t.sliced(debut));
    } else {
        a.nom = SansBlancs(t.sliced(debut, egal - debut));
        a.valeur = SansBlancs(t.sliced(egal + 1));
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

bool BordTabule(const QString& nom) {
    return !nom.isEmpty() && (EstBlanc(nom.front()) || EstBlanc(nom.back()));
}

// A section or key name (without its spaces) that a reading finds again once written.
bool SectionEcrivable(const QString& section) {
    return !section.contains(u']') && !section.contains(u'\r') && !section.contains(u'\n') &&
           !BordTabule(section);
}

bool CleEcrivable(const QString& cle) {
    return !cle.isEmpty() && cle.front() != u';' && cle.front() != u'[' && !cle.contains(u'=') &&
           !cle.contains(u'\r') && !cle.contains(u'\n') && !BordTabule(cle);
}

} // namespace

EncodageFichier EncodageSelonChemin(const QString& chemin) {
    const QFileInfo info(chemin);
    const bool compile =
        info.dir().dirName().compare(kDossierScenarios, Qt::CaseInsensitive) == 0 &&
        info.suffix().compare(u"ini", Qt::CaseInsensitive) == 0;
    return compile ? EncodageFichier::Windows1252 : EncodageFichier::Detecte;
}

DocumentProfil DocumentProfil::Charge(const QString& chemin) {
    return Charge(chemin, EncodageSelonChemin(chemin));
}

DocumentProfil DocumentProfil::Charge(const QString& chemin, EncodageFichier encodage) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        DocumentProfil vide;
        vide.encodage_ = encodage;
        vide.illisible_ = f.exists();
        return vide;
    }
    return DepuisOctets(f.readAll(), encodage);
}

DocumentProfil DocumentProfil::DepuisOctets(const QByteArray& octetsLus, EncodageFichier encodage) {
    DocumentProfil doc;
    doc.encodage_ = encodage;
    QByteArray octets = octetsLus;
    if (octets.startsWith(kBomUtf8)) {
        doc.bom_ = true;
        doc.utf8_ = true;
        octets.remove(0, kBomUtf8.size());
    } else if (encodage == EncodageFichier::Detecte) {
        doc.utf8_ = SeLitEnUtf8(octets);
    }
    // A carriage return, a line feed, or the pair, ends a line.
    qsizetype debut = 0;
    const qsizetype taille = octets.size();
    while (debut < taille) {
        qsizetype fin = debut;
        while (fin < taille && octets[fin] != '\r' && octets[fin] != '\n') {
            ++fin;
        }
        qsizetype suite = fin;
        if (suite < taille) {
            suite +=
                (octets[suite] == '\r' && suite + 1 < taille && octets[suite + 1] == '\n') ? 2 : 1;
        }
        Ligne l;
        l.brut = octets.sliced(debut, fin - debut);
        l.fin = octets.sliced(fin, suite - fin);
        l.texte = doc.Decode(l.brut);
        doc.lignes_.push_back(std::move(l));
        debut = suite;
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

DocumentProfil::Ligne DocumentProfil::Fabrique(const QString& texte, QByteArray fin) {
    Ligne l;
    l.brut = Encode(texte);
    l.fin = std::move(fin);
    l.texte = Decode(l.brut);
    return l;
}

void DocumentProfil::Insere(qsizetype position, const QString& texte) {
    QByteArray fin = kFinWindows;
    if (position > 0) {
        Ligne& avant = lignes_[position - 1];
        if (avant.fin.isEmpty()) {
            // The last line of a file that does not end with a line end: it gets one, in
            // the file's way, and the new last line gets none.
            QByteArray premiere;
            for (const Ligne& l : lignes_) {
                if (!l.fin.isEmpty()) {
                    premiere = l.fin;
                    break;
                }
            }
            avant.fin = premiere.isEmpty() ? kFinWindows : premiere;
            fin.clear();
        } else {
            fin = avant.fin;
        }
    }
    lignes_.insert(lignes_.begin() + position, Fabrique(texte, fin));
}

qsizetype DocumentProfil::ChercheSection(const QString& section) const {
    const QString voulue = SansEspaces(section);
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
    const QString voulue = SansEspaces(cle);
    if (voulue.isEmpty()) {
        return -1;
    }
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

bool DocumentProfil::Ecrit(const QString& section, const QString& cle, const QString& valeur) {
    const std::vector<Ligne> avant = lignes_;
    const bool perteAvant = perteEncodage_;
    const QString v = SurUneLigne(valeur);
    if (!Remplace(SansEspaces(section), SansEspaces(cle), v)) {
        return false;
    }
    // A file told from its bytes must keep reading in its encoding, or the values would come
    // back as other characters: a Windows-1252 file of plain ASCII must not turn into one
    // that reads as UTF-8, nor a UTF-8 file into one that does not (a character that
    // Windows-1252 lacks makes a file read as Windows-1252).
    const QByteArray apres = EnOctets();
    const bool bascule =
        encodage_ == EncodageFichier::Detecte && !bom_ &&
        (utf8_ ? EstUtf8NonAscii(apres) && !SeLitEnUtf8(apres) : SeLitEnUtf8(apres));
    // Nor may bytes that are no UTF-8, in a file that says it is, swallow the "=" or the key.
    if (bascule || Lit(section, cle) != Relecture(v)) {
        lignes_ = avant;
        perteEncodage_ = perteAvant;
        return false;
    }
    return true;
}

QString DocumentProfil::Relecture(const QString& valeur) const {
    const QByteArray octets = utf8_ ? valeur.toUtf8() : EncodeWindows1252(valeur);
    return SansGuillemets(SansBlancs(Decode(octets))).left(kLongueurMax);
}

bool DocumentProfil::Remplace(const QString& section, const QString& cle, const QString& v) {
    if (!SectionEcrivable(section) || !CleEcrivable(cle) ||
        (!utf8_ && (!TientEnWindows1252(section) || !TientEnWindows1252(cle)))) {
        return false;
    }
    const qsizetype entete = ChercheSection(section);
    if (entete < 0) {
        Insere(static_cast<qsizetype>(lignes_.size()), u'[' + section + u']');
        Insere(static_cast<qsizetype>(lignes_.size()), cle + u'=' + v);
        return true;
    }
    const qsizetype i = ChercheCle(entete, cle);
    if (i >= 0) {
        // Everything up to the "=" stays as the file has it: the key's spelling, its
        // blanks, the bytes.
        Ligne& l = lignes_[i];
        const qsizetype egal = l.brut.indexOf('=');
        QByteArray brut = egal >= 0 ? l.brut.left(egal + 1) : l.brut + '=';
        brut += Encode(v);
        l.texte = Decode(brut);
        l.brut = std::move(brut);
        return true;
    }
    // A new key goes after the last non-blank line of its section.
    qsizetype position = FinSection(entete);
    while (position > entete + 1 &&
           AnalyseLigne(lignes_[position - 1].texte).genre == Genre::Vide) {
        --position;
    }
    Insere(position, cle + u'=' + v);
    return true;
}

QByteArray DocumentProfil::EnOctets() const {
    QByteArray o;
    if (bom_) {
        o += kBomUtf8;
    }
    for (const Ligne& l : lignes_) {
        o += l.brut;
        o += l.fin;
    }
    return o;
}

bool DocumentProfil::Enregistre(const QString& chemin) const {
    if (illisible_) {
        return false;
    }
    try {
        RemplaceFichier(chemin, EnOctets());
    } catch (const ErreurKovra&) {
        return false; // the profile functions say only whether they wrote
    }
    return true;
}

QString ValeurRelueTelle(const QString& valeur) {
    const bool blancs = !valeur.isEmpty() && (EstBlanc(valeur.front()) || EstBlanc(valeur.back()));
    const bool guillemets = valeur.size() >= 2 &&
                            (valeur.front() == u'"' || valeur.front() == u'\'') &&
                            valeur.back() == valeur.front();
    return blancs || guillemets ? u'"' + valeur + u'"' : valeur;
}

QString LireIni(const QString& fichier, const QString& section, const QString& cle) {
    return DocumentProfil::Charge(fichier).Lit(section, cle);
}

qint16 EcrireIni(const QString& section, const QString& cle, const QString& valeur,
                 const QString& fichier) {
    DocumentProfil doc = DocumentProfil::Charge(fichier);
    if (!doc.Ecrit(section, cle, valeur)) {
        return 0;
    }
    return doc.Enregistre(fichier) ? 1 : 0;
}

qint16 EffacerValeurIni(const QString& fichier, const QString& section, const QString& cle) {
    return EcrireIni(section, cle, QString(), fichier);
}

} // namespace kovra
