// Tallyra's preparation pass: every line of an inventory file read and its code looked up
// in an article table of 50 000 articles (codes and barcodes, looked up in lower case half
// of the time, one line in ten unknown), for files of 1 000 to 1 000 000 lines. The import
// stops right after the preparation (no management application is there to post to), so
// the time measured is the preparation's: reading the table, reading the file, the
// lookups, and the list of missing articles written to Err_Inventaire.txt. Reports the
// cost per line, which must not grow with the file, the whole time for the file, and the
// process's peak memory during the import.

#include "MesureMemoire.h"
#include "base/ErreurKovra.h"
#include "inventory/ImportInventaire.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace kovra;
using namespace kovra::tallyra;

namespace {

constexpr int kArticles = 50000;

QString CodeArticle(int i) {
    return QStringLiteral("ART%1").arg(i, 6, 10, QLatin1Char('0'));
}
QString CodeBarre(int i) {
    return QStringLiteral("376%1").arg(i, 10, 10, QLatin1Char('0'));
}

void CreeBase(const QString& chemin) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench");
        db.setDatabaseName(chemin);
        db.open();
        QSqlQuery q(db);
        q.exec("CREATE TABLE Article (Code TEXT, CodeBarre TEXT)");
        db.transaction();
        q.prepare("INSERT INTO Article VALUES (?, ?)");
        for (int i = 0; i < kArticles; ++i) {
            q.bindValue(0, CodeArticle(i));
            q.bindValue(1, CodeBarre(i));
            q.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase("bench");
}

void CreeInventaire(const QString& chemin, int lignes) {
    QFile f(chemin);
    f.open(QIODevice::WriteOnly);
    std::uint32_t graine = 777;
    QByteArray tampon;
    for (int l = 0; l < lignes; ++l) {
        graine = graine * 1103515245u + 12345u;
        const int i = static_cast<int>((graine >> 8) % kArticles);
        QString code = l % 10 == 9  ? QStringLiteral("INCONNU%1").arg(l)
                       : l % 2 == 0 ? CodeBarre(i)
                                    : CodeArticle(i);
        if (l % 4 == 1) {
            code = code.toLower();
        }
        tampon += code.toLatin1() + ';' + QByteArray::number(l % 50 + 1) + ";\r\n";
        if (tampon.size() > (1 << 20)) {
            f.write(tampon);
            tampon.clear();
        }
    }
    f.write(tampon);
}

class SuiviMuet : public SuiviImport {
public:
    void Etat(const QString&) override {}
    void Progression(int) override {}
    void Message(const QString&, Icone) override {}
    void Bip() override {}
};

void Preparation(benchmark::State& state) {
    const int lignes = static_cast<int>(state.range(0));
    QTemporaryDir dossier;
    const QString base = dossier.filePath("LedgC.db");
    const QString inventaire = dossier.filePath("inv.txt");
    CreeBase(base);
    CreeInventaire(inventaire, lignes);
    double secondes = 0;
    long long pic = 0;
    for (auto _ : state) {
        QFile::remove(dossier.filePath("Err_Inventaire.txt"));
        kovra::bench::RemetPicAZero();
        const long long avant = kovra::bench::Memoire("VmRSS:");
        ServeurTenu tenu;
        SuiviMuet suivi;
        const FabriqueServeur sansServeur = [](qint16) -> std::unique_ptr<ServeurLedgra> {
            throw kovra::ErreurKovra(QStringLiteral("pas de serveur"));
        };
        ImportInventaire import({"SOC", "D1", inventaire, base, 1, dossier.path()}, tenu,
                                sansServeur, suivi, QLocale(QLocale::French, QLocale::France));
        const auto debut = std::chrono::steady_clock::now();
        import.Execute();
        secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        state.SetIterationTime(secondes);
        pic = kovra::bench::Memoire("VmHWM:") - avant;
        if (import.Bilan().lignesAPoster == 0) {
            state.SkipWithError("nothing was found");
        }
    }
    state.counters["ns_per_line"] = secondes * 1e9 / lignes;
    state.counters["seconds"] = secondes;
    state.counters["peak_MB"] = static_cast<double>(pic) / 1e6;
}

} // namespace

BENCHMARK(Preparation)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
