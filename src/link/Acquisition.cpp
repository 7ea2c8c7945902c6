#include "link/Acquisition.h"
#include "dialogues/Dialogues.h"

#include "base/Windows1252.h"

#include <QDir>

namespace kovra {

namespace {

const QString kPrefixeSpool = QStringLiteral("acquisition-");
constexpr qsizetype kLongueurEnregistrement = 28;

QString SansBlancs(const QString& s) {
    qsizetype debut = 0;
    qsizetype fin = s.size();
    while (debut < fin && s[debut] == u' ') {
        ++debut;
    }
    while (fin > debut && s[fin - 1] == u' ') {
        --fin;
    }
    return s.mid(debut, fin - debut);
}

} // namespace

std::optional<QString> EnregistrementDeLigne(QString& ligne) {
    if (ligne == u"ACK" || ligne.size() < kLongueurEnregistrement) {
        return std::nullopt;
    }
    QString premier;
    QString second;
    if (ligne.front().unicode() < 10) {
        premier = ligne.mid(1, 20);
        second = ligne.mid(22, 6);
    } else {
        ligne = SansBlancs(ligne);
        if (ligne.startsWith(u';')) {
            return QString(20, u' ') + u'\r' + QString(6, u' ') + QStringLiteral("\r\n");
        }
        premier = ligne.mid(0, 20);
        second = ligne.mid(21, 6);
    }
    return SansBlancs(premier) + u'\r' + SansBlancs(second) + QStringLiteral("\r\n");
}

Acquisition::Acquisition(MSComm& port, EtatLiaison& etat, const Environnement& env,
                         std::function<void(const QString&, const QString&)> traiteEmul)
    : port_(port), etat_(etat), env_(env), traiteEmul_(std::move(traiteEmul)) {}

bool Acquisition::Demarre() {
    if (enCours_) {
        return false;
    }
    etat_.TrameRecue.clear();
    if (!ParAcquisition(etat_.TypeTerminal)) {
        return false;
    }
    if (!port_.PortOpen()) {
        env_.dialogues.Message(QStringLiteral("Le port %1 n'est pas ouvert : l'acquisition n'est "
                                              "pas lancée.")
                                   .arg(port_.NomPeripherique()),
                               Icone::Exclamation);
        return false;
    }
    scanPal_ = etat_.TypeTerminal == GenreTerminal::ScanPal;
    // What the last run left (its end signal) would shift the first record's columns.
    LigneEnCours.clear();
    DerniereLigne.clear();
    spool_ = std::make_unique<QFile>(env_.DossierDonnees + u'/' + kPrefixeSpool +
                                     maintenant().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
                                     QStringLiteral(".tmp"));
    if (!spool_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        env_.dialogues.Message(QStringLiteral("Impossible de créer le fichier %1 : %2. "
                                              "L'acquisition n'est pas lancée.")
                                   .arg(spool_->fileName(), spool_->errorString()),
                               Icone::Exclamation);
        spool_.reset();
        return false;
    }
    enCours_ = true;
    FinAcquisition = false;
    port_.Output(QStringLiteral("READ\r"));
    SurEvenement(); // what may already wait
    return true;
}

void Acquisition::SurEvenement() {
    while (enCours_ && !FinAcquisition && port_.InBufferCount() > 0) {
        if (scanPal_) {
            showinputScanPal();
        } else {
            showinputOptimus();
        }
    }
    if (enCours_ && FinAcquisition) {
        Termine();
    }
}

void Acquisition::Caractere(const std::function<bool(const QString&)>& fin) {
    port_.InputLen = 1;
    const QString c = port_.Input();
    if (c.isEmpty()) {
        return;
    }
    if (c != u"\r") {
        LigneEnCours += c;
        return;
    }
    if (fin(LigneEnCours)) {
        return;
    }
    if (const auto enregistrement = EnregistrementDeLigne(LigneEnCours)) {
        // On disk before it is acknowledged: a record the terminal may now forget is kept.
        const QByteArray octets = EncodeWindows1252(*enregistrement);
        if (spool_->write(octets) != octets.size() || !spool_->flush()) {
            env_.dialogues.Avis(
                QStringLiteral("Erreur d'écriture du fichier %1 : l'enregistrement n'est pas "
                               "acquitté.")
                    .arg(spool_->fileName()),
                Icone::Exclamation);
        } else {
            etat_.TrameRecue += *enregistrement;
            port_.Output(QStringLiteral("ACK\r"));
        }
    }
    LigneEnCours.clear();
}

void Acquisition::showinputOptimus() {
    Caractere([this](const QString& ligne) {
        if (ligne == u"OVER") {
            FinAcquisition = true;
            return true;
        }
        return false;
    });
}

void Acquisition::showinputScanPal() {
    Caractere([this](const QString& ligne) {
        if (ligne == u"OVER") {
            if (DerniereLigne == u"OVER") {
                FinAcquisition = true;
            }
            DerniereLigne = ligne;
            return true;
        }
        DerniereLigne = ligne;
        if (ligne == u"OVEROVER") {
            FinAcquisition = true;
            return true;
        }
        return false;
    });
}

void Acquisition::Arrete() {
    if (!enCours_) {
        return;
    }
    enCours_ = false;
    spool_->close();
    env_.dialogues.Avis(QStringLiteral("Acquisition interrompue. Les enregistrements déjà "
                                       "reçus sont conservés dans le fichier %1.")
                            .arg(spool_->fileName()),
                        Icone::Exclamation);
    spool_.reset();
    if (interrompue) {
        interrompue();
    }
}

void Acquisition::Termine() {
    enCours_ = false;
    spool_->close();
    traiteEmul_(etat_.TrameRecue, spool_->fileName());
    spool_.reset();
}

QStringList SignaleAcquisitionsInterrompues(const Environnement& env) {
    const QDir dossier(env.DossierDonnees);
    QStringList fichiers;
    for (const QString& nom :
         dossier.entryList({kPrefixeSpool + QStringLiteral("*.tmp")}, QDir::Files, QDir::Name)) {
        fichiers << dossier.filePath(nom);
    }
    if (!fichiers.isEmpty()) {
        env.dialogues.Avis(QStringLiteral("Une acquisition précédente ne s'est pas terminée. Les "
                                          "enregistrements déjà reçus sont conservés dans : ") +
                               fichiers.join(QStringLiteral(", ")),
                           Icone::Exclamation);
    }
    return fichiers;
}

} // namespace kovra
