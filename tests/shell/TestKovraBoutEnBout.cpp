// The real kovra program under Xvfb with a real notification area (trayer): its icon
// appears, a click shows the menu, a second start is refused, a terminal's transfer reaches
// a file scenario's file, and "Quitter" ends it.
#include "support/DossierTest.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

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
    // The simulated terminal on its pseudo-terminal, which PortSerie.ini then names. It
    // keeps the line until the end of the test: a line closed while Kovra runs is watched
    // for by name, and another test running beside this one may get a new pseudo-terminal
    // of the same name, which Kovra would take from it.
    bool Terminal(QStringList arguments) {
        arguments << "--linger"
                  << "600000";
        terminal.start(KOVRA_TERMINAL_EXE, arguments);
        if (!terminal.waitForReadyRead(5000)) {
            return false;
        }
        const QString ligne = QString::fromUtf8(terminal.readLine()).trimmed();
        Cli({"ini", "set", "PortSerie.ini", "Port_série", "Port", "1"});
        Cli({"ini", "set", "PortSerie.ini", "Port_série", "Peripherique", ligne});
        Cli({"ini", "set", "PortSerie.ini", "Port_série", "Protocol", arguments[1]});
        return true;
    }
    // A notification area at the bottom right, then kovra in it; its icon's window.
    std::optional<Fenetre> Demarre() {
        trayer.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                "--width", "100", "--height", "24", "--transparent", "false"});
        if (!Attend([] { return !Fenetres("trayer").isEmpty(); })) {
            return std::nullopt;
        }
        kovra.setProcessEnvironment(env);
        kovra.start(KOVRA_EXE, {"--no-splash"});
        QList<Fenetre> icones;
        if (!kovra.waitForStarted(10000) || !Attend([&] {
                icones = Fenetres("kovra");
                return !icones.isEmpty();
            })) {
            return std::nullopt;
        }
        return icones.front();
    }
    // A click on the icon, then the menu window it shows.
    std::optional<Fenetre> OuvreMenu(const Fenetre& icone) {
        Clique(icone.x + icone.largeur / 2, icone.y + icone.hauteur / 2);
        QList<Fenetre> menus;
        if (!Attend([&] {
                menus.clear();
                for (const Fenetre& f : Fenetres("kovra")) {
                    if (f.id != icone.id) {
                        menus << f;
                    }
                }
                return !menus.isEmpty();
            })) {
            return std::nullopt;
        }
        return menus.front();
    }

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
    ASSERT_TRUE(
        p.Terminal({"--type", "HT630", "--text", "A1\\r12\\rB2\\r3\\r", "--start", "6000"}));
    const std::optional<Fenetre> iconeTrouvee = p.Demarre();
    ASSERT_TRUE(iconeTrouvee) << p.kovra.readAllStandardError().toStdString();
    const Fenetre icone = *iconeTrouvee;
    EXPECT_LE(icone.largeur, 32);
    EXPECT_GE(icone.y, 768 - 24);

    // A click shows the menu window at the bottom right of the screen.
    const std::optional<Fenetre> menuTrouve = p.OuvreMenu(icone);
    ASSERT_TRUE(menuTrouve);
    QList<Fenetre> menus;
    const Fenetre menu = *menuTrouve;
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
    // Typed into the focused box: with --window, xdotool would look the box up again
    // between press and release, fail once it is gone, and leave Return held down.
    Execute("xdotool", {"windowactivate", "--sync", boites.front().id});
    Execute("xdotool", {"key", "Return"});
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

namespace {

// The colour of one pixel of the screen, "#rrggbb".
QString Pixel(int x, int y) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, x, y, 1, 1)
        .toImage()
        .pixelColor(0, 0)
        .name();
}

// The last "n COUNT" the field printed, or -1.
qsizetype Compte(QProcess& champ, qsizetype dernier) {
    while (champ.canReadLine()) {
        const QByteArray ligne = champ.readLine().trimmed();
        if (ligne.startsWith("n ")) {
            dernier = ligne.mid(2).toLongLong();
        }
    }
    return dernier;
}

} // namespace

