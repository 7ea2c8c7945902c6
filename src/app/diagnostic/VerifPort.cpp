// The instance lock of the data folder and the serial port named by PortSerie.ini.
#include "app/diagnostic/Verifications.h"

#include "link/OuverturePort.h"
#include "platform/LigneSerie.h"
#include "platform/Processus.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QSysInfo>
#include <cmath>

namespace kovra {

namespace {

const QString kSujetVerrou = QStringLiteral("instance lock");
const QString kSujetPort = QStringLiteral("serial port");

// Whether the process that wrote a lock still runs. As QLockFile judges it: a number that
// now belongs to another program does not count.
bool ProcessusVivant(qint64 pid, const QString& programme) {
    if (!plateforme::ProcessusExiste(pid)) {
        return false;
    }
    const QString exe = plateforme::ProgrammeProcessus(pid);
    return exe.isEmpty() || programme.isEmpty() ||
           QFileInfo(exe).fileName() == QFileInfo(programme).fileName();
}

struct Processus {
    qint64 pid = 0;
    QString nom;
    bool vivant = false;
    QString hote; // another machine's name, when the lock was written there
};

// The Kovra that holds the data folder, if a lock is there.
std::optional<Processus> VerrouKovra(const QString& dossier) {
    const QString chemin = dossier + QStringLiteral("/kovra.lock");
    if (!QFileInfo::exists(chemin)) {
        return std::nullopt;
    }
    Processus p;
    QString hote;
    QString programme;
    QLockFile(chemin).getLockInfo(&p.pid, &hote, &programme);
    // A lock written on another machine (a shared folder) cannot be judged from here, so
    // it is never taken over.
    if (!hote.isEmpty() && hote != QSysInfo::machineHostName()) {
        p.hote = hote;
        p.vivant = true;
    } else {
        p.vivant = ProcessusVivant(p.pid, programme);
    }
    p.nom = programme;
    return p;
}

// A lock file LCK..<name> another serial program (or Qt's serial port) left.
std::optional<Processus> VerrouUucp(const DescriptionPoste& poste, const QString& peripherique) {
    QStringList noms;
    // Qt names the file after the path below /dev, "/" made "_"; others after the device.
    QString nom = peripherique;
    if (nom.startsWith(QStringLiteral("/dev/"))) {
        nom = nom.mid(5);
    }
    noms << nom.replace(u'/', u'_');
    const QString reel = QFileInfo(peripherique).canonicalFilePath();
    if (!reel.isEmpty()) {
        noms << QFileInfo(reel).fileName();
    }
    QSet<QString> vus;
    for (const QString& dossier : poste.dossiersVerrous) {
        const QString canonique = QFileInfo(dossier).canonicalFilePath();
        if (canonique.isEmpty() || vus.contains(canonique)) {
            continue;
        }
        vus.insert(canonique);
        for (const QString& n : noms) {
            QFile f(canonique + QStringLiteral("/LCK..") + n);
            if (!f.open(QIODevice::ReadOnly)) {
                continue;
            }
            Processus p;
            p.pid = QString::fromLatin1(f.readLine()).trimmed().toLongLong();
            const QString programme = QString::fromLocal8Bit(f.readLine()).trimmed();
            p.vivant = ProcessusVivant(p.pid, programme);
            p.nom = plateforme::NomProcessus(p.pid);
            return p;
        }
    }
    return std::nullopt;
}

QString Qui(const Processus& p) {
    return p.nom.isEmpty() ? QStringLiteral("process %1").arg(p.pid)
                           : QStringLiteral("process %1, %2").arg(p.pid).arg(p.nom);
}

// A number of the file as Kovra reads it ("1.5" gives 1); nothing when it is none.
std::optional<long long> Nombre(const QString& texte) {
    bool ok = false;
    const double v = texte.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 2147483647.0) {
        return std::nullopt;
    }
    return static_cast<long long>(std::trunc(v));
}

} // namespace

