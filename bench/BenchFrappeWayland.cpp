// Typing speed on each desktop Kovra types into, as Kovra types: the session's keyboard (the
// factory's choice), a plan played by the player on the event loop, into a window of another
// program. Desktops: X11 (the Xvfb this runs under, XTest) for comparison, then headless sway
// (virtual keyboard), KWin (fake input) and mutter (remote desktop), each with a native
// Wayland Qt window and a GTK 3 one (GTK sends the desktop the whole line around the cursor
// after each key, which the pace of long lines is for). Texts: 3 000 characters of barcode records
// with Tab and Enter, 2 000 characters of French in paragraphs (the characters of the fr layout on
// KWin and mutter, whose layout is set to fr; any on sway and X11), and the same French on one
// line.
//
// For each: the characters per second from the first key to the last, the longest stall of
// the typing program's event loop (the longest gap between two ticks of a 1 ms timer), the
// rate as a ratio of X11's in the same run, and whether the window got the text exactly.
// Each typing runs in a child process (this program with --tape), which takes the desktop's
// environment as a session would. Run it as `xvfb-run -a build/bin/bench_frappe_wayland`.
#include "base/MinuterieQt.h"
#include "keyboard/FabriqueClavier.h"
#include "keyboard/LecteurFrappe.h"
#include "keyboard/PlanFrappe.h"
#include "support/CompositeurSansTete.h"
#include "support/RecepteurWayland.h"
#include "wayland/TextesFrappe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>

using namespace kovra;
using kovra::test::Bureau;
using kovra::test::CompositeurSansTete;

namespace {

// The child: types the key string of a file with the session's keyboard, prints
// "CHARACTERS/S STALL_MS".
int Tape(const QString& fichier) {
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly)) {
        return 2;
    }
    const std::u32string touches = QString::fromUtf8(f.readAll()).toStdU32String();
    std::unique_ptr<ClavierVirtuel> clavier;
    try {
        clavier = CreeClavierSession();
    } catch (const std::exception&) {
        std::fprintf(stderr, "no keyboard\n");
        return 2;
    }
    MinuterieQt minuterie;
    QEventLoop boucle;
    // The window takes the focus once the desktop's seat has a keyboard (sway, mutter).
    QTimer::singleShot(1500, &boucle, &QEventLoop::quit);
    boucle.exec();

    PlanFrappe plan = PlanifieTouches(touches, 0, *clavier);
    const auto caracteres = static_cast<double>(CaracteresDuPlan(plan).size());
    LecteurFrappe lecteur(*clavier, minuterie);
    QElapsedTimer chrono, tic;
    qint64 arretMax = 0;
    QTimer horloge;
    horloge.setTimerType(Qt::PreciseTimer);
    QObject::connect(&horloge, &QTimer::timeout,
                     [&] { arretMax = std::max(arretMax, tic.restart()); });
    chrono.start();
    tic.start();
    horloge.start(1);
    if (!lecteur.Joue(std::move(plan), [&](BilanFrappe) { boucle.quit(); })) {
        return 2;
    }
    boucle.exec();
    const double secondes = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
    std::printf("%.0f %lld\n", caracteres / secondes, static_cast<long long>(arretMax));
    return 0;
}

// The same text on one line: a GTK window sends the desktop its whole line after each key,
// so keys go slower on a long line.
test::TexteFrappe SurUneLigne(test::TexteFrappe t) {
    t.touches.replace(QStringLiteral("{ENTER}"), QStringLiteral(" "));
    t.attendu.replace(u'\n', u' ');
    return t;
}

struct Mesure {
    double cps = 0;
    long long arret = 0;
    bool exact = false;
};

