// kovra-cli doctor and autostart, run as the real program with a prepared environment.
#include "base/ErreurKovra.h"
#include "cli/Autostart.h"
#include "support/DossierTest.h"
#include "support/LimiteTailleFichier.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

namespace {

struct Sortie {
    int statut;
    QString sortie;
    QString erreurs;
};

// kovra-cli with a private data folder, settings folder and autostart folders, and no
// desktop session.
struct Poste {
    Poste() {
        env.insert("KOVRA_DIR", d.Chemin("donnees"));
        env.insert("XDG_CONFIG_HOME", d.Chemin("config"));
        env.insert("XDG_CONFIG_DIRS", d.Chemin("xdg"));
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                              "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "KOVRA_MULTIDLL"}) {
            env.remove(v);
        }
    }
    Sortie operator()(const QStringList& arguments) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KOVRA_CLI_EXE, arguments);
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    DossierTest d;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST(KovraCliDoctor, ReportsAndExitsWithoutTouchingTheDataFolder) {
    Poste poste;
    Sortie r = poste({"doctor"});
    EXPECT_EQ(r.statut, 1);
    EXPECT_TRUE(
        r.sortie.startsWith("FAIL  data folder: " + poste.d.Chemin("donnees") + " does not exist."))
        << r.sortie.toStdString();
    EXPECT_EQ(r.erreurs, "kovra-cli: 1 check failed\n");
    EXPECT_FALSE(QFileInfo::exists(poste.d.Chemin("donnees")));

    // A fresh folder: the shipped settings name no port yet, and nothing is chosen.
    ASSERT_EQ(poste({"dir"}).statut, 0);
    r = poste({"doctor"});
    EXPECT_EQ(r.statut, 1);
    const QStringList lignes = r.sortie.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lignes.contains("ok    data folder: " + poste.d.Chemin("donnees") + " (writable)"))
        << r.sortie.toStdString();
    EXPECT_TRUE(r.sortie.contains("FAIL  serial port: none is configured."))
        << r.sortie.toStdString();
    EXPECT_TRUE(r.sortie.contains("note  X11 display: DISPLAY is not set"))
        << r.sortie.toStdString();
    EXPECT_TRUE(lignes.last().startsWith("note  transfer library: ")) << r.sortie.toStdString();

    const Sortie aide = poste({"--help"});
    EXPECT_TRUE(aide.sortie.contains("\n  doctor\n")) << aide.sortie.toStdString();
    for (const char* mot : {"on", "off", "status"}) {
        EXPECT_TRUE(aide.sortie.contains(QString("\n  autostart %1\n").arg(mot)));
    }
}

TEST(KovraCliAutostart, OnOffStatusAndASystemEntry) {
    Poste poste;
    const QString entree = poste.d.Chemin("config/autostart/kovra.desktop");
    const QString kovra = QFileInfo(KOVRA_CLI_EXE).absolutePath() + "/kovra";
    struct Etape {
        QStringList arguments;
        QString sortie; // the first line starts so
    };
    const auto deroule = [&](const std::vector<Etape>& etapes) {
        for (const Etape& e : etapes) {
            const Sortie r = poste(e.arguments);
            EXPECT_EQ(r.statut, 0)
                << e.arguments.join(' ').toStdString() << r.erreurs.toStdString();
            EXPECT_TRUE(r.sortie.startsWith(e.sortie))
                << e.arguments.join(' ').toStdString() << ": " << r.sortie.toStdString();
        }
    };
    deroule({{{"autostart", "status"}, "off: Kovra does not start with the session: no autostart"},
             {{"--dir", poste.d.Chemin("mes données"), "autostart", "on"}, "on: wrote " + entree},
             {{"autostart", "status"}, "on: Kovra starts with the session: the user's entry"}});
    const QString ecrite = QString::fromUtf8(poste.d.Lit("config/autostart/kovra.desktop"));
    EXPECT_TRUE(ecrite.startsWith("[Desktop Entry]\nType=Application\nName=Kovra\n"));
    EXPECT_TRUE(ecrite.contains("\nExec=" + ArgumentExec(kovra) + " --dir \"" +
                                poste.d.Chemin("mes données") + "\"\n"))
        << ecrite.toStdString();
    EXPECT_TRUE(ecrite.contains("\nIcon=kovra\n"));
    EXPECT_TRUE(ecrite.contains("\nX-GNOME-Autostart-enabled=true\n"));
    deroule(
        {{{"autostart", "off"}, "off: removed " + entree},
         {{"autostart", "status"}, "off: Kovra does not start with the session: no autostart"}});
    EXPECT_FALSE(QFileInfo::exists(entree));

    // An entry for every user: off hides it for this one, on starts it again.
    poste.d.Ecrit("xdg/autostart/kovra.desktop",
                  "[Desktop Entry]\nType=Application\nName=Kovra\nExec=kovra\n");
    deroule({{{"autostart", "status"}, "on: Kovra starts with the session: the system entry"},
             {{"autostart", "off"}, "off: wrote " + entree + " with Hidden=true"},
             {{"autostart", "status"},
              "off: Kovra does not start with the session: the user's "
              "entry " +
                  entree + " is hidden"}});
    EXPECT_TRUE(poste.d.Lit("config/autostart/kovra.desktop").contains("\nHidden=true\n"));
    deroule({{{"autostart", "on"}, "on: wrote " + entree},
             {{"autostart", "status"}, "on: Kovra starts with the session: the user's entry"}});
    EXPECT_FALSE(poste.d.Lit("config/autostart/kovra.desktop").contains("Hidden"));
    EXPECT_TRUE(poste.d.Lit("config/autostart/kovra.desktop")
                    .contains("\nExec=" + ArgumentExec(kovra).toUtf8() + "\n"));
}

TEST(KovraCliAutostart, ExecArgumentsReachTheProgramAsTheyAre) {
    const struct {
        const char* argument;
        const char* ecrit; // as the Exec value holds it
    } cas[] = {
        {"/usr/bin/kovra", "/usr/bin/kovra"},
        {"/srv/mes données", "\"/srv/mes données\""},
        {"/srv/100%", "/srv/100%%"},
        {"/srv/$HOME", "\"/srv/\\\\$HOME\""},
        {"/srv/a\"b", "\"/srv/a\\\\\"b\""},
        {"C:\\kovra", "\"C:\\\\\\\\kovra\""},
        {"", "\"\""},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(ArgumentExec(QString::fromUtf8(c.argument)), QString::fromUtf8(c.ecrit))
            << c.argument;
    }
}

TEST(KovraCliAutostart, AnEntryThatCannotBeWrittenWholeIsAnErrorAndNoEntry) {
    DossierTest d;
    LieuxAutostart lieux;
    lieux.configUtilisateur = d.Chemin("config");
    {
        kovra::test::LimiteTailleFichier plein(0);
        EXPECT_THROW(ActiveAutostart(lieux, "/usr/bin/kovra", QString()), ErreurKovra);
    }
    EXPECT_FALSE(QFile::exists(lieux.EntreeUtilisateur()));
    EXPECT_FALSE(LitEtatAutostart(lieux).actif);
}
