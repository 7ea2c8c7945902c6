// The terminal link over a pseudo-terminal:
// - a PT630 transfer of 10 MB pushed at full speed: the time until the whole transfer is
//   handed to processing, a check that it arrived whole, and the process's memory growth
//   while it arrives (the transfer goes to a spool file, not to memory) and at its peak
//   once it is read back for processing;
// - an Optimus acquisition of a few hundred records, each one answered by the terminal
//   only once its ACK is back: the cost per record, with each record synced to disk
//   before its ACK as the program does, and without the sync, for comparison; the share
//   of the time spent syncing. The spool files go to the temporary folder ($TMPDIR):
//   the figures say what its file system costs.

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

#include <benchmark/benchmark.h>
#include <fstream>
#include <pty.h>
#include <sys/vfs.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "dialogues/DialoguesScriptes.h"

using namespace kovra;
using kovra::bench::Memoire;
using kovra::bench::RemetPicAZero;

namespace {

// A data folder, a private registry and the port open on a pseudo-terminal whose other
// end, `maitre`, plays the terminal.
struct Banc {
    Banc() {
        char nom[256] = {};
        openpty(&maitre, &esclave, nom, nullptr, nullptr);
        termios t{};
        tcgetattr(esclave, &t);
        cfmakeraw(&t);
        tcsetattr(esclave, TCSANOW, &t);
        port.Peripherique = QString::fromLocal8Bit(nom);
        port.Settings = "115200,N,8,1";
        port.SetPortOpen(true);
    }
    ~Banc() { Ferme(); }
    // The port closed and the line gone: a terminal still waiting gives up.
    void Ferme() {
        port.SetPortOpen(false);
        for (int* fd : {&maitre, &esclave}) {
            if (*fd >= 0) {
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
        Banc banc;
        const Environnement& env = banc.env;
        MSComm& port = banc.port;
        const int maitre = banc.maitre;
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
            qsizetype envoye = 0;
            while (envoye < donnees.size()) {
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
        Banc banc;
        const Environnement& env = banc.env;
        MSComm& port = banc.port;
        const int maitre = banc.maitre;
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
            if (!LitJusqua(maitre, "READ\r")) {
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
        if (acquisition.Demarre()) {
            boucle.exec();
        }
        const double secondes = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
        state.SetIterationTime(secondes);
        banc.Ferme();
        terminal.join();
        state.counters["us_per_record"] = secondes * 1e6 / enregistrements;
        state.counters["sync_share"] = static_cast<double>(nsSynchro) / 1e9 / secondes;
        state.SetLabel(SystemeFichiers(banc.dossier.path()) +
                       (synchro ? ", synced" : ", not synced"));
        if (recus != enregistrements) {
            state.SkipWithError("not every record was acquired");
        }
    }
}

} // namespace

BENCHMARK(BM_AcquisitionOptimus)
    ->ArgNames({"records", "sync"})
    ->Args({500, 1})
    ->Args({500, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_TransfertPt630)
    ->Arg(10 * 1000 * 1000)
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
