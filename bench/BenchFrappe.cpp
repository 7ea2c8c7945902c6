// Typing speed into a real Qt text field on the US, French, German and Swiss layouts, the
// way Kovra types: a plan played by the player on the GUI thread, in batches between the
// other work of the event loop. The field is another program, as the application Kovra
// types into always is (this benchmark started again with --champ). Three texts:
// - plain: 100 000 characters of ASCII letters, digits and punctuation, a line break every
//   60 characters;
// - french: 100 000 characters of French with accented letters in both cases, œ, æ, quotes,
//   the euro sign and the ellipsis, many of which the layout lacks (typed on spare keys);
// - codes: 20 000 characters of barcode records (13 random digits, Tab, a quantity of 1 to
//   3 digits, Enter), where one digit in ten is the same as the one before: a key pressed
//   again right after its release waits until the server stamps a later time, and this
//   text shows what that costs.
// Reports the characters the field received per second, the longest stall of the typing
// program's event loop (the longest gap between two ticks of a 10 ms timer while typing:
// how long a tray menu would wait), the time spent in the keyboard per character (the
// typist's own share) and its longest batch, the rate of the French text as a ratio of the
// plain one on the same layout, and the characters lost or wrong. Needs an X server: run
// it as `xvfb-run -a build/bin/bench_frappe`.

#include "base/MinuterieQt.h"
#include "keyboard/LecteurFrappe.h"
#include "keyboard/PlanFrappe.h"
#include "keyboard/x11/ClavierX11.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <type_traits>

using namespace kovra;

namespace {

constexpr int kCaracteres = 100000;
constexpr int kCaracteresCodes = 20000;
constexpr int kParLigne = 60;

enum class Genre { Simple, Francais, Codes };

// The text, and the key string that types it (the key syntax's own signs in braces, a
// line break every 60 characters).
struct Texte {
    QString attendu;
    std::u32string touches;
};

Texte Codes() {
    Texte t;
    std::uint32_t graine = 4321;
    const auto chiffre = [&] {
        graine = graine * 1103515245u + 12345u;
        return static_cast<char32_t>(U'0' + (graine >> 16) % 10);
    };
    while (t.attendu.size() < kCaracteresCodes) {
        for (int i = 0; i < 13; ++i) {
            const char32_t c = chiffre();
            t.attendu += QChar(c);
            t.touches += c;
        }
        t.attendu += u'\t';
        t.touches += U"{TAB}";
        for (std::uint32_t i = 0; i <= (graine >> 20) % 3; ++i) {
            const char32_t c = chiffre();
            t.attendu += QChar(c);
            t.touches += c;
        }
        t.attendu += u'\n';
        t.touches += U"{ENTER}";
    }
    return t;
}

Texte Prepare(Genre genre) {
    if (genre == Genre::Codes) {
        return Codes();
    }
    const std::u32string simple =
        U"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:!?-_/*'\"@#&=<>"
        U"+^%~(){}[]";
    const std::u32string francais =
        U"À l’été, Élodie reçut « un cœur » et une Œuvre à 15 € ; ÇA ÉTAIT DÉJÀ L’ÎLE. "
        U"Noël, où êtes-vous ? Ô naïf garçon, Ève côtoie Ève… Ægir, æther, Ÿvette, "
        U"ÂME, ÊTRE, ÔTER, ÛRE, ÈRE, ÙN, ËÏÜ, âmes bûches île ôté ùn ëïüÿ ! ";
    Texte t;
    std::uint32_t graine = 12345;
    for (int i = 0; i < kCaracteres; ++i) {
        if (i % kParLigne == kParLigne - 1) {
            t.attendu += u'\n';
            t.touches += U"{ENTER}";
            continue;
        }
        graine = graine * 1103515245u + 12345u;
        const char32_t c = genre == Genre::Simple
                               ? simple[(graine >> 16) % simple.size()]
                               : francais[static_cast<std::size_t>(i) % francais.size()];
        t.attendu += QString::fromUcs4(&c, 1);
        if (std::u32string_view(U"+^%~(){}").find(c) != std::u32string_view::npos) {
            t.touches += U'{';
            t.touches += c;
            t.touches += U'}';
        } else {
            t.touches += c;
        }
    }
    return t;
}

// A keyboard that counts the time spent in another: the typist's own share of the work
// (looking characters up, binding spare keys, handing events to the server), whatever the
// receiving field costs.
class ClavierChronometre : public ClavierVirtuel {
public:
    explicit ClavierChronometre(ClavierVirtuel& clavier) : c_(clavier) {}

