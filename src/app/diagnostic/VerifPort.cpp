// The instance lock of the data folder and the serial port named by PortSerie.ini.
#include "app/diagnostic/Verifications.h"

#include "app/diagnostic/SondeReseau.h"
#include "link/AdresseReseau.h"
#include "link/FichierPortSerie.h"
#include "platform/LigneSerie.h"
#include "platform/Processus.h"
#include "storage/DossierDonnees.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QSysInfo>
#include <initializer_list>

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

// What the check of the port has found so far. Each step below adds to it and to the
// findings, and says whether the next ones have something to look at.
struct ExamenPort {
    const DescriptionPoste& poste;
    Bilan& bilan;
    std::optional<Processus> kovra{}; // the Kovra that holds the data folder
    long long com = 0;
    QString protocole{};
    QString peripherique{};
    std::optional<AdresseReseau> adresse{}; // when the terminal is reached over the network
    QString reglages{};                     // the line settings, "9600,N,8,1"
    int flux = 0;
    QString verrouMort{}; // said at the end when another program's ended lock is taken over
    AccesPeripherique acces{};
};

// The instance lock: which Kovra, if any, holds the data folder.
bool VerrouInstance(ExamenPort& e) {
    e.kovra = VerrouKovra(e.poste.dossierDonnees);
    const std::optional<Processus>& kovra = e.kovra;
    if (!kovra) {
        e.bilan.Ok(kSujetVerrou, QStringLiteral("no Kovra runs on this data folder"));
    } else if (!kovra->hote.isEmpty()) {
        e.bilan.Echec(kSujetVerrou,
                      QStringLiteral("kovra.lock was written by process %1 on machine %2: Kovra "
                                     "will not start on this folder while it is there. Fix: if no "
                                     "Kovra runs on %2 any more, delete %3/kovra.lock")
                          .arg(QString::number(kovra->pid), kovra->hote, e.poste.dossierDonnees));
        return false;
    } else if (kovra->vivant) {
        e.bilan.Ok(kSujetVerrou,
                   QStringLiteral("Kovra runs on this data folder (%1)").arg(Qui(*kovra)));
    } else {
        e.bilan.Note(kSujetVerrou, QStringLiteral("kovra.lock was left by process %1, which has "
                                                  "ended: the next start takes it over.")
                                       .arg(kovra->pid));
    }
    return true;
}

// The port PortSerie.ini configures: turned on, its COM number, its device (COM n is
// ttyS<n-1> when no device is named).
bool PortConfigure(ExamenPort& e) {
    const QString ini = CheminDonnee(e.poste.dossierDonnees, kPortSerie);
    const FichierPortSerie f = LitPortSerie(e.poste.dossierDonnees);
    const std::optional<qint32> actif = f.portActif.nombre;
    if (!actif) {
        e.bilan.Echec(kSujetPort, QStringLiteral("PortActif in %1 is not a number. Fix: kovra-cli "
                                                 "ini set PortSerie.ini Port_série PortActif 1")
                                      .arg(ini));
        return false;
    }
    if (*actif == 0) {
        e.bilan.Note(kSujetPort, QStringLiteral("turned off (PortActif=0): Kovra does not open it "
                                                "until it is turned on in the settings window."));
        return false;
    }
    if (f.port.texte.isEmpty()) {
        e.bilan.Echec(kSujetPort, QStringLiteral("none is configured. Fix: choose it in the "
                                                 "settings window, or kovra-cli port set --device "
                                                 "PATH (kovra-cli port list shows the devices)."));
        return false;
    }
    const std::optional<qint32> com = f.port.nombre;
    if (!com) {
        e.bilan.Echec(kSujetPort, QStringLiteral("Port in %1 is not a number. Fix: kovra-cli port "
                                                 "set --com N or --device PATH.")
                                      .arg(ini));
        return false;
    }
    e.com = *com;
    e.protocole = f.protocole;
    e.peripherique = f.peripherique;
    e.reglages = QStringLiteral("%1,%2,%3,%4")
                     .arg(f.vitesse.nombre.value_or(0))
                     .arg(f.parite)
                     .arg(f.bitsDonnees.nombre.value_or(0))
                     .arg(f.arret.nombre.value_or(0));
    e.flux = f.flux.nombre.value_or(0);
    if (e.peripherique.isEmpty()) {
        e.peripherique =
            QStringLiteral("%1/ttyS%2").arg(e.poste.racinePeripheriques).arg(e.com - 1);
    }
    return true;
}

