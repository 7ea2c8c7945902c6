#include "link/ReglagesPort.h"

#include "base/ErreurKovra.h"
#include "link/AdresseReseau.h"
#include "link/FichierPortSerie.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <algorithm>
#include <limits>

namespace kovra {

namespace {

constexpr int kVitessesListees = 16;
// The data bits the serial layer can set (QSerialPort offers 5 to 8, on every platform).
constexpr int kMinBitsDonnees = 5;
constexpr int kMaxBitsDonnees = 8;

std::optional<QString> NonVide(const QString& texte) {
    return texte.isEmpty() ? std::nullopt : std::optional<QString>(texte);
}

// The speed as a number the port takes (1 to the largest 32-bit value), or nothing.
std::optional<qint32> VitesseValide(const QString& texte) {
    bool ok = false;
    const qlonglong v = texte.toLongLong(&ok);
    if (!ok || v <= 0 || v > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(v);
}

bool AvecCaractereDeControle(const QString& texte) {
    for (const QChar c : texte) {
        if (c.category() == QChar::Other_Control) {
            return true;
        }
    }
    return false;
}

// Numbers go to the file the way the settings window has always written them: a blank
// where a sign would stand, then the number. Reading drops the blank.
QString Nombre(const QString& texte) {
    return u' ' + texte;
}

QString NonModifie(const QString& fichier) {
    return QStringLiteral("Le fichier %1 n'a pas été modifié.").arg(fichier);
}

// The keys the opening of the port reads, which a written file must not leave empty.
QStringList ClesOuverture() {
    return {kClePortActif, kCleVitesse,   kCleDonnees, kCleParite,
            kCleArret,     kCleProtocole, kCleFlux};
}

ReglagesPort Reglages(const FichierPortSerie& f) {
    ReglagesPort r;
    if (!f.peripherique.isEmpty()) {
        r.peripherique = f.peripherique;
    } else {
        r.port = f.port.nombre;
    }
    r.vitesse = NonVide(f.vitesse.texte);
    r.bitsDonnees = f.bitsDonnees.nombre;
    if (f.parite.size() == 1) {
        r.parite = f.parite.front();
    }
    r.arret = NonVide(f.arret.texte);
    r.flux = f.flux.nombre;
    r.protocole = NonVide(f.protocole);
    return r;
}

DocumentProfil FichierPort(const QString& dossier) {
    return DocumentProfil::Charge(CheminDonnee(dossier, kPortSerie));
}

} // namespace

QList<PeripheriqueSerie> AvecNomsStables(const QList<PeripheriqueSerie>& presents,
                                         const QString& dossierParId) {
    // Each device a link points to, by its real path; the first link by name wins.
    QHash<QString, QString> liens;
    const QFileInfoList entrees =
        QDir(dossierParId)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& lien : entrees) {
        const QString cible = lien.canonicalFilePath();
        if (!cible.isEmpty() && !liens.contains(cible)) {
            liens.insert(cible, QDir(dossierParId).filePath(lien.fileName()));
        }
    }
    QList<PeripheriqueSerie> liste;
    for (const PeripheriqueSerie& p : presents) {
        const QString reel = QFileInfo(p.chemin).canonicalFilePath();
        const QString stable = reel.isEmpty() ? QString() : liens.value(reel);
        liste.append({stable.isEmpty() ? p.chemin : stable, p.description});
    }
    return liste;
}

QList<PeripheriqueSerie> PeripheriquesPresents() {
    QList<PeripheriqueSerie> liste;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        liste.append({info.systemLocation(), info.description()});
    }
    return AvecNomsStables(liste, kDossierParId);
}

QString LignePeripherique(const PeripheriqueSerie& peripherique) {
    if (peripherique.description.isEmpty()) {
        return peripherique.chemin;
    }
    return peripherique.chemin + QStringLiteral(" — ") + peripherique.description;
}

QString LigneAdresseReseau() {
    return QStringLiteral("Adresse réseau…");
}

QString ExempleAdresseReseau() {
    return QStringLiteral("tcp://hôte:port ou rfc2217://hôte:port");
}

