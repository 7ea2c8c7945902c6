// The transfer window over the stand-in transfer library, loaded for real: it plays a
// terminal whose files are in a folder, records every call it gets, and fails or never ends
// when told to.
#include "link/OuverturePort.h"
#include "storage/FichierProfil.h"
#include "support/Attente.h"
#include "support/PosteImport.h"
#include "support/PseudoTerminal.h"
#include "windows/FenetreTransfert.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::TourneBoucle;

namespace {

// The stand-in's knobs, set for one test and cleared after it.
struct Substitut {
    Substitut() {
        qputenv("KOVRA_MULTIDLL_TERMINAL", terminal.Chemin().toLocal8Bit());
        qputenv("KOVRA_MULTIDLL_JOURNAL", terminal.Chemin("journal.txt").toLocal8Bit());
        qunsetenv("KOVRA_MULTIDLL_ECHEC");
        qunsetenv("KOVRA_MULTIDLL_SANS_FIN");
    }
    ~Substitut() {
        for (const char* v : {"KOVRA_MULTIDLL_TERMINAL", "KOVRA_MULTIDLL_JOURNAL",
                              "KOVRA_MULTIDLL_ECHEC", "KOVRA_MULTIDLL_SANS_FIN"}) {
            qunsetenv(v);
        }
    }
    // The calls recorded since the last time.
    QStringList Appels() {
        const QString tout = QString::fromUtf8(terminal.Lit("journal.txt"));
        const QStringList lignes = tout.split(u'\n', Qt::SkipEmptyParts);
        const QStringList nouvelles = lignes.mid(lus);
        lus = static_cast<int>(lignes.size());
        return nouvelles;
    }
    kovra::test::DossierTest terminal;
    int lus = 0;
};

struct Poste : kovra::test::PosteImport {
    // The window over the stand-in (or the library given), the library's port opened.
    FenetreTransfert& Ouvre(const QString& bibliotheque = QStringLiteral(KOVRA_MULTIDLL_SUBSTITUT),
                            bool ouvrePort = true) {
        fenetre = std::make_unique<FenetreTransfert>(
            ServicesTransfert{*noyau, t.dialogues, [this, bibliotheque] {
                                  return ChargeMultidll(bibliotheque, t.donnees);
                              }});
        fenetre->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
        if (ouvrePort) {
            fenetre->OuvrePort();
        }
        s.Appels(); // what loading and opening asked
        return *fenetre;
    }
    // Clicks a button and waits for the transfer it starts to end.
    void Transfere(QPushButton* bouton) {
        QSignalSpy fin(fenetre.get(), &FenetreTransfert::transfertTermine);
        bouton->click();
        EXPECT_TRUE(AttendQue([&] { return !fenetre->EnTransfert(); }, 10000));
    }
    Substitut s;
    std::unique_ptr<FenetreTransfert> fenetre;
};

const QString kAdresse = QStringLiteral("1,65");

} // namespace

