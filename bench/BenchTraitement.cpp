// Frame processing on frames of 1 000 to 1 000 000 fields through a four-action scenario
// (&CODE, {TAB}, &QTY, {ENTER}, loop 1), whole frames and partial frames. Reports the
// time per field (flat across sizes when nothing grows quadratically) and the peak memory
// that processing one frame takes, as a multiple of the frame's size in bytes.
//
// The allocator is told to keep freed memory, so that the timed loop measures the work
// rather than the kernel handing the same pages back each time; the memory figure is
// taken in a child process that processes the frame once from a clean start.

#include "base/Windows1252.h"
#include "processing/TableTouches.h"
#include "processing/TraiteDonnees.h"
#include "processing/VidageDonnees.h"
#include "storage/ScenarioActif.h"

#include "MesureMemoire.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace kovra;
using kovra::bench::Memoire;
using kovra::bench::RemetPicAZero;

namespace {

// Peak memory growth while `travail` runs once, measured in a child process.
template <typename Travail> double PicDe(const Travail& travail) {
    int tube[2];
    if (pipe(tube) != 0) {
        return -1;
    }
    const pid_t enfant = fork();
    if (enfant == 0) {
        close(tube[0]);
        malloc_trim(0);
        const long long avant = Memoire("VmRSS:");
        RemetPicAZero();
        travail();
        const long long pic = Memoire("VmHWM:") - avant;
        (void)!write(tube[1], &pic, sizeof pic);
        _exit(0);
    }
    close(tube[1]);
    long long pic = -1;
    (void)!read(tube[0], &pic, sizeof pic);
    close(tube[0]);
    waitpid(enfant, nullptr, 0);
    return static_cast<double>(pic);
}

// A terminal's transfer: code and quantity fields, one record after the other.
QByteArray Trame(int champs) {
    QByteArray t;
    t.reserve(static_cast<qsizetype>(champs) * 10);
    for (int i = 0; i < champs; ++i) {
        t += (i % 2 == 0) ? "A" + QByteArray::number(1000000 + i)
                          : QByteArray::number(i % 97) + ".50";
        t += "\r\n";
    }
    return t;
}

void Traitement(benchmark::State& state, bool partiel) {
    const int champs = static_cast<int>(state.range(0));
    const QByteArray octets = Trame(champs);
    EtatScenario scenario;
    scenario.ListeActions = {"", "&CODE", "{TAB}", "&QTY", "{ENTER}"};
    PositionsScenario positions{"1", "0", "0"};
    if (partiel) {
        // Records of 3 fields of which the 3rd and the 1st are kept.
        scenario.ChoixPartiel = 1;
        scenario.PlacesTrame = {{}, {1, 3}, {2, 1}};
        positions.Nbr = "3";
    }
    const TableTouches touches;
    ProgressionMuette progression;
    const ContexteTraitement ctx{
        positions, ",", touches, [] { return QString("1"); }, QDate(2026, 3, 5), progression};

    const auto traite = [&] {
        EtatTraitement etat;
        QString trame = DecodeWindows1252(octets);
        VidageDonnees(trame, etat, progression);
        return TraiteDonnees(trame, etat, scenario, ctx);
    };
    qsizetype taille = 0;
    for (auto _ : state) {
        const QString sortie = traite();
        taille = sortie.size();
        benchmark::DoNotOptimize(sortie.data());
    }
    state.counters["per_field"] = benchmark::Counter(
        champs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["peak_x_frame"] = PicDe([&] { benchmark::DoNotOptimize(traite().data()); }) /
                                     static_cast<double>(octets.size());
    state.counters["frame_MB"] = static_cast<double>(octets.size()) / 1e6;
    state.counters["output_chars"] = static_cast<double>(taille);
}

void BM_TrameEntiere(benchmark::State& state) {
    Traitement(state, false);
}

void BM_TramePartielle(benchmark::State& state) {
    Traitement(state, true);
}

} // namespace

BENCHMARK(BM_TrameEntiere)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TramePartielle)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Keep freed memory in the process (see above).
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