QString TypeTerminal(const ExamenPort& e) {
    return e.protocole.isEmpty() ? QStringLiteral("no terminal type") : e.protocole;
}

// A terminal on the network: its address well written, then the host and port it names.
bool AdresseReseauValide(ExamenPort& e) {
    e.adresse = LitAdresseReseau(e.peripherique);
    if (!e.adresse) {
        e.bilan.Echec(kSujetPort,
                      QStringLiteral("%1 is not a valid network address. Fix: write it as "
                                     "tcp://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (RFC 2217), "
                                     "PORT from 1 to 65535 and an IPv6 address in brackets "
                                     "(tcp://[::1]:2000), in the settings window or with "
                                     "kovra-cli port set --device ADDRESS.")
                          .arg(e.peripherique));
        return false;
    }
    const QString hote =
        e.adresse->hote.contains(u':') ? u'[' + e.adresse->hote + u']' : e.adresse->hote;
    e.bilan.Ok(kSujetPort,
               QStringLiteral("terminal on the network at %1:%2 (%3), %4")
                   .arg(hote)
                   .arg(e.adresse->port)
                   .arg(e.adresse->mode == AdresseReseau::Mode::Rfc2217 ? QStringLiteral("RFC 2217")
                                                                        : QStringLiteral("raw TCP"),
                        TypeTerminal(e)));
    return true;
}

// The terminal's address tried live: the name resolves, the port answers and, in RFC 2217
// mode, the server accepts the COM-PORT option and the line settings, each within 3 s.
bool ProbeReseau(ExamenPort& e) {
    const QString adresse = TexteAdresseReseau(*e.adresse);
    if (const std::optional<QString> probleme =
            SondeServeurSerie(e.peripherique, e.reglages, e.flux, e.poste.delaiReseauMs)) {
        e.bilan.Echec(kSujetPort, adresse + QStringLiteral(": ") + *probleme);
        return false;
    }
    e.bilan.Ok(
        kSujetPort,
        e.adresse->mode == AdresseReseau::Mode::Rfc2217
            ? QStringLiteral("%1 answers and takes the line settings %2").arg(adresse, e.reglages)
            : QStringLiteral("%1 answers").arg(adresse));
    return true;
}

// Kovra has the port: it is busy because Kovra works, and is left alone.
bool PortLaisseAKovra(ExamenPort& e) {
    if (e.kovra && e.kovra->vivant) {
        e.bilan.Ok(kSujetPort, QStringLiteral("%1 is Kovra's while it runs (%2); not opened")
                                   .arg(e.peripherique, Qui(*e.kovra)));
        return false;
    }
    return true;
}

// An adapter named by its stable name: the link udev makes while it is plugged in, and the
// device it points to.
bool NomStable(ExamenPort& e) {
    const QString dossier = QDir::cleanPath(e.poste.dossierParId);
    if (!QDir::cleanPath(e.peripherique).startsWith(dossier + u'/')) {
        return true;
    }
    const QFileInfo lien(e.peripherique);
    if (!lien.exists()) {
        e.bilan.Echec(kSujetPort, QStringLiteral("%1 is not there: the adapter it names is not "
                                                 "plugged in. Fix: plug the adapter in; ls %2 "
                                                 "shows the names of the adapters present.")
                                      .arg(e.peripherique, dossier));
        return false;
    }
    e.bilan.Ok(kSujetPort, QStringLiteral("%1 is present: the adapter is plugged in, as %2")
                               .arg(e.peripherique, lien.canonicalFilePath()));
    return true;
}