TEST(FenetreTransfert, ShowsTheLibraryAndItsTimings) {
    Poste p;
    FenetreTransfert& f = p.Ouvre();
    EXPECT_EQ(f.windowTitle(), "Communication HT630");
    EXPECT_TRUE(f.LblVersion->text().startsWith("DLL Version: "));
    EXPECT_NE(f.LblVersion->text(), "DLL Version: ");
    for (const char* texte :
         {"ESC Delay", "NAK Delay", "Time out", "PC ---> PT600", "PT600  --->  PC"}) {
        bool trouve = false;
        for (const QLabel* l : f.findChildren<QLabel*>()) {
            trouve = trouve || l->text() == texte;
        }
        EXPECT_TRUE(trouve) << texte;
    }
    for (QPushButton* b : {f.cmdOpenCom, f.cmdUpload, f.cmdDownload, f.cmdCreateTestfile,
                           f.CmdSetEsc, f.CmdSetNak, f.CmdSetTimeOut}) {
        EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
    }
    EXPECT_EQ(f.cmdOpenCom->text(), "Open COM1");
    EXPECT_EQ(f.CmdSetEsc->text(), "Set");
    EXPECT_FALSE(f.PrgB->isVisible());

    // "Set": the leading number of the box, 0 for none; too big for 32 bits: refused.
    const struct {
        QLineEdit* boite;
        QPushButton* bouton;
        QString texte;
        QString appel; // empty: refused, no call
    } cas[] = {
        {f.TxtEsc, f.CmdSetEsc, "12ab", "HM_set_ESC_delay(12)"},
        {f.TxtNak, f.CmdSetNak, "", "HM_set_NAK_delay(0)"},
        {f.TxtTimeOut, f.CmdSetTimeOut, "2500", "HM_set_time_out(2500)"},
        {f.TxtEsc, f.CmdSetEsc, "99999999999", ""},
    };
    for (const auto& c : cas) {
        p.t.dialogues = {};
        c.boite->setText(c.texte);
        c.bouton->click();
        const QStringList appels = p.s.Appels();
        if (c.appel.isEmpty()) {
            EXPECT_TRUE(appels.isEmpty());
            EXPECT_EQ(p.t.dialogues.Messages().size(), 1);
        } else {
            EXPECT_EQ(appels.value(0), c.appel);
            EXPECT_TRUE(p.t.dialogues.Messages().isEmpty());
        }
    }
    EXPECT_EQ(f.TxtTimeOut->text(), "2500"); // shown again as the library keeps it

    f.close();
    EXPECT_EQ(p.s.Appels(), QStringList({"HM_CloseCommPort(1)"}));
}

TEST(FenetreTransfert, UploadAndDownloadCallTheLibraryInOrderAndSayHowTheyEnded) {
    const struct {
        const char* nom;
        const char* echec; // KOVRA_MULTIDLL_ECHEC
        bool terminalAFichier;
        QStringList messages;
        bool fichierRecu;
    } cas[] = {
        {"ok", nullptr, true, {"Succesfull"}, true},
        {"missing", nullptr, false, {"File doesn't exist on portable !"}, false},
        // Each failure's message is the transfer's own; one is enough to see it shown.
        {"upload1 fails", "HM_upload1:34", true, {"Upload1: File open error"}, false},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        Poste p;
        const QByteArray contenu(300, 'z');
        if (c.terminalAFichier) {
            p.s.terminal.Ecrit("TESTFILE.$$$", contenu);
        }
        if (c.echec != nullptr) {
            qputenv("KOVRA_MULTIDLL_ECHEC", c.echec);
        }
        FenetreTransfert& f = p.Ouvre();
        p.Transfere(f.cmdUpload);
        EXPECT_EQ(p.t.dialogues.Messages(), c.messages);
        const QStringList appels = p.s.Appels();
        ASSERT_FALSE(appels.isEmpty());
        EXPECT_EQ(appels[0], QString("HM_file_exist(%1,\"TESTFILE.$$$\")").arg(kAdresse));
        if (!c.terminalAFichier) {
            EXPECT_EQ(appels.size(), 1); // no power-saving call
            continue;
        }
        EXPECT_EQ(appels[1], QString("HM_power_saving_off(%1)").arg(kAdresse));
        EXPECT_TRUE(
            appels[2].startsWith(QString("HM_upload1(%1,\"TESTFILE.$$$\",\"").arg(kAdresse)));
        EXPECT_TRUE(appels[2].contains("TESTFIL2.$$$"));
        EXPECT_EQ(appels.last(), QString("HM_power_saving_on(%1)").arg(kAdresse));
        EXPECT_TRUE(f.PrgB->isVisible()); // left visible after an upload
        if (c.fichierRecu) {
            QFile recu(p.t.Chemin("TESTFIL2.$$$"));
            ASSERT_TRUE(recu.open(QIODevice::ReadOnly));
            EXPECT_EQ(recu.readAll(), contenu);
            EXPECT_EQ(f.LblBytes->text(), "Bytes: 300");
        }
    }
}