TEST(KovraBoutEnBout, TypesNothingIntoItsOwnMenuAndTheMenuFollowsTheMouse) {
    Poste p;
    p.Cli({"scenario", "create", "Saisie", "--type", "Emulation"});
    p.Cli({"scenario", "add", "Saisie", "&CODE"});
    p.Cli({"scenario", "add", "Saisie", "{ENTER}"});
    p.Cli({"scenario", "loop", "Saisie", "1"});
    p.Cli({"registry", "set", "RacScenChx", "Saisie"});
    // A transfer typed with a pause after each key: typing it takes seconds, paced by Kovra
    // rather than by the field, time to open the menu in the middle.
    p.Cli({"registry", "set", "DelaiTouches", "1"});
    QString donnees, attendu;
    for (int i = 0; i < 1000; ++i) {
        const QString code = QStringLiteral("C%1").arg(i, 5, 10, QChar('0'));
        donnees += code + "\r";
        attendu += code + "\n";
    }
    {
        QFile f(p.d.Chemin("transfert.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(donnees.toLatin1());
    }
    ASSERT_TRUE(
        p.Terminal({"--type", "HT630", "--file", p.d.Chemin("transfert.txt"), "--start", "6000"}));

    // The application the keys are meant for, in the top left quarter.
    QProcess champ;
    champ.start(CHAMP_CIBLE_EXE,
                {"100", "80", QString::number(attendu.size()), p.d.Chemin("recu.txt")});
    ASSERT_TRUE(champ.waitForReadyRead(10000));
    ASSERT_EQ(champ.readLine().trimmed(), "pret");

    const std::optional<Fenetre> icone = p.Demarre();
    ASSERT_TRUE(icone) << p.kovra.readAllStandardError().toStdString();
    // Typing has begun.
    qsizetype n = -1;
    ASSERT_TRUE(Attend(
        [&] {
            champ.waitForReadyRead(50);
            n = Compte(champ, n);
            return n > 0;
        },
        30000));

    // The menu opens in the middle of it: nothing more reaches the field, and nothing is lost.
    const std::optional<Fenetre> menu = p.OuvreMenu(*icone);
    ASSERT_TRUE(menu);
    // What was on its way before the menu opened arrives: the field may lag behind the
    // keys by seconds on a slow machine. Then nothing more.
    qsizetype stable = -2;
    ASSERT_TRUE(Attend(
        [&] {
            stable = n;
            QThread::msleep(700);
            champ.waitForReadyRead(50);
            n = Compte(champ, n);
            return n == stable;
        },
        30000));
    ASSERT_LT(n, attendu.size()) << "typing ended before the menu opened";
    QThread::msleep(1500);
    champ.waitForReadyRead(100);
    EXPECT_EQ(Compte(champ, n), n) << "keys went on while the menu was open";

    // A real mouse over the menu: the line under it is lit, and only that one.
    const int hauteurLigne = (menu->hauteur - 4) / 5;
    const auto ligne = [&](int i) {
        return menu->y + 2 + i * hauteurLigne + hauteurLigne / 2;
    };
    Execute("xdotool",
            {"mousemove", QString::number(menu->x + menu->largeur / 2), QString::number(ligne(1))});
    Execute("xdotool", {"mousemove", QString::number(menu->x + menu->largeur / 2 + 3),
                        QString::number(ligne(1) + 1)});
    QThread::msleep(300);
    EXPECT_NE(Pixel(menu->x + 4, ligne(1)), "#ffffff");
    EXPECT_EQ(Pixel(menu->x + 4, ligne(3)), "#ffffff");
    Execute("xdotool",
            {"mousemove", QString::number(menu->x + menu->largeur / 2), QString::number(ligne(3))});
    QThread::msleep(300);
    EXPECT_EQ(Pixel(menu->x + 4, ligne(1)), "#ffffff");
    EXPECT_NE(Pixel(menu->x + 4, ligne(3)), "#ffffff");

    // Closed by a click elsewhere: the rest arrives, whole and in order.
    Clique(10, 700);
    ASSERT_TRUE(Attend([&] { return Fenetres("kovra").size() == 1; }));
    ASSERT_TRUE(champ.waitForFinished(60000))
        << "the field got " << Compte(champ, n)
        << "; kovra said: " << p.kovra.readAllStandardError().right(3000).toStdString();
    QFile recu(p.d.Chemin("recu.txt"));
    ASSERT_TRUE(recu.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(recu.readAll()), attendu);
}
