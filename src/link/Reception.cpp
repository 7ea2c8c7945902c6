#include "link/Reception.h"
#include "dialogues/Dialogues.h"

#include "base/EcritureFichiers.h"
#include "base/ErreurKovra.h"
#include "base/Windows1252.h"

#include <QFileInfo>
#include <utility>

namespace kovra {

namespace {

constexpr int kCycleHt630 = 300;
constexpr int kAbandonHt630 = 10000; // silence after which a collection without marker ends
constexpr int kSilencePt630 = 500;
constexpr int kAvantRelecture = 1000;
const QByteArray kTransfertVide = "<DEL>\r\n";

// The text without the blanks and line ends it starts with.
QString SansBlancsEnTete(const QString& texte) {
    qsizetype debut = 0;
    while (debut < texte.size() && (texte[debut] == u' ' || texte[debut] == u'\t' ||
                                    texte[debut] == u'\r' || texte[debut] == u'\n')) {
        ++debut;
    }
    return texte.mid(debut);
}

// After a failed write: how many bytes of the data, from their start, the file holds. A
// file that holds none is removed, so that it is never taken for kept data.
qint64 RestesEcritureRatee(const QString& chemin) {
    const qint64 taille = QFileInfo(chemin).size();
    if (taille <= 0) {
        QFile::remove(chemin);
        return 0;
    }
    return taille;
}

// What the user is told of a PT630 transfer ended by another event than received
// characters; the port reports only these.
QString MessageEvenement(int evenement) {
    switch (evenement) {
    case kComEventTxFull:
        return QStringLiteral("Tampon de transmission plein");
    case kComEventDevice:
        return QStringLiteral("Le terminal a été déconnecté pendant le transfert.");
    default:
        return QStringLiteral("Erreur ou evenement inconnu");
    }
}

} // namespace

QString NomSpool(const QDateTime& m) {
    const QDate d = m.date();
    const QTime t = m.time();
    return QStringLiteral("%1%2%3%4%5%6.tmp")
        .arg(d.day())
        .arg(d.month())
        .arg(d.year())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second());
}

Reception::Reception(MSComm& port, EtatLiaison& etat, const Environnement& env,
                     Minuterie& minuterie, Progression& progression,
                     std::function<void(const QString&, const QString&)> traiteEmul)
    : port_(port), etat_(etat), env_(env), minuterie_(minuterie), progression_(progression),
      traiteEmul_(std::move(traiteEmul)) {}

void Reception::SurEvenement() {
    const int evenement = port_.CommEvent();
    if (evenement == kComEventDevice) {
        PerteTerminal();
        return;
    }
    if (evenement != 0 && pt630_ == Pt630::Collecte) {
        evenementTransfert_ = evenement; // what ends this transfer's story
    }
    if (etat_.EnReception || !port_.PortOpen()) {
        return; // the running HT630 collection reads the characters
    }
    if (etat_.TypeTerminal == GenreTerminal::HT630) {
        port_.InputLen = 0;
        etat_.EnReception = true;
        tamponHt630_.clear();
        suiteDeMarque_ = false;
        cyclesMuets_ = 0;
        const quint64 generation = ++generation_;
        minuterie_.Apres(kCycleHt630, [this, generation] { CycleHt630(generation); });
    } else if (etat_.TypeTerminal == GenreTerminal::PT630) {
        switch (pt630_) {
        case Pt630::Repos:
            if (port_.InBufferCount() > 0) { // an event without data starts no transfer
                DebutPt630();
            }
            break;
        case Pt630::Collecte:
            EcritSpool();
            break;
        case Pt630::Vidange:
            Vidange();
            break;
        }
    }
}