// Types a text into a window of the session `env` from a child process.
std::optional<Mesure> Mesure1(const QProcessEnvironment& env, const test::TexteFrappe& texte,
                              RecepteurWayland::Genre fenetre = RecepteurWayland::Genre::Qt) {
    QTemporaryDir dossier;
    QFile f(dossier.filePath("touches.txt"));
    if (!f.open(QIODevice::WriteOnly) || f.write(texte.touches.toUtf8()) < 0) {
        return std::nullopt;
    }
    f.close();
    RecepteurWayland recepteur(env, fenetre, static_cast<int>(texte.attendu.size()));
    if (!recepteur.Pret()) {
        return std::nullopt;
    }
    QProcess enfant;
    enfant.setProcessEnvironment(env);
    enfant.start(QCoreApplication::applicationFilePath(), {"--tape", f.fileName()});
    if (!enfant.waitForFinished(120000) || enfant.exitCode() != 0) {
        std::fprintf(stderr, "%s", enfant.readAllStandardError().constData());
        return std::nullopt;
    }
    Mesure m;
    const QList<QByteArray> champs = enfant.readAllStandardOutput().trimmed().split(' ');
    if (champs.size() != 2) {
        return std::nullopt;
    }
    m.cps = champs[0].toDouble();
    m.arret = champs[1].toLongLong();
    m.exact = recepteur.Texte(30000) == texte.attendu;
    return m;
}

void Ligne(const char* bureau, const char* fenetre, const char* texte,
           const std::optional<Mesure>& m, double x11) {
    if (!m) {
        std::printf("%-8s %-6s %-8s   (could not run)\n", bureau, fenetre, texte);
        return;
    }
    std::printf("%-8s %-6s %-8s %8.0f %8.2f %10lld   %s\n", bureau, fenetre, texte, m->cps,
                x11 > 0 ? m->cps / x11 : 0.0, m->arret, m->exact ? "exact" : "NOT EXACT");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--tape") {
        return Tape(QString::fromLocal8Bit(argv[2]));
    }
    const test::TexteFrappe codes = test::Enregistrements(3000);
    std::printf("%-8s %-6s %-8s %8s %8s %10s\n", "desktop", "window", "text", "chars/s", "vs X11",
                "stall ms");

    QProcessEnvironment x11 = QProcessEnvironment::systemEnvironment();
    x11.remove("WAYLAND_DISPLAY");
    x11.insert("XDG_SESSION_TYPE", "x11");
    x11.insert("QT_QPA_PLATFORM", "xcb");
    const auto x11Codes = Mesure1(x11, codes);
    const auto x11Francais = Mesure1(x11, test::FrancaisLibre(2000));
    const auto x11Ligne = Mesure1(x11, SurUneLigne(test::FrancaisLibre(2000)));
    const double refCodes = x11Codes ? x11Codes->cps : 0;
    const double refFrancais = x11Francais ? x11Francais->cps : 0;
    const double refLigne = x11Ligne ? x11Ligne->cps : 0;
    Ligne("X11", "Qt", "codes", x11Codes, refCodes);
    Ligne("X11", "Qt", "french", x11Francais, refFrancais);
    Ligne("X11", "Qt", "one line", x11Ligne, refLigne);

    const struct {
        Bureau bureau;
        const char* nom;
    } bureaux[] = {{Bureau::Sway, "sway"}, {Bureau::Kwin, "KWin"}, {Bureau::Mutter, "mutter"}};
    for (const auto& b : bureaux) {
        CompositeurSansTete::Options options;
        options.disposition = QStringLiteral("fr");
        options.fakeInputAutorise = {QCoreApplication::applicationFilePath()};
        CompositeurSansTete c(b.bureau, options);
        if (!c.Pret()) {
            std::printf("%-8s (not run: %s)\n", b.nom, qPrintable(c.RaisonEchec()));
            continue;
        }
        const test::TexteFrappe francais = b.bureau == Bureau::Sway
                                               ? test::FrancaisLibre(2000)
                                               : test::FrancaisDispositionFr(2000);
        const test::TexteFrappe ligne = SurUneLigne(francais);
        using Genre = RecepteurWayland::Genre;
        for (const auto& [genre, fenetre] : {std::pair{Genre::Qt, "Qt"}, {Genre::Gtk, "GTK"}}) {
            const QProcessEnvironment env = c.EnvironnementClient();
            Ligne(b.nom, fenetre, "codes", Mesure1(env, codes, genre), refCodes);
            Ligne(b.nom, fenetre, "french", Mesure1(env, francais, genre), refFrancais);
            Ligne(b.nom, fenetre, "one line", Mesure1(env, ligne, genre), refLigne);
        }
    }
    return 0;
}
