#include "link/Reception.h"
#include "dialogues/Dialogues.h"

#include "base/Windows1252.h"

#include <QFileInfo>

namespace kovra {

namespace {

constexpr int kCycleHt630 = 300;
constexpr int kAbandonHt630 = 10000; // silence after which a collection without marker ends
constexpr int kSilencePt630 = 500;
constexpr int kAvantRelecture = 1000;
const QByteArray kTransfertVide = "<DEL>\r\n";

// What the user is told of a transfer ended by another event than received characters.
QString MessageEvenement(int evenement) {
    switch (evenement) {
    case kComEvSend:
        return {};
    case kComEventBreak:
        return QStringLiteral("Réception d'un signal d'arrêt");
    case kComEventRxOver:
        return QStringLiteral("Dépassement de la capacité du tampon de réception");
    case kComEventTxFull:
        return QStringLiteral("Tampon de transmission plein");
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
    if (port_.CommEvent() != 0 && pt630_ == Pt630::Collecte) {
        evenementTransfert_ = port_.CommEvent(); // what ends this transfer's story
    }
    if (etat_.EnReception || !port_.PortOpen() || port_.CommEvent() == kComEventDevice) {
        return; // the running HT630 collection reads the characters; a lost port has none
    }
    if (etat_.TypeTerminal == GenreTerminal::HT630) {
        port_.InputLen = 0;
        etat_.EnReception = true;
        minuterie_.Apres(kCycleHt630, [this] { CycleHt630(QString(), 0); });
    } else if (etat_.TypeTerminal == GenreTerminal::PT630) {
        if (pt630_ == Pt630::Repos) {
            DebutPt630();
        } else if (pt630_ == Pt630::Collecte) {
            EcritSpool();
        }
        // While a transfer is read back, what arrives waits in the port for the next one.
    }
}

void Reception::CycleHt630(QString tampon, int cyclesMuets) {
    const QString lu = port_.Input();
    tampon += lu;
    cyclesMuets = lu.isEmpty() ? cyclesMuets + 1 : 0;
    if (tampon.size() < 4) {
        etat_.EnReception = false;
        return;
    }
    const qsizetype fin = tampon.indexOf(kFinTransfert);
    if (fin < 0 && cyclesMuets * kCycleHt630 >= kAbandonHt630) {
        AbandonneHt630(tampon);
        return;
    }
    if (fin < 0) {
        minuterie_.Apres(kCycleHt630,
                         [this, tampon, cyclesMuets] { CycleHt630(tampon, cyclesMuets); });
        return;
    }
    etat_.TrameRecue = tampon.left(fin);
    etat_.EnReception = false;
    traiteEmul_(etat_.TrameRecue, QString());
}

void Reception::AbandonneHt630(const QString& tampon) {
    // Without its end marker the transfer would be glued to the next one: it is set aside.
    etat_.EnReception = false;
    QFile f(env_.DossierDonnees + u'/' + QStringLiteral("ht630-") + NomSpool(maintenant()));
    const QByteArray octets = EncodeWindows1252(tampon);
    const bool garde =
        f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(octets) == octets.size();
    env_.dialogues.Avis(
        QStringLiteral("Transfert incomplet : la marque de fin n'est pas arrivée. ") +
            (garde ? QStringLiteral("Les données reçues sont conservées dans le fichier %1.")
                         .arg(f.fileName())
                   : QStringLiteral("Les données reçues n'ont pas pu être conservées.")),
        Icone::Exclamation);
}

void Reception::DebutPt630() {
    port_.InputLen = 0;
    const QString dossier = env_.DossierDonnees + u'/';
    QString nom = NomSpool(maintenant());
    // A spool file kept from a failed transfer is never written over.
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
    const quint64 generation = ++generation_;
    minuterie_.Apres(kSilencePt630, [this, generation] { VerifieSilence(generation); });
}

void Reception::VerifieSilence(quint64 generation) {
    if (pt630_ != Pt630::Collecte || generation != generation_) {
        return; // data came since: a later check decides
    }
    if (port_.InBufferCount() > 0) {
        EcritSpool();
        return;
    }
    pt630_ = Pt630::Relecture;
    spool_->close();
    minuterie_.Apres(kAvantRelecture, [this] { FinPt630(); });
}

void Reception::Abandonne(const QString& message) {
    spool_->close();
    pt630_ = Pt630::Repos;
    env_.dialogues.Avis(message + QStringLiteral(" Les données reçues sont dans le fichier ") +
                            spool_->fileName() + u'.',
                        Icone::Exclamation);
    spool_.reset();
}

void Reception::FinPt630() {
    const QString chemin = spool_->fileName();
    QByteArray octets;
    if (!spool_->open(QIODevice::ReadOnly)) {
        Abandonne(QStringLiteral("Impossible de relire le fichier %1 : %2.")
                      .arg(chemin, spool_->errorString()));
        return;
    }
    octets = spool_->readAll();
    spool_->close();
    etat_.TrameRecue = DecodeWindows1252(octets);

    bool garder = false;
    bool confie = false; // handed over with the frame
    if (octets.isEmpty() || octets == kTransfertVide) {
        // nothing to do
    } else if (octets.endsWith('\xFF')) {
        env_.dialogues.Avis(QStringLiteral("Terminal connecté"), Icone::Information);
    } else {
        if (evenementTransfert_ == kComEvReceive || evenementTransfert_ == kComEvCTS) {
            traiteEmul_(etat_.TrameRecue, chemin);
            confie = true;
        } else {
            if (const QString message = MessageEvenement(evenementTransfert_); !message.isEmpty()) {
                env_.dialogues.Avis(message, Icone::Information);
            }
            garder = true;
        }
    }
    if (garder) {
        env_.dialogues.Avis(
            QStringLiteral("Les données reçues n'ont pas été traitées ; elles sont conservées "
                           "dans le fichier %1.")
                .arg(chemin),
            Icone::Information);
    } else if (!confie) {
        QFile::remove(chemin);
    }
    spool_.reset();
    pt630_ = Pt630::Repos;
    if (port_.InBufferCount() > 0) {
        DebutPt630(); // a transfer that arrived meanwhile
    }
}

} // namespace kovra
