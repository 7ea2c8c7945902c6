// The terminal link over a pseudo-terminal, and over the network to a device server of the
// benchmark's own (raw TCP, and Telnet with the COM-PORT-OPTION), in the same run so that
// the ratios to the pseudo-terminal compare:
// - a PT630 transfer of 10 MB pushed at full speed: the time until the whole transfer is
//   handed to processing, a check that it arrived whole, and the process's memory growth
//   while it arrives (the transfer goes to a spool file, not to memory) and at its peak
//   once it is read back for processing;
// - an Optimus acquisition of a few hundred records, each one answered by the terminal
//   only once its ACK is back: the cost per record, with each record synced to disk
//   before its ACK as the program does, and without the sync, for comparison; the share
//   of the time spent syncing. The spool files go to the temporary folder ($TMPDIR):
//   the figures say what its file system costs.
// The network figures measure Kovra's side (the socket, the Telnet decoding): the server is
// a thread writing the terminal's bytes straight into the connection.

#include "base/MinuterieQt.h"
#include "link/Acquisition.h"
#include "link/AiguillagePort.h"
#include "link/MSComm.h"
#include "link/Reception.h"
#include "storage/DossierDonnees.h"
#include "storage/Environnement.h"
#include "storage/Registre.h"

#include "MesureMemoire.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fstream>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/vfs.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "dialogues/DialoguesScriptes.h"

using namespace kovra;
using kovra::bench::Memoire;
using kovra::bench::RemetPicAZero;

namespace {

// How the port reaches the terminal.
enum Voie : int64_t { kPseudoTerminal, kTcpBrut, kRfc2217 };

const char* NomVoie(int64_t voie) {
    return voie == kTcpBrut ? "raw TCP" : voie == kRfc2217 ? "RFC 2217" : "pseudo-terminal";
}

// Reads the Telnet negotiation of a client until it has asked for the five line settings,
// then confirms each with the value asked, as a device server does.
bool ConfirmeReglages(int fd) {
    const QByteArray debut = "\xFF\xFA\x2C";
    const QByteArray fin = "\xFF\xF0";
    const QByteArray accepte = "\xFF\xFD\x2C";
    if (write(fd, accepte.constData(), 3) != 3) {
        return false;
    }
    QByteArray lu;
    char tampon[256];
    while (lu.count(debut) < 5 || !lu.endsWith(fin)) {
        const ssize_t n = read(fd, tampon, sizeof tampon);
        if (n <= 0) {
            return false;
        }
        lu.append(tampon, n);
    }
    QByteArray reponses;
    for (qsizetype i = lu.indexOf(debut); i >= 0; i = lu.indexOf(debut, i + 1)) {
        QByteArray sous = lu.mid(i, lu.indexOf(fin, i) + 2 - i);
        sous[3] = static_cast<char>(sous[3] + 100);
        reponses += sous;
    }
    return write(fd, reponses.constData(), static_cast<size_t>(reponses.size())) == reponses.size();
}

// A data folder, a private registry and the port open on the terminal's line: a
// pseudo-terminal whose other end plays the terminal, or a connection to a listening
// socket of the benchmark's own, whose accepted end (Terminal()) plays it.
struct Banc {
    explicit Banc(int64_t voie = kPseudoTerminal) : voie_(voie) {
        port.Settings = "115200,N,8,1";
        if (voie == kPseudoTerminal) {
            char nom[256] = {};
            openpty(&maitre, &esclave, nom, nullptr, nullptr);
            termios t{};
            tcgetattr(esclave, &t);
            cfmakeraw(&t);
            tcsetattr(esclave, TCSANOW, &t);
            port.Peripherique = QString::fromLocal8Bit(nom);
        } else {
            ecoute_ = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t taille = sizeof a;
            bind(ecoute_, reinterpret_cast<sockaddr*>(&a), taille);
            listen(ecoute_, 1);
            getsockname(ecoute_, reinterpret_cast<sockaddr*>(&a), &taille);
            port.Peripherique = QStringLiteral("%1://127.0.0.1:%2")
                                    .arg(voie == kRfc2217 ? "rfc2217" : "tcp")
                                    .arg(ntohs(a.sin_port));
        }
        port.SetPortOpen(true);
    }
    ~Banc() { Ferme(); }
    // The terminal's end of the line, once the port is there (from the terminal's thread).
    int Terminal() {
        if (voie_ == kPseudoTerminal) {
            return maitre;
        }
        maitre = accept(ecoute_, nullptr, nullptr);
        if (voie_ == kRfc2217 && !ConfirmeReglages(maitre)) {
            return -1;
        }
        return maitre;
    }
    // The port closed and the line gone: a terminal still waiting gives up.
    void Ferme() {
        port.SetPortOpen(false);
        for (int* fd : {&maitre, &esclave, &ecoute_}) {
            if (*fd >= 0) {
                shutdown(*fd, SHUT_RDWR);
                close(*fd);
                *fd = -1;
            }
        }
    }
    Banc(const Banc&) = delete;
    Banc& operator=(const Banc&) = delete;