    bool Enfonce(const Touche& t) override {
        return Compte([&] { return c_.Enfonce(t); });
    }
    void Relache(const Touche& t) override {
        Compte([&] { c_.Relache(t); });
    }
    bool VerrouActif(Verrou v) const override { return c_.VerrouActif(v); }
    bool CodesAlt() const override { return c_.CodesAlt(); }
    void DebutFrappe(std::u32string_view caracteres) override {
        Compte([&] { c_.DebutFrappe(caracteres); });
    }
    int DelaiAvant(const Touche& t) override {
        return Compte([&] { return c_.DelaiAvant(t); });
    }
    void Envoie() override {
        Compte([&] { c_.Envoie(); });
        trancheMax = std::max(trancheMax, tranche);
        tranche = {};
    }
    int DelaiRestauration() const override { return c_.DelaiRestauration(); }
    void Restaure() override { c_.Restaure(); }

    std::chrono::nanoseconds temps{0};
    // The longest batch: the time spent in the keyboard between two hand-overs to the
    // system, which is what typing itself holds the event loop for.
    std::chrono::nanoseconds tranche{0};
    std::chrono::nanoseconds trancheMax{0};

private:
    template <class Appel> std::invoke_result_t<Appel> Compte(Appel appel) {
        const auto debut = std::chrono::steady_clock::now();
        struct Fin {
            ClavierChronometre& c;
            std::chrono::steady_clock::time_point debut;
            ~Fin() {
                const auto duree = std::chrono::steady_clock::now() - debut;
                c.temps += duree;
                c.tranche += duree;
            }
        } fin{*this, debut};
        return appel();
    }

    ClavierVirtuel& c_;
};

// Rates of the plain text by layout, for the ratio of the French one.
using Vitesses = std::map<std::string, double>;

// The receiving program: a text field with the focus. It says "pret" once it has it, then
// "recu" once `attendus` characters are in, and writes them to `fichier` in UTF-8.
int Champ(qsizetype attendus, const QString& fichier) {
    QPlainTextEdit champ;
    champ.resize(800, 600);
    champ.show();
    champ.activateWindow();
    QTextStream sortie(stdout);
    if (!QTest::qWaitForWindowActive(&champ, 5000)) {
        return 1;
    }
    sortie << "pret" << Qt::endl;
    QObject::connect(&champ, &QPlainTextEdit::textChanged, [&] {
        if (champ.document()->characterCount() - 1 >= attendus) {
            QFile f(fichier);
            if (f.open(QIODevice::WriteOnly)) {
                f.write(champ.toPlainText().toUtf8());
            }
            f.close();
            sortie << "recu" << Qt::endl;
            QCoreApplication::quit();
        }
    });
    return QCoreApplication::exec();
}

// Waits for a line of the field program, without taking a processor from it; false when
// it ends or the time is up.
bool AttendLigne(QProcess& champ, const QByteArray& ligne, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        while (champ.canReadLine()) {
            if (champ.readLine().trimmed() == ligne) {
                return true;
            }
        }
        if (champ.state() == QProcess::NotRunning) {
            return false;
        }
        champ.waitForReadyRead(100);
    }
    return false;
}

