// A PT630 transfer of 10 MB pushed at full speed over a pseudo-terminal: the time until
// the whole transfer is handed to processing, a check that it arrived whole, and the
// process's memory growth while it arrives (the transfer goes to a spool file, not to
// memory) and at its peak once it is read back for processing.

#include "base/Environnement.h"
#include "base/MinuterieQt.h"
#include "link/AiguillagePort.h"
#include "link/MSComm.h"
#include "link/Reception.h"
#include "storage/DossierDonnees.h"
#include "storage/Registre.h"

#include "MesureMemoire.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fstream>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "dialogues/DialoguesScriptes.h"

using namespace kovra;
using kovra::bench::Memoire;
using kovra::bench::RemetPicAZero;

namespace {

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
        QTemporaryDir dossier;
        DialoguesScriptes dialogues;
        Registre registre(dossier.filePath("registre"));
        const Environnement env{dossier.path(), registre, dialogues};
        int maitre = -1;
        int esclave = -1;
        char nom[256] = {};
        openpty(&maitre, &esclave, nom, nullptr, nullptr);
        termios t{};
        tcgetattr(esclave, &t);
        cfmakeraw(&t);
        tcsetattr(esclave, TCSANOW, &t);

        MSComm port;
        port.Peripherique = QString::fromLocal8Bit(nom);
        port.Settings = "115200,N,8,1";
        port.SetPortOpen(true);
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
        close(maitre);
        close(esclave);
    }
}

} // namespace

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
