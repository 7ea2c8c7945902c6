#include "storage/Registre.h"

#include "base/Windows1252.h"

#include "base/EcritureFichiers.h"
#include "base/ErreurKovra.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace kovra {

namespace {

// The first line of a file written by this version: its values are plain texts.
const QString kMarque =
    QStringLiteral("; Kovra : chaque valeur est le texte qui suit le signe =, tel quel.");
const QString kGeneral = QStringLiteral("[General]");

// "Software\Ruduvo\Vove" lives in Ruduvo/Vove.conf, as the platform's native settings do.
QString CheminRelatif(const QString& cle) {
    QStringList parts = cle.split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() > 1 && parts.front().compare(u"Software", Qt::CaseInsensitive) == 0) {
        parts.removeFirst();
    }
    return parts.join(u'/');
}

bool RegistreWindows(const QString& racine) {
#ifdef Q_OS_WIN
    return racine.isEmpty();
#else
    Q_UNUSED(racine);
    return false;
#endif
}

QString CheminFichier(const QString& racine, const QString& cle) {
    return racine + u'/' + CheminRelatif(cle) + QStringLiteral(".conf");
}

// The lines of a settings file and how it ends them.
struct Contenu {
    QStringList lignes;
    QString finLigne = QStringLiteral("\n");
    bool marque = false; // written by this version
};

// Missing: empty. Existing but unreadable: nothing.
std::optional<Contenu> Charge(const QString& chemin) {
    Contenu c;
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        if (f.exists()) {
            return std::nullopt;
        }
        return c;
    }
    const QByteArray octets = f.readAll();
    // Written by Kovra in UTF-8; a file saved by hand in Windows-1252 reads too.
    const QString texte =
        EstUtf8NonAscii(octets) ? QString::fromUtf8(octets) : DecodeWindows1252(octets);
    if (texte.contains(QStringLiteral("\r\n"))) {
        c.finLigne = QStringLiteral("\r\n");
    }
    c.lignes = texte.split(u'\n');
    if (!c.lignes.isEmpty() && c.lignes.back().isEmpty()) {
        c.lignes.removeLast();
    }
    for (QString& l : c.lignes) {
        if (l.endsWith(u'\r')) {
            l.chop(1);
        }
    }
    c.marque = !c.lignes.isEmpty() && c.lignes.front() == kMarque;
    return c;
}

struct LigneValeur {
    qsizetype index = -1;
    QString nom;
    QString brut; // the text after the "="
};

// The "Name=text" lines of the key's own values: before any section and in [General].
std::vector<LigneValeur> LignesValeurs(const QStringList& lignes) {
    std::vector<LigneValeur> valeurs;
    bool dedans = true;
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        const QString t = lignes[i].trimmed();
        if (t.startsWith(u'[')) {
            dedans = t.compare(kGeneral, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!dedans || t.startsWith(u';') || t.startsWith(u'#')) {
            continue;
        }
        const qsizetype egal = lignes[i].indexOf(u'=');
        if (egal >= 0) {
            valeurs.push_back({i, lignes[i].left(egal).trimmed(), lignes[i].mid(egal + 1)});
        }
    }
    return valeurs;
}

std::optional<LigneValeur> ChercheValeur(const QStringList& lignes, const QString& nom) {
    for (const LigneValeur& v : LignesValeurs(lignes)) {
        if (v.nom.compare(nom, Qt::CaseInsensitive) == 0) {
            return v;
        }
    }
    return std::nullopt;
}

// A value as earlier versions stored it through QSettings: "@@" for a leading "@", "@Kind(...)"
// for a value that is no text (nothing), and a text holding "," ";" "=" or blanks at an end
// between double quotes, with "\\" and "\"" inside. Any other value is the text itself.
std::optional<QString> ValeurAncienne(const QString& brut) {
    if (brut.startsWith(QStringLiteral("@@"))) {
        return brut.mid(1);
    }
    static const QRegularExpression autreGenre(QStringLiteral("^@[A-Za-z]+\\(.*\\)$"));
    if (autreGenre.match(brut).hasMatch()) {
        return std::nullopt;
    }
    if (brut.size() < 2 || brut.front() != u'"' || brut.back() != u'"') {
        return brut;
    }
    QString texte;
    for (qsizetype i = 1; i < brut.size() - 1; ++i) {
        const QChar c = brut[i];
        if (c == u'\\' && i + 1 < brut.size() - 1 &&
            (brut[i + 1] == u'\\' || brut[i + 1] == u'"')) {
            texte += brut[++i];
        } else if (c == u'"') {
            return brut;
        } else {
            texte += c;
        }
    }
    static const QRegularExpression cite(QStringLiteral("[,;=]|^ | $"));
    return cite.match(texte).hasMatch() ? texte : brut;
}

std::optional<QString> ValeurLue(const Contenu& c, const QString& brut) {
    return c.marque ? std::optional<QString>(brut) : ValeurAncienne(brut);
}

bool NomEcrivable(const QString& nom) {
    return !nom.isEmpty() && nom == nom.trimmed() && !nom.contains(u'=') && !nom.contains(u'\r') &&
           !nom.contains(u'\n') && !nom.startsWith(u'[') && !nom.startsWith(u';') &&
           !nom.startsWith(u'#');
}