void Reception::CycleHt630(quint64 generation) {
    if (!etat_.EnReception || generation != generation_) {
        return;
    }
    const QString lu = port_.Input();
    tamponHt630_ += lu;
    cyclesMuets_ = lu.isEmpty() ? cyclesMuets_ + 1 : 0;
    // A start too short to be a transfer is dropped; what followed a marker is not a start
    // but data of the next transfer, however short, and is kept.
    if (tamponHt630_.size() < 4 && !suiteDeMarque_) {
        etat_.EnReception = false;
        return;
    }
    // Every transfer ended by a marker, in order. What follows a marker starts the next
    // transfer; the blanks and line end right after it only close the marker's line.
    QStringList trames;
    for (qsizetype fin = tamponHt630_.indexOf(kFinTransfert); fin >= 0;
         fin = tamponHt630_.indexOf(kFinTransfert)) {
        trames << tamponHt630_.left(fin);
        tamponHt630_ = SansBlancsEnTete(tamponHt630_.mid(fin + kFinTransfert.size()));
    }
    if (!trames.isEmpty()) {
        suiteDeMarque_ = !tamponHt630_.isEmpty();
    }
    // Once the program is ending, the marker is waited for only while characters come.
    const bool sansFin = arret_ ? cyclesMuets_ > 0 : cyclesMuets_ * kCycleHt630 >= kAbandonHt630;
    if (trames.isEmpty() && sansFin) {
        etat_.EnReception = false;
        MetDeCoteHt630(std::exchange(tamponHt630_, QString()));
        return;
    }
    if (tamponHt630_.isEmpty()) {
        etat_.EnReception = false;
    } else {
        // A transfer under way, or the start of the next one behind a marker: collected
        // like any other, so it is delivered or set aside, never lost.
        const quint64 suivante = ++generation_;
        minuterie_.Apres(kCycleHt630, [this, suivante] { CycleHt630(suivante); });
    }
    for (const QString& trame : trames) {
        etat_.TrameRecue = trame;
        traiteEmul_(etat_.TrameRecue, QString());
    }
}

void Reception::MetDeCoteHt630(const QString& texte) {
    // Without its end marker the transfer would be glued to the next one: it is set aside.
    QFile f(CheminLibre(env_.DossierDonnees, QStringLiteral("ht630-") + NomSpool(maintenant())));
    QString erreur;
    bool garde = false;
    const bool ouvert = f.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
    if (ouvert) {
        try {
            EcritEntier(f, EncodeWindows1252(texte));
            garde = true;
        } catch (const ErreurKovra& e) {
            erreur = e.Message();
        }
    } else {
        erreur = f.errorString();
    }
    f.close();
    QString message = QStringLiteral("Transfert incomplet : la marque de fin n'est pas arrivée. ");
    if (garde) {
        message += QStringLiteral("Les données reçues sont conservées dans le fichier %1.")
                       .arg(f.fileName());
    } else {
        message += QStringLiteral("Les données reçues n'ont pas pu être conservées (%1 : %2).")
                       .arg(f.fileName(), erreur);
        if (const qint64 taille = ouvert ? RestesEcritureRatee(f.fileName()) : 0; taille > 0) {
            message +=
                QStringLiteral(" Seul leur début (%1 octets) est dans ce fichier.").arg(taille);
        }
    }
    env_.dialogues.Avis(message, Icone::Exclamation);
}

void Reception::PrepareArret() {
    arret_ = true;
    if (etat_.EnReception && cyclesMuets_ > 0 && port_.InBufferCount() == 0) {
        // The line is quiet: the end marker will not come before the program ends.
        etat_.EnReception = false;
        ++generation_; // the pending cycle
        MetDeCoteHt630(std::exchange(tamponHt630_, QString()));
    } else if (etat_.EnReception || pt630_ == Pt630::Collecte) {
        env_.dialogues.Avis(QStringLiteral("Fin de la réception en cours…"), Icone::Information);
    }
}

void Reception::PerteTerminal() {
    // The port is closed once this event is over, and what waits in it goes with it: what
    // the collection under way has not read yet is taken now.
    if (etat_.EnReception) {
        etat_.EnReception = false;
        ++generation_; // the pending cycle
        const QString texte = std::exchange(tamponHt630_, QString()) + port_.Input();
        if (!texte.isEmpty()) {
            MetDeCoteHt630(texte);
        }
        return;
    }
    switch (pt630_) {
    case Pt630::Collecte:
        evenementTransfert_ = kComEventDevice;
        EcritSpool(); // the silence that follows ends it, and it is kept, not processed
        break;
    case Pt630::Vidange:
        ++generation_;
        pt630_ = Pt630::Repos;
        break;
    case Pt630::Repos:
        break;
    }
}

