// Typing speed into a real Qt text field: 100 000 characters (letters, digits, punctuation
// and accented characters) typed through the X11 keyboard, on a US and on a French
// layout. Reports the characters received per second and checks that every character
// arrived, in order. Needs an X server: run it under xvfb-run.

#include "keyboard/EnvoiTouches.h"
#include "keyboard/x11/ClavierX11.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <atomic>
#include <benchmark/benchmark.h>
#include <thread>

using namespace kovra;

namespace {

constexpr int kCaracteres = 100000;
constexpr int kParLigne = 60;

// The text, and the key string that types it (the key syntax's own signs in braces, a
// line break every 60 characters).
struct Texte {
    QString attendu;
    std::u32string touches;
};

Texte Prepare() {
    const std::u32string alphabet =
        U"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:!?-_/*'\"@#&=<>"
        U"+^%~(){}[]éèàçùâêîôûëïüÉÀÇ€";
    Texte t;
    std::uint32_t graine = 12345;
    for (int i = 0; i < kCaracteres; ++i) {
        if (i % kParLigne == kParLigne - 1) {
            t.attendu += u'\n';
            t.touches += U"{ENTER}";
            continue;
        }
        graine = graine * 1103515245u + 12345u;
        const char32_t c = alphabet[(graine >> 16) % alphabet.size()];
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

void Frappe(benchmark::State& state, const char* disposition) {
    QProcess::execute("setxkbmap", {disposition});
    QPlainTextEdit champ;
    champ.resize(800, 600);
    champ.show();
    champ.activateWindow();
    if (!QTest::qWaitForWindowActive(&champ, 5000)) {
        state.SkipWithError("the text field did not get the focus");
        return;
    }
    const Texte texte = Prepare();
    std::atomic<qsizetype> recus{0};
    QObject::connect(&champ, &QPlainTextEdit::textChanged,
                     [&] { recus = champ.document()->characterCount() - 1; });

    double secondes = 0;
    for (auto _ : state) {
        champ.clear();
        QElapsedTimer chrono;
        chrono.start();
        std::thread frappe([&] {
            ClavierX11 clavier;
            // Spare keys are put back only once the field has read everything typed.
            clavier.DefinitAttente([&](int) {
                while (recus < texte.attendu.size()) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            });
            EnvoiTouches(texte.touches, 0, clavier);
            clavier.Synchronise();
        });
        QElapsedTimer limite;
        limite.start();
        while (recus < texte.attendu.size() && limite.elapsed() < 600000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        secondes = chrono.elapsed() / 1000.0;
        frappe.join();
        state.SetIterationTime(secondes);
    }
    const QString recu = champ.toPlainText();
    qsizetype identiques = 0;
    while (identiques < std::min(recu.size(), texte.attendu.size()) &&
           recu[identiques] == texte.attendu[identiques]) {
        ++identiques;
    }
    state.counters["chars_per_s"] = static_cast<double>(texte.attendu.size()) / secondes;
    state.counters["lost_or_wrong"] = static_cast<double>(texte.attendu.size() - identiques);
    if (recu != texte.attendu) {
        state.SkipWithError(("text differs from character " + std::to_string(identiques)).c_str());
    }
}

void BM_FrappeUs(benchmark::State& state) {
    Frappe(state, "us");
}

void BM_FrappeFr(benchmark::State& state) {
    Frappe(state, "fr");
}

} // namespace

BENCHMARK(BM_FrappeUs)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_FrappeFr)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QProcess::execute("setxkbmap", {"us"});
    return 0;
}