bool Enregistre(const QString& chemin, const Contenu& c) {
    if (!QDir().mkpath(QFileInfo(chemin).path())) {
        return false;
    }
    try {
        RemplaceFichier(chemin, (c.lignes.join(c.finLigne) + c.finLigne).toUtf8());
    } catch (const ErreurKovra&) {
        return false; // the registry's writes say only whether they were made
    }
    return true;
}

} // namespace

Registre::Registre() {
#ifndef Q_OS_WIN
    racine_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
}

Registre::Registre(QString racine) : racine_(std::move(racine)) {}

QString Registre::Emplacement(const QString& cle) const {
    if (RegistreWindows(racine_)) {
        return QStringLiteral("HKEY_CURRENT_USER\\") + cle;
    }
    return CheminFichier(racine_, cle);
}

QString Registre::LireRegistre(Ruche, const QString& cle, const QString& valeur) const {
    QString texte;
    if (RegistreWindows(racine_)) {
        const QSettings s(QStringLiteral("HKEY_CURRENT_USER\\") + cle, QSettings::NativeFormat);
        const QVariant v = s.value(valeur);
        if (v.typeId() != QMetaType::QString) {
            return {};
        }
        texte = v.toString();
    } else {
        const std::optional<Contenu> c = Charge(CheminFichier(racine_, cle));
        if (!c) {
            return {};
        }
        const std::optional<LigneValeur> ligne = ChercheValeur(c->lignes, valeur);
        if (!ligne) {
            return {};
        }
        texte = ValeurLue(*c, ligne->brut).value_or(QString());
    }
    const qsizetype nul = texte.indexOf(QChar(0));
    if (nul >= 0) {
        texte.truncate(nul);
    }
    return texte;
}

bool Registre::EcrireRegistre(Ruche, const QString& cle, const QString& valeur,
                              const QString& texte) {
    if (!NomEcrivable(valeur) || texte.contains(u'\r') || texte.contains(u'\n')) {
        return false;
    }
    if (RegistreWindows(racine_)) {
        QSettings s(QStringLiteral("HKEY_CURRENT_USER\\") + cle, QSettings::NativeFormat);
        s.setValue(valeur, texte);
        s.sync();
        return s.status() == QSettings::NoError;
    }
    const QString chemin = CheminFichier(racine_, cle);
    std::optional<Contenu> c = Charge(chemin);
    if (!c) {
        return false;
    }
    if (!c->marque) {
        // From now on every value of the file is its plain text.
        for (const LigneValeur& v : LignesValeurs(c->lignes)) {
            const qsizetype egal = c->lignes[v.index].indexOf(u'=');
            c->lignes[v.index] =
                c->lignes[v.index].left(egal + 1) + ValeurAncienne(v.brut).value_or(QString());
        }
        c->lignes.prepend(kMarque);
        c->marque = true;
    }
    if (const std::optional<LigneValeur> ligne = ChercheValeur(c->lignes, valeur)) {
        QString& l = c->lignes[ligne->index];
        l = l.left(l.indexOf(u'=') + 1) + texte;
    } else {
        // After the last line of [General]; without one, a [General] after the lines
        // that stand before any section.
        const auto enTete = [&](qsizetype i) {
            return c->lignes[i].trimmed().startsWith(u'[');
        };
        qsizetype position = 1;
        for (qsizetype i = 1; i < c->lignes.size(); ++i) {
            if (c->lignes[i].trimmed().compare(kGeneral, Qt::CaseInsensitive) == 0) {
                position = i + 1;
                break;
            }
        }
        const bool general = position > 1;
        for (qsizetype i = position; i < c->lignes.size() && !enTete(i); ++i) {
            if (!c->lignes[i].trimmed().isEmpty()) {
                position = i + 1;
            }
        }
        if (!general) {
            c->lignes.insert(position++, kGeneral);
        }
        c->lignes.insert(position, valeur + u'=' + texte);
    }
    return Enregistre(chemin, *c);
}

MiroirsRegistre MiroirsRegistre::Lit(const Registre& registre) {
    return {registre.Lit(kRacInvent), registre.Lit(kRacCde), registre.Lit(kSepDec),
            DelaiTouchesLu(registre.Lit(kDelaiTouches)),
            ChampsTouchesLu(registre.Lit(kChampsTouches))};
}

bool ChampsTouchesLu(const QString& texte) {
    return texte.trimmed() == u"1";
}

int DelaiTouchesLu(const QString& texte) {
    bool ok = false;
    const int ms = texte.trimmed().toInt(&ok);
    if (!ok) {
        return 0;
    }
    return std::clamp(ms, 0, kDelaiTouchesMax);
}

bool DelaiTouchesValide(const QString& texte) {
    if (texte.isEmpty()) {
        return true;
    }
    if (texte.size() > 4) {
        return false;
    }
    for (const QChar c : texte) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return texte.toInt() <= kDelaiTouchesMax;
}

bool EstValeurKovra(const QString& nom) {
    for (const QString& v :
         {kRacScenChx, kRacInvent, kRacCde, kMDPUTL, kSepDec, kDelaiTouches, kChampsTouches}) {
        if (v == nom) {
            return true;
        }
    }
    return false;
}

} // namespace kovra
