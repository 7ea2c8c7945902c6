// The real kovra program under Xvfb with a real notification area (trayer): its icon
// appears, a click shows the menu, a second start is refused, a terminal's transfer reaches
// a file scenario's file, and "Quitter" ends it.
#include "support/DossierTest.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

using kovra::test::DossierTest;

namespace {

// Runs a command to its end; what it printed.
QString Execute(const QString& programme, const QStringList& arguments,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(programme, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Waits for the condition, asking again every 100 ms, for at most `ms`.
bool Attend(const std::function<bool()>& condition, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms) {
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

struct Fenetre {
    QString id;
    int x = 0, y = 0, largeur = 0, hauteur = 0;
};

// The visible windows of a class, with where they are.
QList<Fenetre> Fenetres(const QString& classe) {
    QList<Fenetre> l;
    for (const QString& id :
         Execute("xdotool", {"search", "--onlyvisible", "--class", classe}).split('\n')) {
        if (id.isEmpty()) {
            continue;
        }
        Fenetre f{id};
        const QString g = Execute("xdotool", {"getwindowgeometry", "--shell", id});
        const auto valeur = [&](const char* nom) {
            return QRegularExpression(QString(nom) + "=(\\d+)").match(g).captured(1).toInt();
        };
        f.x = valeur("X");
        f.y = valeur("Y");
        f.largeur = valeur("WIDTH");
        f.hauteur = valeur("HEIGHT");
        l << f;
    }
    return l;
}

void Clique(int x, int y) {
    Execute("xdotool", {"mousemove", QString::number(x), QString::number(y), "click", "1"});
}

struct Poste {
    Poste() {
        env.insert("XDG_CONFIG_HOME", d.Chemin("config"));
        env.insert("KOVRA_DIR", d.Chemin("donnees"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        Cli({"scenario", "create", "Stock", "--type", "Fichier", "--path", d.Chemin("Stock.txt")});
        for (const char* a : {"&CODE", ";", "&QTY", "&PASSLIGNE"}) {
            Cli({"scenario", "add", "Stock", a});
        }
        Cli({"scenario", "loop", "Stock", "1"});
        Cli({"registry", "set", "RacScenChx", "Stock"});
    }
    ~Poste() {
        for (QProcess* p : {&kovra, &terminal, &trayer}) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    void Cli(const QStringList& arguments) { Execute(KOVRA_CLI_EXE, arguments, env); }

    DossierTest d;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess trayer;
    QProcess terminal;
    QProcess kovra;
};

} // namespace

TEST(KovraBoutEnBout, LivesInTheNotificationArea) {
    Poste p;
    // A simulated HT630 that pushes two records once Kovra listens.
    p.terminal.start(KOVRA_TERMINAL_EXE,
                     {"--type", "HT630", "--text", "A1\\r12\\rB2\\r3\\r", "--start", "6000"});
    ASSERT_TRUE(p.terminal.waitForReadyRead(5000));
    const QString ligne = QString::fromUtf8(p.terminal.readLine()).trimmed();
    p.Cli({"ini", "set", "PortSerie.ini", "Port_série", "Port", "1"});
    p.Cli({"ini", "set", "PortSerie.ini", "Port_série", "Peripherique", ligne});
    p.Cli({"ini", "set", "PortSerie.ini", "Port_série", "Protocol", "HT630"});

    p.trayer.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                              "--width", "100", "--height", "24", "--transparent", "false"});
    ASSERT_TRUE(Attend([] { return !Fenetres("trayer").isEmpty(); })) << "no notification area";

    p.kovra.setProcessEnvironment(p.env);
    p.kovra.start(KOVRA_EXE, {"--no-splash"});
    ASSERT_TRUE(p.kovra.waitForStarted(10000));
    // The icon: a small window of the program's class, inside the notification area.
    QList<Fenetre> icones;
    ASSERT_TRUE(Attend([&] {
        icones = Fenetres("kovra");
        return !icones.isEmpty();
    })) << p.kovra.readAllStandardError().toStdString();
    const Fenetre icone = icones.front();
    EXPECT_LE(icone.largeur, 32);
    EXPECT_GE(icone.y, 768 - 24);

    // A click shows the menu window at the bottom right of the screen.
    Clique(icone.x + icone.largeur / 2, icone.y + icone.hauteur / 2);
    QList<Fenetre> menus;
    ASSERT_TRUE(Attend([&] {
        menus.clear();
        for (const Fenetre& f : Fenetres("kovra")) {
            if (f.id != icone.id) {
                menus << f;
            }
        }
        return !menus.isEmpty();
    }));
    const Fenetre menu = menus.front();
    EXPECT_EQ(menu.x + menu.largeur, 1024 - 20);
    EXPECT_EQ(menu.y + menu.hauteur, 768);
    Clique(10, 10); // elsewhere: the menu goes
    EXPECT_TRUE(Attend([&] { return Fenetres("kovra").size() == 1; }));

    // A second start is refused; the first goes on.
    QProcess seconde;
    seconde.setProcessEnvironment(p.env);
    seconde.start(KOVRA_EXE, {"--no-splash"});
    QList<Fenetre> boites;
    ASSERT_TRUE(Attend([&] {
        boites.clear();
        for (const QString& id : Execute("xdotool", {"search", "--onlyvisible", "--pid",
                                                     QString::number(seconde.processId())})
                                     .split('\n', Qt::SkipEmptyParts)) {
            boites << Fenetre{id};
        }
        return !boites.isEmpty();
    }));
    Execute("xdotool", {"windowactivate", "--sync", boites.front().id});
    Execute("xdotool", {"key", "--window", boites.front().id, "Return"});
    ASSERT_TRUE(seconde.waitForFinished(10000));
    EXPECT_NE(seconde.exitCode(), 0);
    EXPECT_TRUE(
        QString::fromUtf8(seconde.readAllStandardError()).contains("Application déjà active !"));
    EXPECT_EQ(p.kovra.state(), QProcess::Running);

    // The terminal's transfer reaches the scenario's file.
    EXPECT_TRUE(Attend([&] { return p.d.Lit("Stock.txt") == "A1;12\r\nB2;3\r\n"; }, 30000))
        << p.d.Lit("Stock.txt").toStdString();

    // "Quitter", the last line of the menu, ends the program.
    Clique(icone.x + icone.largeur / 2, icone.y + icone.hauteur / 2);
    ASSERT_TRUE(Attend([&] {
        menus.clear();
        for (const Fenetre& f : Fenetres("kovra")) {
            if (f.id != icone.id && f.largeur == menu.largeur) {
                menus << f;
            }
        }
        return !menus.isEmpty();
    }));
    Clique(menus.front().x + menus.front().largeur / 2,
           menus.front().y + menus.front().hauteur - 12);
    ASSERT_TRUE(p.kovra.waitForFinished(15000));
    EXPECT_EQ(p.kovra.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.kovra.exitCode(), 0) << p.kovra.readAllStandardError().toStdString();
}