void Reception::DebutPt630() {
    port_.InputLen = 0;
    spool_ = std::make_unique<QFile>(CheminLibre(env_.DossierDonnees, NomSpool(maintenant())));
    // Unbuffered: what arrives is on disk as soon as it is read, so a program that stops
    // (a crash, a power cut) leaves what had come in the file, and a failure shows at once.
    if (!spool_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        const QString message = QStringLiteral("Impossible de créer le fichier %1 : %2. Le "
                                               "transfert du terminal n'a pas été reçu.")
                                    .arg(spool_->fileName(), spool_->errorString());
        spool_.reset();
        env_.dialogues.Avis(message, Icone::Exclamation);
        pt630_ = Pt630::Vidange;
        Vidange();
        return;
    }
    pt630_ = Pt630::Collecte;
    evenementTransfert_ = port_.CommEvent();
    progression_.Libelle(QString());
    progression_.Libelle(QStringLiteral("Préparation de la mémoire"));
    EcritSpool();
}

void Reception::EcritSpool() {
    try {
        EcritEntier(*spool_, EncodeWindows1252(port_.Input()));
    } catch (const ErreurKovra& e) {
        Abandonne(QStringLiteral("Erreur d'écriture du fichier %1 : %2.")
                      .arg(spool_->fileName(), e.Message()));
        return;
    }
    AttendSilence();
}

void Reception::Vidange() {
    port_.InputLen = 0;
    port_.Input();
    AttendSilence();
}

void Reception::AttendSilence() {
    const quint64 generation = ++generation_;
    minuterie_.Apres(kSilencePt630, [this, generation] { VerifieSilence(generation); });
}

void Reception::VerifieSilence(quint64 generation) {
    if (pt630_ == Pt630::Repos || generation != generation_) {
        return; // data came since: a later check decides
    }
    if (port_.InBufferCount() > 0 && pt630_ == Pt630::Collecte) {
        EcritSpool();
        return;
    }
    if (port_.InBufferCount() > 0) {
        Vidange();
        return;
    }
    if (pt630_ == Pt630::Vidange) {
        pt630_ = Pt630::Repos;
        return;
    }
    spool_->close();
    const QString chemin = spool_->fileName();
    const int evenement = evenementTransfert_;
    spool_.reset();
    pt630_ = Pt630::Repos; // the next transfer may start while this one waits
    ++relectures_;
    minuterie_.Apres(kAvantRelecture, [this, chemin, evenement] { FinPt630(chemin, evenement); });
}

void Reception::Abandonne(const QString& message) {
    progression_.Termine();
    spool_->close();
    const QString chemin = spool_->fileName();
    spool_.reset();
    const qint64 taille = RestesEcritureRatee(chemin);
    env_.dialogues.Avis(
        message + QStringLiteral(" Le transfert est abandonné ; ") +
            (taille > 0 ? QStringLiteral("seul son début (%1 octets) est conservé, dans le "
                                         "fichier %2.")
                              .arg(QString::number(taille), chemin)
                        : QStringLiteral("rien n'en a été conservé.")),
        Icone::Exclamation);
    // The rest of the transfer is read off the line, not taken for the next one.
    pt630_ = Pt630::Vidange;
    Vidange();
}

void Reception::FinPt630(const QString& chemin, int evenement) {
    --relectures_;
    if (evenement != kComEvReceive) {
        progression_.Termine(); // not processed; processing ends its own progress
    }
    QFile spool(chemin);
    if (!spool.open(QIODevice::ReadOnly)) {
        progression_.Termine();
        env_.dialogues.Avis(QStringLiteral("Impossible de relire le fichier %1 : %2. Les données "
                                           "reçues sont dans ce fichier.")
                                .arg(chemin, spool.errorString()),
                            Icone::Exclamation);
        return;
    }
    const QByteArray octets = spool.readAll();
    spool.close();
    etat_.TrameRecue = DecodeWindows1252(octets);

    if (octets.isEmpty() || octets == kTransfertVide || octets.endsWith('\xFF')) {
        progression_.Termine();
        if (!octets.isEmpty() && octets != kTransfertVide) {
            env_.dialogues.Avis(QStringLiteral("Terminal connecté"), Icone::Information);
        }
        if (!QFile::remove(chemin) && QFile::exists(chemin)) {
            env_.dialogues.Avis(
                QStringLiteral("Le fichier %1 n'a pas pu être supprimé.").arg(chemin),
                Icone::Exclamation);
        }
        return;
    }
    if (evenement == kComEvReceive) {
        traiteEmul_(etat_.TrameRecue, chemin);
        return;
    }
    env_.dialogues.Avis(MessageEvenement(evenement), Icone::Information);
    env_.dialogues.Avis(QStringLiteral("Les données reçues n'ont pas été traitées ; elles sont "
                                       "conservées dans le fichier %1.")
                            .arg(chemin),
                        Icone::Information);
}

} // namespace kovra