QString AideAdresseReseau() {
    return QStringLiteral("Un terminal relié à un serveur de ports série du réseau : "
                          "tcp://HOTE:PORT pour une liaison brute (le serveur fixe la vitesse "
                          "et la parité), rfc2217://HOTE:PORT quand le serveur laisse Kovra "
                          "les régler (RFC 2217). Une adresse IPv6 s'écrit entre crochets : "
                          "tcp://[::1]:2000.");
}

QStringList LignesPort(const QList<PeripheriqueSerie>& peripheriques) {
    QStringList lignes;
    for (int n = kPremierPortCom; n <= kDernierPortCom; ++n) {
        lignes << QStringLiteral("COM %1").arg(n);
    }
    for (const PeripheriqueSerie& p : peripheriques) {
        lignes << LignePeripherique(p);
    }
    lignes << LigneAdresseReseau();
    return lignes;
}

QStringList LignesVitesse(const QString& dossierDonnees, const QString& dossierDefauts) {
    const auto lignes = [](const QString& dossier) {
        const DocumentProfil touche = DocumentProfil::Charge(CheminDonnee(dossier, kTouche));
        QStringList l;
        for (int n = 1; n <= kVitessesListees; ++n) {
            l << touche.Lit(QStringLiteral("Vitesses"), QString::number(n));
        }
        return l;
    };
    QStringList lues = lignes(dossierDonnees);
    const bool aucune =
        std::all_of(lues.cbegin(), lues.cend(), [](const QString& l) { return l.isEmpty(); });
    if (aucune && !dossierDefauts.isEmpty()) {
        return lignes(dossierDefauts);
    }
    return lues;
}

QStringList LignesDonnees() {
    return {QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
            QStringLiteral("8")};
}

QStringList LignesParite() {
    return {QStringLiteral("Aucune"), QStringLiteral("Paire"), QStringLiteral("Impaire"),
            QStringLiteral("Marque"), QStringLiteral("Espace")};
}

