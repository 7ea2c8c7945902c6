// A scenario's frame delivered by kovra-cli (process --deliver, the pipeline reception uses) into a
// GTK 3 window of each headless desktop (sway, KWin, mutter): its records typed the same on each,
// cut by the scenario's pauses, keys spaced by the registry's pause between keystrokes; and a frame
// the desktop's layout cannot type whole kept in the data folder, nothing of it typed. A desktop
// that cannot run here skips, saying why.
#include "base/Windows1252.h"
#include "support/CompositeurSansTete.h"
#include "support/RecepteurWayland.h"
#include "wayland/OutilsFrappeWayland.h"
#include "wayland/TextesFrappe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>

using kovra::test::Bureau;
using kovra::test::CompositeurSansTete;
using kovra::test::KovraCli;
using kovra::test::Nom;
using kovra::test::Reussie;
using Genre = RecepteurWayland::Genre;

namespace {

// Each record: its code, a Tab, its quantity, a pause, Enter; from the first action again for the
// next record. The pause is longer than the desktops' key repeat delay (500 to 600 ms): a key held
// across it would repeat.
const QString kScenario = QStringLiteral("Saisie");
constexpr int kPauseTimer = 700;
const QStringList kActions = {"&CODE", "{TAB}", "&QTY",
                              QStringLiteral("&Timer %1").arg(kPauseTimer), "{ENTER}"};

// The scenario in kovra-cli's database, compiled.
::testing::AssertionResult CreeScenario(KovraCli& cli) {
    std::vector<QStringList> commandes = {{"scenario", "create", kScenario, "--type", "Emulation"}};
    for (const QString& action : kActions) {
        commandes.push_back({"scenario", "add", kScenario, "--", action});
    }
    commandes.push_back({"scenario", "loop", kScenario, "1"});
    commandes.push_back({"export", kScenario});
    for (const QStringList& commande : commandes) {
        if (auto ok = Reussie(cli.Lance(commande), "kovra-cli"); !ok) {
            return ok << " (" << commande.join(u' ').toStdString() << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

// A frame as a terminal sends it: each field ended by a carriage return, Windows-1252 bytes.
QByteArray Trame(const QStringList& champs) {
    return kovra::EncodeWindows1252(champs.join(u'\r') + u'\r');
}

// Delivers a frame of `records` records through the scenario; `pendant` is called while it runs.
KovraCli::Fin Livre(KovraCli& cli, const QByteArray& trame, int records,
                    const std::function<void()>& pendant = {}) {
    const QString fichier = cli.Fichier(QStringLiteral("trame"));
    QFile f(fichier);
    if (!f.open(QIODevice::WriteOnly) || f.write(trame) != trame.size()) {
        return {true, -1, QStringLiteral("cannot write ") + fichier};
    }
    f.close();
    // Each record ends with a pause, and the last segment is followed by one too.
    return cli.Lance({"process", "--scenario", kScenario, "--frame", fichier, "--deliver"},
                     kovra::test::DelaiFrappe(trame.size()) + (records + 1) * kPauseTimer, pendant);
}

// Frames kept in the data folder as not delivered.
QStringList NonLivrees(const KovraCli& cli) {
    return QDir(cli.Donnees()).entryList({QStringLiteral("nonlivree-*.tmp")}, QDir::Files);
}

// Tabs and line ends shown as \t and \n.
QString Lisible(QString texte) {
    return texte.replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n"));
}

std::string NomBureau(const ::testing::TestParamInfo<Bureau>& cas) {
    return Nom(cas.param);
}

// --- Records with pauses -------------------------------------------------------------------------

class ScenarioWayland : public ::testing::TestWithParam<Bureau> {};

// What a window held while a frame was typed: each text in turn, and when it was first and last
// seen (milliseconds).
struct Etat {
    QString texte;
    qint64 premier;
    qint64 dernier;
};

// Two records with the fr layout (digits, '.', '/' take Shift there; 'A' and 'Q' are swapped),
// keys 20 ms apart: the window holds exactly the records, no character lost or doubled across the
// pauses. Watched while it is typed (asked for its text again and again, each answer within a
// millisecond here), it only ever holds a beginning of them, and it stands still at the end of each
// segment the pauses cut, for at least half the pause (the margin is for a loaded machine, where an
// answer may come late): the pauses come where the scenario puts them, and last.
TEST_P(ScenarioWayland, TapeLesEnregistrementsAvecSesPauses) {
    const QStringList champs = {"QA-12/B", "33", "CAFE.9", "200"};
    const QString attendu = QStringLiteral("QA-12/B\t33\nCAFE.9\t200\n");
    const QStringList finsDeSegment = {QStringLiteral("QA-12/B\t33"),
                                       QStringLiteral("QA-12/B\t33\nCAFE.9\t200"), attendu};
    PREPARE(GetParam(), "fr", Genre::Gtk, attendu.size());
    ASSERT_TRUE(CreeScenario(cli));
    ASSERT_TRUE(Reussie(cli.Registre(QStringLiteral("DelaiTouches"), QStringLiteral("20")),
                        "kovra-cli registry set"));

    std::vector<Etat> etats;
    QElapsedTimer chrono;
    chrono.start();
    const KovraCli::Fin fin = Livre(cli, Trame(champs), 2, [&] {
        const QString texte = recepteur.TexteActuel(500);
        const qint64 t = chrono.elapsed();
        if (etats.empty() || etats.back().texte != texte) {
            etats.push_back({texte, t, t});
        }
        etats.back().dernier = t;
    });
    ASSERT_TRUE(Reussie(fin, "kovra-cli process --deliver")) << c.Journal().toStdString();
    EXPECT_TRUE(NonLivrees(cli).isEmpty());
    EXPECT_TRUE(kovra::test::Recu(recepteur, attendu)) << c.Journal().toStdString();

    std::string vus;
    for (const Etat& e : etats) {
        vus += QStringLiteral("\n%1-%2 ms: %3")
                   .arg(e.premier)
                   .arg(e.dernier)
                   .arg(Lisible(e.texte))
                   .toStdString();
        EXPECT_TRUE(attendu.startsWith(e.texte))
            << kovra::test::Difference(attendu, e.texte).toStdString();
    }
    for (const QString& finSegment : finsDeSegment) {
        const auto e = std::find_if(etats.begin(), etats.end(),
                                    [&](const Etat& etat) { return etat.texte == finSegment; });
        EXPECT_TRUE(e != etats.end() && e->dernier - e->premier >= kPauseTimer / 2)
            << "did not stand at \"" << Lisible(finSegment).toStdString()
            << "\" for half the pause; seen:" << vus;
    }
}

INSTANTIATE_TEST_SUITE_P(Bureaux, ScenarioWayland,
                         ::testing::Values(Bureau::Sway, Bureau::Kwin, Bureau::Mutter), NomBureau);

// --- A frame the layout cannot type --------------------------------------------------------------

class ScenarioHorsDisposition : public ::testing::TestWithParam<Bureau> {};

// KWin and mutter type through the seat's layout, here us, which has no key for é. A frame with an
// é is not delivered: kovra-cli ends in failure, naming é and the layout, types nothing of it (not
// even the records before the é), and keeps the frame byte for byte in a file of the data folder it
// names. A frame delivered after them is typed alone into the window.
TEST_P(ScenarioHorsDisposition, TrameConserveeRienTape) {
    const struct {
        const char* quoi;
        QStringList champs;
    } cas[] = {
        {"é in the first record", {QStringLiteral("CAFé1"), "2"}},
        {"é after a pause", {"AB12", "3", QStringLiteral("CAFé"), "4"}},
    };
    const QString apres = QStringLiteral("OK1\t2\n");
    PREPARE(GetParam(), "us", Genre::Gtk, apres.size());
    ASSERT_TRUE(CreeScenario(cli));

    for (const auto& [quoi, champs] : cas) {
        SCOPED_TRACE(quoi);
        const QStringList avant = NonLivrees(cli);
        const QByteArray trame = Trame(champs);
        const KovraCli::Fin fin = Livre(cli, trame, static_cast<int>(champs.size() / 2));
        ASSERT_TRUE(fin.finie);
        EXPECT_EQ(fin.statut, 1) << fin.message.toStdString();
        for (const QString& dit :
             {QStringLiteral("« us »"), QStringLiteral(": é."), QStringLiteral("Rien n'a été tapé"),
              QStringLiteral("La trame n'a pas été livrée")}) {
            EXPECT_TRUE(fin.message.contains(dit))
                << "does not say " << dit.toStdString() << ": " << fin.message.toStdString();
        }
        QStringList nouvelles = NonLivrees(cli);
        for (const QString& nom : avant) {
            nouvelles.removeOne(nom);
        }
        ASSERT_EQ(nouvelles.size(), 1) << fin.message.toStdString();
        QFile conservee(QDir(cli.Donnees()).filePath(nouvelles.first()));
        ASSERT_TRUE(conservee.open(QIODevice::ReadOnly));
        EXPECT_EQ(conservee.readAll(), trame);
        EXPECT_TRUE(fin.message.contains(conservee.fileName())) << fin.message.toStdString();
    }

    ASSERT_TRUE(Reussie(Livre(cli, Trame({"OK1", "2"}), 1), "kovra-cli process --deliver"));
    EXPECT_TRUE(kovra::test::Recu(recepteur, apres)) << c.Journal().toStdString();
    EXPECT_EQ(NonLivrees(cli).size(), static_cast<qsizetype>(std::size(cas)));
}

INSTANTIATE_TEST_SUITE_P(Bureaux, ScenarioHorsDisposition,
                         ::testing::Values(Bureau::Kwin, Bureau::Mutter), NomBureau);

} // namespace