void Frappe(benchmark::State& state, const char* disposition, Genre genre, Vitesses& simples) {
    // A layout loaded afresh: no spare key bound by an earlier run.
    QProcess::execute("setxkbmap", {disposition});
    const Texte texte = Prepare(genre);
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath("recu.txt");
    QProcess champ;
    QProcessEnvironment envChamp = QProcessEnvironment::systemEnvironment();
    envChamp.insert("QT_QPA_PLATFORM", "xcb");
    champ.setProcessEnvironment(envChamp);
    champ.start(QCoreApplication::applicationFilePath(),
                {"--champ", QString::number(texte.attendu.size()), fichier});
    if (!AttendLigne(champ, "pret", 10000)) {
        state.SkipWithError("the text field did not get the focus");
        return;
    }

    double secondes = 0;
    qint64 arretMax = 0;
    double typiste = 0;
    double trancheMax = 0;
    for (auto _ : state) {
        ClavierX11 x11;
        ClavierChronometre clavier(x11);
        MinuterieQt minuterie;
        LecteurFrappe lecteur(clavier, minuterie);

        // The event loop's pulse: the longest gap between two ticks while typing.
        QElapsedTimer pouls;
        QTimer tic;
        tic.setTimerType(Qt::PreciseTimer);
        tic.setInterval(10);
        QObject::connect(&tic, &QTimer::timeout,
                         [&] { arretMax = std::max(arretMax, pouls.restart()); });

        QElapsedTimer chrono;
        chrono.start();
        pouls.start();
        tic.start();
        QEventLoop boucle;
        if (!lecteur.Joue(PlanifieTouches(texte.touches, 0, clavier), [&](BilanFrappe) {
                tic.stop();
                boucle.quit();
            })) {
            state.SkipWithError("the player refused the text");
            return;
        }
        boucle.exec();
        // Until the field has every character.
        const bool recu = AttendLigne(champ, "recu", 120000);
        secondes = chrono.elapsed() / 1000.0;
        typiste = std::chrono::duration<double, std::micro>(clavier.temps).count();
        trancheMax = std::chrono::duration<double, std::milli>(clavier.trancheMax).count();
        state.SetIterationTime(secondes);
        if (!recu) {
            champ.kill();
        }
    }
    champ.waitForFinished(5000);
    QFile f(fichier);
    const QString recu = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    qsizetype identiques = 0;
    while (identiques < std::min(recu.size(), texte.attendu.size()) &&
           recu[identiques] == texte.attendu[identiques]) {
        ++identiques;
    }
    const double vitesse = static_cast<double>(texte.attendu.size()) / secondes;
    state.counters["chars_per_s"] = vitesse;
    state.counters["max_stall_ms"] = static_cast<double>(arretMax);
    state.counters["typist_us_per_char"] = typiste / static_cast<double>(texte.attendu.size());
    state.counters["longest_batch_ms"] = trancheMax;
    state.counters["lost_or_wrong"] =
        static_cast<double>(std::max(recu.size(), texte.attendu.size()) - identiques);
    if (genre == Genre::Simple) {
        simples[disposition] = vitesse;
    } else if (const auto s = simples.find(disposition); s != simples.end()) {
        state.counters["ratio_to_plain"] = vitesse / s->second;
    }
    if (recu != texte.attendu) {
        state.SkipWithError(("text differs from character " + std::to_string(identiques)).c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--champ") {
        return Champ(QByteArray(argv[2]).toLongLong(), QString::fromLocal8Bit(argv[3]));
    }
    Vitesses simples;
    for (const char* disposition : {"us", "fr", "de", "ch"}) {
        for (const Genre genre : {Genre::Simple, Genre::Francais, Genre::Codes}) {
            const std::string nom = std::string("BM_Frappe/") + disposition +
                                    (genre == Genre::Simple     ? "/plain"
                                     : genre == Genre::Francais ? "/french"
                                                                : "/codes");
            benchmark::RegisterBenchmark(nom.c_str(),
                                         [disposition, genre, &simples](benchmark::State& s) {
                                             Frappe(s, disposition, genre, simples);
                                         })
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kSecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QProcess::execute("setxkbmap", {"us"});
    return 0;
}