TEST(FenetreTransfert, ADownloadSendsTheChosenFileOrStopsBeforeAnyCallWhenCancelled) {
    Poste p;
    p.t.dossier.Ecrit("envoi.txt", QByteArray(1000, 'a'));
    FenetreTransfert& f = p.Ouvre();
    p.t.dialogues.PrepareSaisie(std::nullopt); // the file dialog cancelled
    p.Transfere(f.cmdDownload);
    EXPECT_TRUE(p.s.Appels().isEmpty());
    EXPECT_FALSE(f.PrgB->isVisible());

    // A name typed into the dialog that is no file: said, and the library is not called.
    p.t.dialogues.PrepareSaisie(p.t.dossier.Chemin("absent.txt"));
    p.Transfere(f.cmdDownload);
    EXPECT_TRUE(p.s.Appels().isEmpty());
    EXPECT_EQ(p.t.dialogues.Messages(),
              QStringList({"Le fichier " + p.t.dossier.Chemin("absent.txt") + " n'existe pas."}));
    EXPECT_FALSE(f.PrgB->isVisible());

    p.t.dialogues = {};
    p.t.dialogues.PrepareSaisie(p.t.dossier.Chemin("envoi.txt"));
    p.Transfere(f.cmdDownload);
    const auto& choix = p.t.dialogues.Journal().at(0);
    EXPECT_EQ(choix.genre, DialoguesScriptes::Genre::ChoixFichier);
    EXPECT_FALSE(choix.enregistrer);
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList({"Succesfull"}));
    const QStringList appels = p.s.Appels();
    ASSERT_GE(appels.size(), 4);
    EXPECT_EQ(appels[0], QString("HM_power_saving_off(%1)").arg(kAdresse));
    EXPECT_EQ(appels[1], QString("HM_download1(%1,\"%2\",\"ESSAIS.TXT\")")
                             .arg(kAdresse, p.t.dossier.Chemin("envoi.txt")));
    EXPECT_EQ(appels.last(), QString("HM_power_saving_on(%1)").arg(kAdresse));
    EXPECT_EQ(p.s.terminal.Lit("ESSAIS.TXT"), QByteArray(1000, 'a'));
    EXPECT_FALSE(f.PrgB->isVisible()); // hidden after a download
    EXPECT_FALSE(f.LblBytes->isVisible());
}

TEST(FenetreTransfert, ATransferThatNeverEndsIsStoppedByStopOrByClosing) {
    for (const bool parFermeture : {false, true}) {
        SCOPED_TRACE(parFermeture ? "closing" : "stop");
        Poste p;
        p.s.terminal.Ecrit("TESTFILE.$$$", QByteArray(300, 'z'));
        qputenv("KOVRA_MULTIDLL_SANS_FIN", "1");
        FenetreTransfert& f = p.Ouvre();
        f.cmdUpload->click();
        // Packets keep coming while the window stays usable.
        ASSERT_TRUE(
            AttendQue([&] { return p.s.terminal.Lit("journal.txt").count("HM_upload2") > 20; }));
        EXPECT_TRUE(f.EnTransfert());
        EXPECT_TRUE(f.CmdStop->isVisible());
        EXPECT_FALSE(f.cmdDownload->isEnabled());
        EXPECT_FALSE(f.CmdSetEsc->isEnabled());
        if (parFermeture) {
            f.close();
        } else {
            f.CmdStop->click();
        }
        EXPECT_FALSE(f.EnTransfert());
        QStringList appels = p.s.Appels();
        appels.removeAll("HM_upload2()");
        EXPECT_EQ(appels.mid(appels.size() - (parFermeture ? 2 : 1)),
                  parFermeture ? QStringList({QString("HM_power_saving_on(%1)").arg(kAdresse),
                                              "HM_CloseCommPort(1)"})
                               : QStringList({QString("HM_power_saving_on(%1)").arg(kAdresse)}));
        if (!parFermeture) {
            EXPECT_TRUE(f.cmdUpload->isEnabled());
        }
    }
}