void VerifiePort(const DescriptionPoste& poste, Bilan& bilan) {
    const std::optional<Processus> kovra = VerrouKovra(poste.dossierDonnees);
    if (!kovra) {
        bilan.Ok(kSujetVerrou, QStringLiteral("no Kovra runs on this data folder"));
    } else if (!kovra->hote.isEmpty()) {
        bilan.Echec(kSujetVerrou,
                    QStringLiteral("kovra.lock was written by process %1 on machine %2: Kovra "
                                   "will not start on this folder while it is there. Fix: if no "
                                   "Kovra runs on %2 any more, delete %3/kovra.lock")
                        .arg(QString::number(kovra->pid), kovra->hote, poste.dossierDonnees));
        return;
    } else if (kovra->vivant) {
        bilan.Ok(kSujetVerrou,
                 QStringLiteral("Kovra runs on this data folder (%1)").arg(Qui(*kovra)));
    } else {
        bilan.Note(kSujetVerrou, QStringLiteral("kovra.lock was left by process %1, which has "
                                                "ended: the next start takes it over.")
                                     .arg(kovra->pid));
    }

    const QString ini = CheminDonnee(poste.dossierDonnees, kPortSerie);
    const DocumentProfil doc = DocumentProfil::Charge(ini);
    const auto lit = [&](const char* cle) {
        return doc.Lit(kSectionPort, QString::fromUtf8(cle));
    };
    const std::optional<long long> actif = Nombre(lit("PortActif"));
    if (!actif) {
        bilan.Echec(kSujetPort, QStringLiteral("PortActif in %1 is not a number. Fix: kovra-cli "
                                               "ini set PortSerie.ini Port_série PortActif 1")
                                    .arg(ini));
        return;
    }
    if (*actif == 0) {
        bilan.Note(kSujetPort, QStringLiteral("turned off (PortActif=0): Kovra does not open it "
                                              "until it is turned on in the settings window."));
        return;
    }
    const QString numero = lit("Port");
    if (numero.isEmpty()) {
        bilan.Echec(kSujetPort, QStringLiteral("none is configured. Fix: choose it in the "
                                               "settings window, or kovra-cli port set --device "
                                               "PATH (kovra-cli port list shows the devices)."));
        return;
    }
    const std::optional<long long> com = Nombre(numero);
    if (!com) {
        bilan.Echec(kSujetPort, QStringLiteral("Port in %1 is not a number. Fix: kovra-cli port "
                                               "set --com N or --device PATH.")
                                    .arg(ini));
        return;
    }
    QString peripherique = lit("Peripherique");
    if (peripherique.isEmpty()) {
        peripherique = QStringLiteral("%1/ttyS%2").arg(poste.racinePeripheriques).arg(*com - 1);
    }

    if (kovra && kovra->vivant) {
        // Kovra has the port: it is busy because Kovra works, and is left alone.
        bilan.Ok(kSujetPort, QStringLiteral("%1 is Kovra's while it runs (%2); not opened")
                                 .arg(peripherique, Qui(*kovra)));
        return;
    }
    if (!QFileInfo::exists(peripherique)) {
        bilan.Echec(kSujetPort, QStringLiteral("%1 is not there. Fix: plug in the terminal's "
                                               "cable or adapter, or choose the port present "
                                               "(kovra-cli port list, then kovra-cli port set "
                                               "--device PATH).")
                                    .arg(peripherique));
        return;
    }
    QString verrouMort;
    if (const auto autre = VerrouUucp(poste, peripherique)) {
        if (autre->vivant) {
            bilan.Echec(kSujetPort, QStringLiteral("%1 is held by another program (%2). Fix: "
                                                   "close that program.")
                                        .arg(peripherique, Qui(*autre)));
            return;
        }
        verrouMort =
            QStringLiteral(" (a lock file of ended process %1 is taken over)").arg(autre->pid);
    }
    const AccesPeripherique acces = EvalueAcces(peripherique, poste.identite);
    if (!acces.permis) {
        bilan.Echec(kSujetPort, RefusAccesEn(peripherique, acces, poste.identite));
        return;
    }
    // An actual opening, as the port does it, then closed at once.
    const plateforme::EssaiLigne essai = plateforme::EssaieLigneSerie(peripherique);
    switch (essai.issue) {
    case plateforme::EssaiLigne::Issue::Ouverte:
        break;
    case plateforme::EssaiLigne::Issue::Refusee:
        bilan.Echec(kSujetPort, RefusAccesEn(peripherique, acces, poste.identite));
        return;
    case plateforme::EssaiLigne::Issue::Occupee:
        bilan.Echec(kSujetPort, QStringLiteral("%1 is busy: another program has it open. "
                                               "Fix: close that program (sudo fuser -v %1 "
                                               "names it).")
                                    .arg(peripherique));
        return;
    case plateforme::EssaiLigne::Issue::PasUneLigne:
        bilan.Echec(kSujetPort, QStringLiteral("%1 opens but is no serial line. Fix: choose the "
                                               "terminal's port (kovra-cli port list).")
                                    .arg(peripherique));
        return;
    case plateforme::EssaiLigne::Issue::Echec:
        bilan.Echec(kSujetPort, QStringLiteral("%1 cannot be opened (%2). Fix: check the "
                                               "cable or adapter, or choose another port.")
                                    .arg(peripherique, essai.raison));
        return;
    }
    bilan.Ok(kSujetPort, QStringLiteral("%1 (COM %2, %3) opens for user %4%5")
                             .arg(peripherique)
                             .arg(*com)
                             .arg(lit("Protocol").isEmpty() ? QStringLiteral("no terminal type")
                                                            : lit("Protocol"),
                                  poste.identite.nom, verrouMort));
}

} // namespace kovra
