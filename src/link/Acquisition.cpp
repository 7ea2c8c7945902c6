#include "link/Acquisition.h"
#include "dialogues/Dialogues.h"

#include "base/EcritureFichiers.h"
#include "base/ErreurKovra.h"
#include "base/Windows1252.h"
#include "platform/Fichiers.h"

#include <cerrno>

namespace kovra {

namespace {

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
                         Minuterie& minuterie,
                         std::function<void(const QString&, const QString&)> traiteEmul)
    : port_(port), etat_(etat), env_(env), traiteEmul_(std::move(traiteEmul)),
      minuterie_(minuterie) {}

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
    // Never over the file of a run that was cut short, whatever the clock says.
    spool_ = std::make_unique<QFile>(CheminLibre(
        env_.DossierDonnees, kPrefixeSpoolAcquisition +
                                 maintenant().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
                                 QStringLiteral(".tmp")));
    // Unbuffered: each record goes to the file when it is written, and a failure shows then.
    if (!spool_->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        env_.dialogues.Message(QStringLiteral("Impossible de créer le fichier %1 : %2. "
                                              "L'acquisition n'est pas lancée.")
                                   .arg(spool_->fileName(), spool_->errorString()),
                               Icone::Exclamation);
        spool_.reset();
        return false;
    }
    plateforme::SynchroniseDossier(env_.DossierDonnees);
    if (!port_.Output(QStringLiteral("READ\r"))) {
        spool_->close();
        const QString chemin = spool_->fileName();
        spool_.reset();
        QString message = QStringLiteral("La demande (READ) n'a pas pu être envoyée au terminal "
                                         "sur le port %1 : l'acquisition n'est pas lancée.")
                              .arg(port_.NomPeripherique());
        if (!QFile::remove(chemin) && QFile::exists(chemin)) {
            message += QStringLiteral(" Le fichier vide %1 n'a pas pu être supprimé.").arg(chemin);
        }
        env_.dialogues.Message(message, Icone::Exclamation);
        return false;
    }
    enCours_ = true;
    FinAcquisition = false;
    lus_ = 0;
    lusVerifies_ = 0;
    verificationsMuettes_ = 0;
    minuterie_.Annule();
    minuterie_.Apres(kSilenceMax / 3, [this] { VerifieSilence(); });
    Lit(); // what may already wait
    return true;
}

void Acquisition::VerifieSilence() {
    if (!enCours_) {
        return;
    }
    verificationsMuettes_ = lus_ == lusVerifies_ ? verificationsMuettes_ + 1 : 0;
    lusVerifies_ = lus_;
    if (verificationsMuettes_ >= 3) {
        Interrompt(QStringLiteral("Le terminal n'a rien envoyé depuis %1 secondes : "
                                  "acquisition arrêtée.")
                       .arg(kSilenceMax / 1000));
        return;
    }
    minuterie_.Apres(kSilenceMax / 3, [this] { VerifieSilence(); });
}

void Acquisition::SurEvenement() {
    Lit();
    // What the port held is read; a lost terminal sends nothing more.
    if (enCours_ && port_.CommEvent() == kComEventDevice) {
        Interrompt(QStringLiteral("Le terminal ne répond plus : acquisition interrompue."));
    }
}

void Acquisition::Lit() {
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
    ++lus_;
    if (c != u"\r") {
        LigneEnCours += c;
        return;
    }
    if (fin(LigneEnCours)) {
        return;
    }
    if (const auto enregistrement = EnregistrementDeLigne(LigneEnCours)) {
        if (enCours_ && Acquitte(*enregistrement)) {
            etat_.TrameRecue += *enregistrement;
        }
    }
    LigneEnCours.clear();
}

bool Acquisition::Acquitte(const QString& enregistrement) {
    // On disk before it is acknowledged: the terminal forgets a record once it has its ACK,
    // so the record must survive a crash or a power cut from then on.
    const qint64 avant = spool_->pos();
    QString erreur;
    try {
        EcritEntier(*spool_, EncodeWindows1252(enregistrement));
        if (!synchronise(*spool_)) {
            erreur = qt_error_string(errno);
        }
    } catch (const ErreurKovra& e) {
        erreur = e.Message();
    }
    if (!erreur.isEmpty()) {
        // The file keeps only what was acknowledged: the terminal still holds this record.
        spool_->resize(avant);
        spool_->seek(avant);
        Interrompt(QStringLiteral("Erreur d'écriture du fichier %1 (%2) : l'enregistrement "
                                  "n'est pas acquitté. Acquisition interrompue.")
                       .arg(spool_->fileName(), erreur));
        return false;
    }
    if (!port_.Output(QStringLiteral("ACK\r"))) {
        Interrompt(QStringLiteral("L'acquittement (ACK) d'un enregistrement n'a pas pu être "
                                  "envoyé au terminal : acquisition interrompue."),
                   QStringLiteral("Le dernier n'a pas été acquitté : le terminal le garde et "
                                  "peut l'envoyer de nouveau."));
        return false;
    }
    return true;
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
    if (enCours_) {
        Interrompt(QStringLiteral("Acquisition interrompue."));
    }
}

void Acquisition::Interrompt(const QString& cause, const QString& suite) {
    enCours_ = false;
    spool_->close();
    QString message = cause + u' ';
    if (spool_->size() > 0) {
        message += QStringLiteral("Les enregistrements déjà reçus sont conservés dans le "
                                  "fichier %1.")
                       .arg(spool_->fileName());
    } else {
        // An empty file is no kept data.
        spool_->remove();
        message += QStringLiteral("Aucun enregistrement n'avait été acquitté : le terminal les "
                                  "garde tous.");
    }
    if (!suite.isEmpty()) {
        message += u' ' + suite;
    }
    env_.dialogues.Avis(message, Icone::Exclamation);
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

} // namespace kovra
