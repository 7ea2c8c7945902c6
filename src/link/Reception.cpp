#include "link/Reception.h"
#include "dialogues/Dialogues.h"

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
    if (tamponHt630_.size() < 4) {
        etat_.EnReception = false;
        return;
    }
    const qsizetype fin = tamponHt630_.indexOf(kFinTransfert);
    if (fin < 0 && cyclesMuets_ * kCycleHt630 >= kAbandonHt630) {
        etat_.EnReception = false;
        MetDeCoteHt630(std::exchange(tamponHt630_, QString()));
        return;
    }
    if (fin < 0) {
        const quint64 suivante = ++generation_;
        minuterie_.Apres(kCycleHt630, [this, suivante] { CycleHt630(suivante); });
        return;
    }
    etat_.TrameRecue = tamponHt630_.left(fin);
    tamponHt630_.clear();
    etat_.EnReception = false;
    traiteEmul_(etat_.TrameRecue, QString());
}

void Reception::MetDeCoteHt630(const QString& texte) {
    // Without its end marker the transfer would be glued to the next one: it is set aside.
    QFile f(env_.DossierDonnees + u'/' + QStringLiteral("ht630-") + NomSpool(maintenant()));
    const QByteArray octets = EncodeWindows1252(texte);
    const bool garde =
        f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(octets) == octets.size();
    env_.dialogues.Avis(
        QStringLiteral("Transfert incomplet : la marque de fin n'est pas arrivée. ") +
            (garde ? QStringLiteral("Les données reçues sont conservées dans le fichier %1.")
                         .arg(f.fileName())
                   : QStringLiteral("Les données reçues n'ont pas pu être conservées.")),
        Icone::Exclamation);
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
    const QString dossier = env_.DossierDonnees + u'/';
    QString nom = NomSpool(maintenant());
    // A spool file kept from a failed transfer, or one waiting to be read back, is never
    // written over.
    for (int n = 1; QFileInfo::exists(dossier + nom); ++n) {
        nom =
            NomSpool(maintenant()).chopped(4) + u'_' + QString::number(n) + QStringLiteral(".tmp");
    }
    spool_ = std::make_unique<QFile>(dossier + nom);
    if (!spool_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
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
    const QByteArray octets = EncodeWindows1252(port_.Input());
    if (!octets.isEmpty() && spool_->write(octets) != octets.size()) {
        Abandonne(QStringLiteral("Erreur d'écriture du fichier %1 : %2.")
                      .arg(spool_->fileName(), spool_->errorString()));
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
    if (!spool_->flush()) {
        Abandonne(QStringLiteral("Erreur d'écriture du fichier %1 : %2.")
                      .arg(spool_->fileName(), spool_->errorString()));
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
    env_.dialogues.Avis(message +
                            QStringLiteral(" Le transfert est abandonné ; ce qui en a été "
                                           "reçu est dans le fichier ") +
                            spool_->fileName() + u'.',
                        Icone::Exclamation);
    spool_.reset();
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