    QTemporaryDir dossier;
    DialoguesScriptes dialogues;
    Registre registre{dossier.filePath("registre")};
    const Environnement env{dossier.path(), registre, dialogues};
    int maitre = -1;
    int esclave = -1;
    MSComm port;

private:
    int64_t voie_;
    int ecoute_ = -1;
};

// Real timers, noting the memory when the transfer is over and about to be read back.
struct MinuterieMesuree : Minuterie {
    MinuterieQt qt;
    long long picCollecte = -1;
    void Apres(int ms, std::function<void()> suite) override {
        if (ms == 1000 && picCollecte < 0) {
            picCollecte = Memoire("VmHWM:");
        }
        qt.Apres(ms == 1000 ? 0 : ms, std::move(suite)); // no need to wait the second here
    }
};

void BM_TransfertPt630(benchmark::State& state) {
    const qsizetype taille = state.range(0);
    QByteArray donnees;
    donnees.reserve(taille);
    for (qsizetype i = 0; donnees.size() < taille; ++i) {
        donnees += "A" + QByteArray::number(1000000 + i % 900000) + "\r\n" +
                   QByteArray::number(i % 97) + ".50\r\n";
    }
    donnees.truncate(taille);

    for (auto _ : state) {
        Banc banc(state.range(1));
        const Environnement& env = banc.env;
        MSComm& port = banc.port;
        EtatLiaison etat;
        etat.TypeTerminal = GenreTerminal::PT630;
        MinuterieMesuree minuterie;
        ProgressionMuette progression;
        qsizetype recus = -1;
        bool entier = false;
        Reception reception(port, etat, env, minuterie, progression,
                            [&](const QString& trame, const QString&) {
                                recus = trame.size();
                                entier = trame.toLatin1() == donnees;
                            });
        AiguillagePort aiguillage(port, etat, &reception, nullptr, nullptr);

        const long long avant = Memoire("VmRSS:");
        RemetPicAZero();
        QElapsedTimer chrono;
        chrono.start();
        std::thread terminal([&] {
            const int maitre = banc.Terminal();
            qsizetype envoye = 0;
            while (maitre >= 0 && envoye < donnees.size()) {
                const ssize_t n =
                    write(maitre, donnees.constData() + envoye,
                          static_cast<size_t>(std::min<qsizetype>(65536, donnees.size() - envoye)));
                if (n > 0) {
                    envoye += n;
                }
            }
        });
        while (recus < 0 && chrono.elapsed() < 120000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        // The 500 ms of silence that end a transfer are part of the protocol, not of the
        // work: they are left out of the time.
        state.SetIterationTime(chrono.elapsed() / 1000.0 - 0.5);
        terminal.join();
        const long long pic = Memoire("VmHWM:");
        state.counters["MB_per_s"] =
            static_cast<double>(taille) / 1e6 / std::max(0.001, chrono.elapsed() / 1000.0 - 0.5);
        state.counters["growth_while_receiving_x"] =
            static_cast<double>(minuterie.picCollecte - avant) / static_cast<double>(taille);
        state.counters["peak_after_read_back_x"] =
            static_cast<double>(pic - avant) / static_cast<double>(taille);
        state.SetLabel(NomVoie(state.range(1)));
        if (!entier) {
            state.SkipWithError("the transfer did not arrive whole");
        }
    }
}

// The name of the file system a folder is on, for the benchmark's label.
std::string SystemeFichiers(const QString& dossier) {
    struct statfs s {};
    if (statfs(QFile::encodeName(dossier).constData(), &s) != 0) {
        return "?";
    }
    switch (static_cast<unsigned long>(s.f_type)) {
    case 0xEF53:
        return "ext4";
    case 0x58465342:
        return "xfs";
    case 0x9123683E:
        return "btrfs";
    case 0x01021994:
        return "tmpfs";
    case 0x794C7630:
        return "overlay";
    default:
        return "fs 0x" + QByteArray::number(static_cast<qulonglong>(s.f_type), 16).toStdString();
    }
}

// Reads from the line up to and including `fin`; false when the line closes.
bool LitJusqua(int fd, const QByteArray& fin) {
    QByteArray lu;
    char c = 0;
    while (!lu.endsWith(fin)) {
        if (read(fd, &c, 1) != 1) {
            return false;
        }
        lu += c;
    }
    return true;
}

void BM_AcquisitionOptimus(benchmark::State& state) {
    const int enregistrements = static_cast<int>(state.range(0));
    const bool synchro = state.range(1) != 0;
    for (auto _ : state) {
        Banc banc(state.range(2));
        const Environnement& env = banc.env;
        MSComm& port = banc.port;
        EtatLiaison etat;
        etat.TypeTerminal = GenreTerminal::Optimus;
        QEventLoop boucle;
        int recus = -1;
        MinuterieQt minuterie;
        Acquisition acquisition(port, etat, env, minuterie,
                                [&](const QString& trame, const QString& fichier) {
                                    recus = static_cast<int>(trame.count(u'\n'));
                                    QFile::remove(fichier);
                                    boucle.quit();
                                });
        qint64 nsSynchro = 0;
        acquisition.synchronise = [&](QFile& f) {
            QElapsedTimer c;
            c.start();
            const bool ok = synchro ? plateforme::SynchroniseFichier(f) : f.flush();
            nsSynchro += c.nsecsElapsed();
            return ok;
        };
        QObject::connect(&port, &MSComm::OnComm, [&] { acquisition.SurEvenement(); });

        // The terminal sends each record once the previous one is acknowledged.
        std::thread terminal([&] {
            const int maitre = banc.Terminal();
            if (maitre < 0 || !LitJusqua(maitre, "READ\r")) {
                return;
            }
            for (int i = 0; i < enregistrements; ++i) {
                const QByteArray ligne =
                    QByteArray("A" + QByteArray::number(1000000 + i)).leftJustified(20, ' ') + '|' +
                    QByteArray::number(i % 97).leftJustified(6, ' ') + "X\r";
                if (write(maitre, ligne.constData(), static_cast<size_t>(ligne.size())) !=
                        ligne.size() ||
                    !LitJusqua(maitre, "ACK\r")) {
                    return;
                }
            }
            const QByteArray fin = "OVER\r";
            [[maybe_unused]] const ssize_t n =
                write(maitre, fin.constData(), static_cast<size_t>(fin.size()));
        });

        QElapsedTimer chrono;
        chrono.start();
        QTimer::singleShot(600000, &boucle, &QEventLoop::quit);
        // A network link is made on the event loop first.
        while (!port.PortOpen() && chrono.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        chrono.restart();
        if (acquisition.Demarre()) {
            boucle.exec();
        }
        const double secondes = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
        state.SetIterationTime(secondes);
        banc.Ferme();
        terminal.join();
        state.counters["us_per_record"] = secondes * 1e6 / enregistrements;
        state.counters["sync_share"] = static_cast<double>(nsSynchro) / 1e9 / secondes;
        state.SetLabel(std::string(NomVoie(state.range(2))) + ", " +
                       SystemeFichiers(banc.dossier.path()) +
                       (synchro ? ", synced" : ", not synced"));
        if (recus != enregistrements) {
            state.SkipWithError("not every record was acquired");
        }
    }
}

} // namespace

BENCHMARK(BM_AcquisitionOptimus)
    ->ArgNames({"records", "sync", "link"})
    ->Args({500, 1, kPseudoTerminal})
    ->Args({500, 0, kPseudoTerminal})
    ->Args({1000, 1, kTcpBrut})
    ->Args({1000, 1, kRfc2217})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_TransfertPt630)
    ->ArgNames({"bytes", "link"})
    ->Args({10 * 1000 * 1000, kPseudoTerminal})
    ->Args({10 * 1000 * 1000, kTcpBrut})
    ->Args({10 * 1000 * 1000, kRfc2217})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