bool PeripheriquePresent(ExamenPort& e) {
    if (!QFileInfo::exists(e.peripherique)) {
        e.bilan.Echec(kSujetPort, QStringLiteral("%1 is not there. Fix: plug in the terminal's "
                                                 "cable or adapter, or choose the port present "
                                                 "(kovra-cli port list, then kovra-cli port set "
                                                 "--device PATH).")
                                      .arg(e.peripherique));
        return false;
    }
    return true;
}

// Another program's lock file on the device: in the way while that program runs, taken over
// once it has ended.
bool VerrouAutreProgramme(ExamenPort& e) {
    if (const auto autre = VerrouUucp(e.poste, e.peripherique)) {
        if (autre->vivant) {
            e.bilan.Echec(kSujetPort, QStringLiteral("%1 is held by another program (%2). Fix: "
                                                     "close that program.")
                                          .arg(e.peripherique, Qui(*autre)));
            return false;
        }
        e.verrouMort =
            QStringLiteral(" (a lock file of ended process %1 is taken over)").arg(autre->pid);
    }
    return true;
}

// Whether this user may open the device, from its mode, owner and group.
bool AccesUtilisateur(ExamenPort& e) {
    e.acces = EvalueAcces(e.peripherique, e.poste.identite);
    if (!e.acces.permis) {
        e.bilan.Echec(kSujetPort, RefusAccesEn(e.peripherique, e.acces, e.poste.identite));
        return false;
    }
    return true;
}

// An actual opening, as the port does it, then closed at once.
bool Ouverture(ExamenPort& e) {
    const plateforme::EssaiLigne essai = plateforme::EssaieLigneSerie(e.peripherique);
    switch (essai.issue) {
    case plateforme::EssaiLigne::Issue::Ouverte:
        break;
    case plateforme::EssaiLigne::Issue::Refusee:
        e.bilan.Echec(kSujetPort, RefusAccesEn(e.peripherique, e.acces, e.poste.identite));
        return false;
    case plateforme::EssaiLigne::Issue::Occupee:
        e.bilan.Echec(kSujetPort, QStringLiteral("%1 is busy: another program has it open. "
                                                 "Fix: close that program (sudo fuser -v %1 "
                                                 "names it).")
                                      .arg(e.peripherique));
        return false;
    case plateforme::EssaiLigne::Issue::PasUneLigne:
        e.bilan.Echec(kSujetPort, QStringLiteral("%1 opens but is no serial line. Fix: choose the "
                                                 "terminal's port (kovra-cli port list).")
                                      .arg(e.peripherique));
        return false;
    case plateforme::EssaiLigne::Issue::Echec:
        e.bilan.Echec(kSujetPort, QStringLiteral("%1 cannot be opened (%2). Fix: check the "
                                                 "cable or adapter, or choose another port.")
                                      .arg(e.peripherique, essai.raison));
        return false;
    }
    e.bilan.Ok(kSujetPort, QStringLiteral("%1 (COM %2, %3) opens for user %4%5")
                               .arg(e.peripherique)
                               .arg(e.com)
                               .arg(TypeTerminal(e), e.poste.identite.nom, e.verrouMort));
    return true;
}

} // namespace

void VerifiePort(const DescriptionPoste& poste, Bilan& bilan) {
    using Etape = bool (*)(ExamenPort&);
    ExamenPort examen{poste, bilan};
    const auto suit = [&](std::initializer_list<Etape> etapes) {
        for (const Etape etape : etapes) {
            if (!etape(examen)) {
                return false;
            }
        }
        return true;
    };
    if (!suit({VerrouInstance, PortConfigure})) {
        return;
    }
    // A network address has no device file: nothing to find, lock, or open here.
    if (EstAdresseReseau(examen.peripherique)) {
        suit({AdresseReseauValide, PortLaisseAKovra, ProbeReseau});
    } else {
        suit({PortLaisseAKovra, NomStable, PeripheriquePresent, VerrouAutreProgramme,
              AccesUtilisateur, Ouverture});
    }
}

} // namespace kovra
