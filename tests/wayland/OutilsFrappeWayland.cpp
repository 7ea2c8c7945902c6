#include "wayland/OutilsFrappeWayland.h"

#include "support/Attente.h"
#include "wayland/TextesFrappe.h"

#include <QDir>
#include <QProcess>
#include <csignal>
#include <sys/prctl.h>

namespace kovra::test {

void PrintTo(Bureau bureau, std::ostream* os) {
    *os << Nom(bureau);
}

std::string Nom(Bureau bureau) {
    switch (bureau) {
    case Bureau::Sway:
        return "sway";
    case Bureau::Kwin:
        return "kwin";
    case Bureau::Mutter:
        return "mutter";
    }
    return {};
}

std::string Nom(RecepteurWayland::Genre genre) {
    return genre == RecepteurWayland::Genre::Qt ? "qt" : "gtk";
}

CompositeurSansTete::Options PourKovra(const char* disposition) {
    return Disposition(QString::fromLatin1(disposition), {QStringLiteral(KOVRA_CLI_EXE)});
}

KovraCli::KovraCli(const CompositeurSansTete& c) : env_(c.EnvironnementClient()) {
    QDir().mkpath(dossier_.Chemin("home"));
    env_.insert("KOVRA_DIR", Donnees());
    env_.insert("HOME", dossier_.Chemin("home"));
}

KovraCli::Fin KovraCli::Lance(const QStringList& arguments, int ms,
                              const std::function<void()>& pendant) {
    QProcess p;
    p.setProcessEnvironment(env_);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    // A test killed midway (a ctest timeout) takes it with it.
    p.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p.start(QStringLiteral(KOVRA_CLI_EXE), arguments);
    Fin fin;
    fin.finie = AttendQue(
        [&] {
            if (pendant && p.state() != QProcess::NotRunning) {
                pendant();
            }
            return p.state() == QProcess::NotRunning;
        },
        ms);
    if (!fin.finie) {
        p.kill();
        p.waitForFinished();
    }
    fin.statut = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    fin.message = QString::fromUtf8(p.readAllStandardError());
    return fin;
}

::testing::AssertionResult Reussie(const KovraCli::Fin& fin, const char* quoi) {
    if (!fin.finie) {
        return ::testing::AssertionFailure() << quoi << " did not end";
    }
    if (fin.statut != 0) {
        return ::testing::AssertionFailure()
               << quoi << " ended with status " << fin.statut << ": " << fin.message.toStdString();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Sonde(KovraCli& cli, RecepteurWayland& recepteur) {
    int compte = 0;
    for (int essai = 0; essai < 10 && compte == 0; ++essai) {
        if (auto ok = TapeEntierement(cli, QStringLiteral("x")); !ok) {
            return ok << " (typing the probe)";
        }
        compte = recepteur.Compte(1000);
    }
    if (compte == 0) {
        return ::testing::AssertionFailure()
               << "the receiver never got the probe: " << recepteur.Journal().toStdString();
    }
    if (!recepteur.Vide()) {
        return ::testing::AssertionFailure() << "the receiver did not empty";
    }
    compte = recepteur.Compte(0);
    for (int essai = 0; essai < 40 && compte != 0; ++essai) {
        compte = recepteur.Compte(500);
    }
    if (compte != 0) {
        return ::testing::AssertionFailure()
               << "the probe was not removed: " << compte << " characters left";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Recu(RecepteurWayland& recepteur, const QString& attendu) {
    const QString recu = recepteur.Texte(DelaiFrappe(attendu.size()));
    if (recu == attendu) {
        return ::testing::AssertionSuccess();
    }
    if (recu.isEmpty() && recepteur.Type() == RecepteurWayland::Genre::Qt) {
        // The Qt field writes its text out only once it has them all.
        return ::testing::AssertionFailure()
               << "the Qt field holds " << recepteur.Compte(0) << " of " << attendu.size()
               << " characters\nthe receiver said: " << recepteur.Journal().toStdString();
    }
    return ::testing::AssertionFailure()
           << Difference(attendu, recu).toStdString()
           << "\nthe receiver said: " << recepteur.Journal().toStdString();
}

} // namespace kovra::test