TEST(FenetreTransfert, WithoutTheLibraryTheWindowSaysWhichAndOnlyMakesTheTestFile) {
    const struct {
        QString bibliotheque;
        QString dit; // in the window's message
    } cas[] = {
        {"/nonexistent/libMultidll.so", "libMultidll.so"},
        {KOVRA_MULTIDLL_INCOMPLET, "HM_version"},
    };
    for (const auto& c : cas) {
        Poste p;
        FenetreTransfert& f = p.Ouvre(c.bibliotheque);
        EXPECT_FALSE(f.BibliothequePresente());
        EXPECT_TRUE(f.LblErreurBibliotheque->isVisible());
        EXPECT_TRUE(f.LblErreurBibliotheque->text().contains(c.dit))
            << f.LblErreurBibliotheque->text().toStdString();
        for (QPushButton* b : {f.cmdOpenCom, f.cmdUpload, f.cmdDownload, f.CmdSetEsc}) {
            EXPECT_FALSE(b->isEnabled());
        }
        f.cmdCreateTestfile->click();
        EXPECT_EQ(QFileInfo(p.t.Chemin("TESTFILE.$$$")).size(), 450 * 256);
        EXPECT_FALSE(f.PrgB->isVisible());
        f.close();
    }
}

TEST(FenetreTransfert, WhileTheLibrarysPortIsOpenKovrasStaysReleased) {
    const struct {
        const char* nom;
        bool ouvertAvant;       // Kovra's port open when "Open COM1" is clicked
        bool demandeEntreTemps; // the settings window asks for it meanwhile
        bool ouvertApres;       // once the window has closed
    } cas[] = {
        {"open before: taken back", true, false, true},
        {"open before, asked again meanwhile: taken back", true, true, true},
        {"closed before: left closed", false, false, false},
        {"closed before, asked for meanwhile: opened after", false, true, true},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        Poste p;
        kovra::test::PseudoTerminal terminal;
        const QString ini = p.t.Chemin(kPortSerie);
        EcrireIni(kSectionPort, "Port", " 1", ini);
        EcrireIni(kSectionPort, "Peripherique", terminal.Chemin(), ini);
        p.noyau->ChargeReglages();
        if (c.ouvertAvant) {
            ASSERT_FALSE(p.noyau->OuvrePort(true).Impossible());
            ASSERT_TRUE(p.noyau->Port().PortOpen());
        }

        FenetreTransfert& f = p.Ouvre(KOVRA_MULTIDLL_SUBSTITUT, false);
        f.cmdOpenCom->click();
        ASSERT_TRUE(AttendQue([&] { return !p.noyau->Port().PortOpen(); }));
        QStringList appels;
        AttendQue([&] {
            appels += p.s.Appels();
            return !appels.isEmpty();
        });
        EXPECT_EQ(appels, QStringList({"HM_OpenCommPort(1,9600,8,0,1)"}));
        EXPECT_TRUE(p.noyau->PortPrete());
        if (c.demandeEntreTemps) {
            std::optional<BilanOuverture> bilan;
            p.noyau->RouvrePort([&](const BilanOuverture& b) { bilan = b; }, true);
            ASSERT_TRUE(AttendQue([&] { return bilan.has_value(); }));
            EXPECT_TRUE(bilan->prete);
            EXPECT_FALSE(bilan->Impossible());
        }
        TourneBoucle(50);
        EXPECT_FALSE(p.noyau->Port().PortOpen()); // never under the library's port
        f.close();
        EXPECT_FALSE(p.noyau->PortPrete());
        if (c.ouvertApres) {
            EXPECT_TRUE(AttendQue([&] { return p.noyau->Port().PortOpen(); }, 10000))
                << p.t.dialogues.Messages().join(QStringLiteral(" | ")).toStdString();
        } else {
            TourneBoucle(50);
            EXPECT_FALSE(p.noyau->Port().PortOpen());
        }
    }
}