QStringList LignesArret() {
    return {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
}

QStringList LignesFlux() {
    return {QStringLiteral("Aucun"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS/CTS"),
            QStringLiteral("RTS & Xon")};
}

QStringList LignesProtocole() {
    return {QStringLiteral("Optimus"), QStringLiteral("ScanPal"), QStringLiteral("HT630"),
            QStringLiteral("PT630")};
}

ReglagesPort LitReglagesPort(const QString& dossierDonnees) {
    return Reglages(LitPortSerie(dossierDonnees));
}

ReglagesPort LitReglagesPort(const QString& dossierDonnees, const QString& dossierDefauts) {
    const FichierPortSerie f = LitPortSerie(dossierDonnees);
    ReglagesPort r = Reglages(f);
    const ReglagesPort defauts = LitReglagesPort(dossierDefauts);
    // Only what the file leaves empty: a value it holds, even one no list offers, stays.
    if (f.port.texte.isEmpty() && f.peripherique.isEmpty()) {
        r.port = defauts.port;
        r.peripherique = defauts.peripherique;
    }
    const auto complete = [&](auto& valeur, const auto& defaut, const QString& texte) {
        if (texte.isEmpty()) {
            valeur = defaut;
        }
    };
    complete(r.vitesse, defauts.vitesse, f.vitesse.texte);
    complete(r.bitsDonnees, defauts.bitsDonnees, f.bitsDonnees.texte);
    complete(r.parite, defauts.parite, f.parite);
    complete(r.arret, defauts.arret, f.arret.texte);
    complete(r.flux, defauts.flux, f.flux.texte);
    complete(r.protocole, defauts.protocole, f.protocole);
    return r;
}

QString RefusOuverturePort(const DocumentProfil& ini) {
    const FichierPortSerie f = LitPortSerie(ini);
    const QString cause = QStringLiteral(" : le port ne pourrait pas être ouvert.");
    QString refus;
    // The value as a number, or nothing with the refusal said.
    const auto nombre = [&](const ValeurNombre& valeur, const QString& cle) {
        if (!valeur.nombre && refus.isEmpty()) {
            refus = (valeur.texte.isEmpty()
                         ? QStringLiteral("La valeur de « %1 » est vide").arg(cle)
                         : QStringLiteral("La valeur « %1 » de « %2 » n'est pas un nombre")
                               .arg(valeur.texte, cle)) +
                    cause;
        }
        return valeur.nombre;
    };
    if (!nombre(f.portActif, kClePortActif) || f.port.texte.isEmpty()) {
        return refus; // without a port, the user is asked to choose one: nothing else is read
    }
    const auto port = nombre(f.port, kClePort);
    const auto vitesse = nombre(f.vitesse, kCleVitesse);
    const auto bits = nombre(f.bitsDonnees, kCleDonnees);
    const auto arret = nombre(f.arret, kCleArret);
    const auto flux = nombre(f.flux, kCleFlux);
    if (!port || !vitesse || !bits || !arret || !flux) {
        return refus;
    }
    if (const auto probleme = ProblemeAdresseReseau(f.peripherique)) {
        return *probleme;
    }
    const QString parite = f.parite.toUpper();
    if (*vitesse <= 0) {
        return QStringLiteral("La vitesse « %1 » n'est pas une vitesse").arg(f.vitesse.texte) +
               cause;
    }
    if (*bits < kMinBitsDonnees || *bits > kMaxBitsDonnees) {
        return QStringLiteral("Le port ne peut pas prendre %1 bits de données (« %2 »)")
                   .arg(*bits)
                   .arg(kCleDonnees) +
               cause;
    }
    if (parite.size() != 1 || !kLettresParite.contains(parite)) {
        return QStringLiteral("La parité « %1 » n'existe pas").arg(f.parite) + cause;
    }
    if (*arret != 1 && *arret != 2) {
        return QStringLiteral("Le nombre de bits d'arrêt « %1 » n'existe pas").arg(f.arret.texte) +
               cause;
    }
    return {};
}

QString RefusReglagesPort(const ReglagesPort& r) {
    if (r.port && r.peripherique) {
        return QStringLiteral("Choisissez un port COM ou un périphérique, pas les deux.");
    }
    if (r.port && (*r.port < kPremierPortCom || *r.port > kDernierPortCom)) {
        return QStringLiteral("Le port COM %1 n'existe pas : choisissez un port de COM %2 à COM "
                              "%3.")
            .arg(*r.port)
            .arg(kPremierPortCom)
            .arg(kDernierPortCom);
    }
    if (r.peripherique && r.peripherique->trimmed().isEmpty()) {
        return QStringLiteral("Le chemin du périphérique ou l'adresse réseau est vide.");
    }
    if (r.peripherique && AvecCaractereDeControle(*r.peripherique)) {
        return QStringLiteral("Le chemin du périphérique « %1 » contient un caractère de "
                              "contrôle.")
            .arg(*r.peripherique);
    }
    if (const auto probleme = ProblemeAdresseReseau(r.peripherique.value_or(QString()))) {
        return *probleme;
    }
    if (r.vitesse && !VitesseValide(*r.vitesse)) {
        const QString attendu = QStringLiteral("il faut un nombre entier de 1 à %1.")
                                    .arg(std::numeric_limits<qint32>::max());
        if (r.vitesse->isEmpty()) {
            return QStringLiteral("La vitesse choisie est vide : ") + attendu;
        }
        return QStringLiteral("La vitesse « %1 » n'est pas une vitesse : %2")
            .arg(*r.vitesse, attendu);
    }
    if (r.bitsDonnees && (*r.bitsDonnees < kMinBitsDonnees || *r.bitsDonnees > kMaxBitsDonnees)) {
        return QStringLiteral("Le port ne peut pas prendre %1 bits de données : il en prend de %2 "
                              "à %3.")
            .arg(*r.bitsDonnees)
            .arg(kMinBitsDonnees)
            .arg(kMaxBitsDonnees);
    }
    if (r.parite && !kLettresParite.contains(*r.parite)) {
        return QStringLiteral("La parité « %1 » n'existe pas : N (aucune), E (paire), O "
                              "(impaire), M (marque) ou S (espace).")
            .arg(*r.parite);
    }
    if (r.arret && !LignesArret().contains(*r.arret)) {
        return QStringLiteral("Le nombre de bits d'arrêt « %1 » n'existe pas : 1, 1.5 ou 2.")
            .arg(*r.arret);
    }
    if (r.flux && (*r.flux < 0 || *r.flux >= LignesFlux().size())) {
        return QStringLiteral("Le contrôle de flux %1 n'existe pas : 0 (aucun), 1 (Xon/Xoff), 2 "
                              "(RTS/CTS) ou 3 (RTS & Xon).")
            .arg(*r.flux);
    }
    if (r.protocole && !LignesProtocole().contains(*r.protocole)) {
        return QStringLiteral("Le type de terminal « %1 » n'existe pas : Optimus, ScanPal, HT630 "
                              "ou PT630.")
            .arg(*r.protocole);
    }
    return {};
}

void EcritReglagesPort(const QString& dossierDonnees, const ReglagesPort& r,
                       const QString& dossierDefauts) {
    const QString fichier = CheminDonnee(dossierDonnees, kPortSerie);
    if (const QString refus = RefusReglagesPort(r); !refus.isEmpty()) {
        throw ErreurKovra(refus + u' ' + NonModifie(fichier));
    }
    const DocumentProfil defauts = FichierPort(dossierDefauts);
    // Every value goes into the one document, which is saved once at the end: a value
    // that fails leaves the file as it was. A file lost since the data folder was made
    // starts again as a fresh folder's.
    DocumentProfil ini = QFileInfo::exists(fichier) ? DocumentProfil::Charge(fichier) : defauts;
    const auto ecrit = [&](const QString& cle, const QString& valeur) {
        if (!ini.Ecrit(kSectionPort, cle, valeur)) {
            throw ErreurKovra(QStringLiteral("La valeur « %1 » de la clé « %2 » ne pourrait pas "
                                             "être relue telle quelle dans le fichier %3. %4")
                                  .arg(valeur, cle, fichier, NonModifie(fichier)));
        }
        if (ini.PerteEncodage()) {
            throw ErreurKovra(QStringLiteral("La valeur « %1 » de la clé « %2 » a des caractères "
                                             "que le fichier %3 (Windows-1252) ne peut pas "
                                             "contenir. %4")
                                  .arg(valeur, cle, fichier, NonModifie(fichier)));
        }
    };

    if (r.port) {
        ecrit(kClePort, Nombre(QString::number(*r.port)));
        // The device named instead of a number would still be the one opened.
        if (!ini.Lit(kSectionPort, kClePeripherique).isEmpty()) {
            ecrit(kClePeripherique, QString());
        }
    }
    if (r.peripherique) {
        // Without a port number the port counts as not configured at all.
        if (ini.Lit(kSectionPort, kClePort).isEmpty()) {
            ecrit(kClePort, Nombre(QString::number(kPremierPortCom)));
        }
        ecrit(kClePeripherique, *r.peripherique);
    }
    if (r.bitsDonnees) {
        ecrit(kCleDonnees, Nombre(QString::number(*r.bitsDonnees)));
    }
    if (r.parite) {
        ecrit(kCleParite, QString(*r.parite));
    }
    if (r.arret) {
        ecrit(kCleArret, Nombre(*r.arret));
    }
    if (r.vitesse) {
        ecrit(kCleVitesse, Nombre(QString::number(*VitesseValide(*r.vitesse))));
    }
    if (r.protocole) {
        ecrit(kCleProtocole, *r.protocole);
    }
    if (r.flux) {
        ecrit(kCleFlux, Nombre(QString::number(*r.flux)));
    }
    // What the opening reads and the file still leaves empty is what a fresh folder holds.
    for (const QString& cle : ClesOuverture()) {
        if (ini.Lit(kSectionPort, cle).isEmpty()) {
            if (const QString defaut = defauts.Lit(kSectionPort, cle); !defaut.isEmpty()) {
                // The numbers the settings write carry their blank; PortActif never did.
                const bool nombre = cle != kClePortActif && NombrePortSerie(defaut).has_value();
                ecrit(cle, nombre ? Nombre(defaut) : defaut);
            }
        }
    }
    if (const QString refus = RefusOuverturePort(ini); !refus.isEmpty()) {
        throw ErreurKovra(refus + u' ' + NonModifie(fichier));
    }
    if (!ini.Enregistre(fichier)) {
        throw ErreurKovra(QStringLiteral("Impossible d'enregistrer les réglages du port dans le "
                                         "fichier %1 : il ne peut pas être lu ou écrit (fichier "
                                         "en lecture seule, dossier absent, disque plein). %2")
                              .arg(fichier, NonModifie(fichier)));
    }
}

} // namespace kovra
