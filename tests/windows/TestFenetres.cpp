// The import window, the progress window and the about box, shown and clicked on a real X
// server; every box they open is answered by scripted dialogues.
#include "windows/FenetreAPropos.h"
#include "windows/FenetreImport.h"
#include "windows/FenetreProgression.h"

#include "base/Version.h"
#include "link/OuverturePort.h"
#include "storage/FichierProfil.h"
#include "support/Attente.h"
#include "support/PosteImport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DossierTest;
using kovra::test::PosteImport;

namespace {

// Clicks button `n` (from 1) of a window's toolbar.
void Clique(QWidget& fenetre, const char* barre, int n) {
    auto* tlb = fenetre.findChild<QToolBar*>(barre);
    ASSERT_NE(tlb, nullptr) << barre;
    ASSERT_GE(tlb->actions().size(), n) << barre;
    QWidget* bouton = tlb->widgetForAction(tlb->actions()[n - 1]);
    ASSERT_NE(bouton, nullptr) << barre;
    QTest::mouseClick(bouton, Qt::LeftButton);
}

QString Texte(QWidget& fenetre, const char* nom) {
    if (auto* l = fenetre.findChild<QLabel*>(nom)) {
        return l->text();
    }
    if (auto* e = fenetre.findChild<QLineEdit*>(nom)) {
        return e->text();
    }
    ADD_FAILURE() << "no text control " << nom;
    return {};
}

// Scripted dialogues that also keep where each file dialog opens and what it offers.
struct DialoguesFichiers : DialoguesScriptes {
    QStringList dossiers;
    QStringList filtres;
    std::optional<QString> ChoixFichier(const QString& titre, const QString& dossier,
                                        const QString& filtre, bool enregistrer) override {
        dossiers << dossier;
        filtres << filtre;
        return DialoguesScriptes::ChoixFichier(titre, dossier, filtre, enregistrer);
    }
};

struct Fenetre {
    PosteImport p;
    DialoguesFichiers dialogues;
    kovra::test::ProgressionEnregistree progression;
    FenetreImport fenetre{*p.noyau, dialogues, progression};

    Fenetre() {
        fenetre.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&fenetre));
    }
};

} // namespace

TEST(FenetreImport, StartRefusesWithoutAFileOrASeparator) {
    const struct {
        const char* fichier;
        const char* separateur;
        const char* message;
    } cas[] = {
        {"", "", "Veuillez sélectionner un fichier à remonter"},
        {"", ";", "Veuillez sélectionner un fichier à remonter"},
        {"/tmp/import.txt", "", "Veuillez sélectionner un séparateur pour les champs"},
    };
    for (const auto& c : cas) {
        Fenetre f;
        f.fenetre.findChild<QLineEdit*>("txtFic")->setText(c.fichier);
        f.fenetre.findChild<QLineEdit*>("txtSep")->setText(c.separateur);
        Clique(f.fenetre, "TlbConnect", 1);
        ASSERT_EQ(f.dialogues.Journal().size(), 1u) << c.message;
        const auto& m = f.dialogues.Journal()[0];
        EXPECT_EQ(m.genre, DialoguesScriptes::Genre::Message);
        EXPECT_EQ(m.texte, QString::fromUtf8(c.message));
        EXPECT_EQ(m.icone, Icone::Exclamation);
        EXPECT_EQ(m.titre, "KOVRA Velar");
        EXPECT_TRUE(f.fenetre.isVisible()) << c.message; // the user corrects and starts again
        EXPECT_FALSE(f.fenetre.EnCours());
        for (const char* nom : {"Label2", "lblSep", "lblMessage"}) {
            EXPECT_FALSE(Texte(f.fenetre, nom).isEmpty()) << nom;
        }
        Clique(f.fenetre, "TlbConnect", 2);
        EXPECT_FALSE(f.fenetre.isVisible());
        EXPECT_EQ(f.dialogues.Journal().size(), 1u);
    }
}

TEST(FenetreImport, BrowseOpensOnTheFolderOfPortSerieElseHome) {
    const struct {
        const char* repertoire;
        std::optional<QString> choix;
        const char* attendu; // in txtFic
    } cas[] = {
        {"/srv/terminal", "/srv/terminal/inv.txt", "/srv/terminal/inv.txt"},
        {"", "/home/x/inv.TXT", "/home/x/inv.TXT"},
        {"/srv/terminal", std::nullopt, "déjà là"}, // cancelled: nothing changes
    };
    for (const auto& c : cas) {
        Fenetre f;
        EcrireIni(kSectionPort, "Repertoire", c.repertoire, f.p.t.Chemin(kPortSerie));
        f.fenetre.findChild<QLineEdit*>("txtFic")->setText("déjà là");
        f.dialogues.PrepareSaisie(c.choix);
        Clique(f.fenetre, "tlbOuvrir", 1);
        EXPECT_EQ(f.dialogues.dossiers,
                  QStringList{*c.repertoire ? QString(c.repertoire) : QDir::homePath()});
        EXPECT_EQ(f.dialogues.filtres,
                  QStringList{"Fichier texte (*.txt *.TXT);;Tous les fichiers (*)"});
        EXPECT_EQ(Texte(f.fenetre, "txtFic"), QString::fromUtf8(c.attendu));
    }
}

TEST(FenetreImport, StartClosesTheWindowImportsAndThenLetsItGo) {
    const struct {
        const char* nom;
        QByteArray contenu; // none: no file
        bool livre;
        const char* message;
    } cas[] = {
        {"a file", "A|1\r\nB|2\r\n", true, nullptr},
        {"no file", QByteArray(), false, "Le fichier n'existe pas"},
    };
    for (const auto& c : cas) {
        PosteImport p;
        p.ChampParLigne();
        DialoguesFichiers dialogues;
        kovra::test::ProgressionEnregistree progression;
        const QString chemin = p.t.dossier.Chemin("import.txt");
        if (!c.contenu.isNull()) {
            p.t.dossier.Ecrit("import.txt", c.contenu);
        }
        // As the tray program opens it: deleted once closed.
        QPointer<FenetreImport> fenetre = new FenetreImport(*p.noyau, dialogues, progression);
        fenetre->setAttribute(Qt::WA_DeleteOnClose);
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.data()));
        QSignalSpy fin(fenetre.data(), &FenetreImport::importTermine);

        auto* fic = fenetre->findChild<QLineEdit*>("txtFic");
        auto* sep = fenetre->findChild<QLineEdit*>("txtSep");
        QTest::keyClicks(fic, chemin);
        sep->clear();
        QTest::keyClicks(sep, "|");
        Clique(*fenetre, "TlbConnect", 1);
        ASSERT_FALSE(fenetre.isNull()) << c.nom; // still there while the file is imported
        EXPECT_FALSE(fenetre->isVisible()) << c.nom;
        EXPECT_TRUE(AttendQue([&] { return fin.count() == 1; }, 10000)) << c.nom;
        ASSERT_EQ(fin.count(), 1) << c.nom;
        EXPECT_EQ(fin.at(0).at(0).toBool(), c.livre) << c.nom;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(fenetre.isNull()) << c.nom;
        delete fenetre.data();
        if (c.livre) {
            EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "A\r\n1\r\nB\r\n2\r\n");
        } else {
            EXPECT_EQ(p.t.dialogues.Messages(), QStringList{QString::fromUtf8(c.message)});
        }
    }
}

TEST(FenetreProgression, ComesUpAtZeroWithoutTheFocusAndGoesWhenDone) {
    QLineEdit saisie; // the window the keys go to
    saisie.show();
    saisie.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&saisie));

    FenetreProgression progression;
    EXPECT_TRUE(progression.windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(progression.isVisible());
    for (int fois = 0; fois < 2; ++fois) {
        progression.Libelle("Lecture");
        EXPECT_TRUE(progression.isVisible());
        EXPECT_EQ(progression.Label1()->text(), "Lecture");
        EXPECT_EQ(progression.ProgressBar1()->value(), 0);
        // A burst of values is shown once, when the loop turns.
        for (int v = 1; v <= 70; ++v) {
            progression.Valeur(v);
        }
        EXPECT_TRUE(AttendQue([&] { return progression.ProgressBar1()->value() == 70; }));
        progression.Valeur(250);
        EXPECT_TRUE(AttendQue([&] { return progression.ProgressBar1()->value() == 100; }));
        EXPECT_EQ(QApplication::activeWindow(), &saisie);
        progression.Termine();
        EXPECT_FALSE(progression.isVisible());
    }
    // A value alone brings it up too.
    progression.Valeur(10);
    EXPECT_TRUE(progression.isVisible());
    EXPECT_TRUE(AttendQue([&] { return progression.ProgressBar1()->value() == 10; }));
}

namespace {

struct APropos {
    DialoguesScriptes dialogues;
    QList<QUrl> liens;
    bool lienOuvert = true;
    QStringList lances;
    bool lanceOk = true;
    DossierTest dossier;
    FenetreAPropos fenetre{dialogues, nullptr,
                           ServicesAPropos{[this](const QUrl& u) {
                                               liens << u;
                                               return lienOuvert;
                                           },
                                           [this](const QString& p) {
                                               lances << p;
                                               return lanceOk;
                                           },
                                           dossier.Chemin()}};
    APropos() {
        fenetre.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&fenetre));
    }
    QLabel* Lien() { return fenetre.findChild<QLabel*>("CmdURL"); }
    QColor Couleur() { return Lien()->palette().color(QPalette::WindowText); }
};

// An executable program of that name in the folder.
void Programme(const DossierTest& d, const QString& nom, const QByteArray& script = "#!/bin/sh\n",
               bool executable = true) {
    d.Ecrit(nom, script);
    if (executable) {
        QFile::setPermissions(d.Chemin(nom),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

} // namespace

TEST(FenetreAPropos, ShowsTheProgramItsVersionAndANotice) {
    APropos a;
    EXPECT_EQ(a.fenetre.windowTitle(), "À propos de KOVRA Velar ...");
    EXPECT_EQ(Texte(a.fenetre, "lblTitle"), "Kovra");
    EXPECT_EQ(Texte(a.fenetre, "lblVersion"), QStringLiteral("Version ") + kVersionTexte);
    EXPECT_GT(Texte(a.fenetre, "lblDisclaimer").size(), 40);
    const QUrl adresse(Texte(a.fenetre, "CmdURL"));
    EXPECT_TRUE(adresse.isValid() && adresse.scheme().startsWith("http"));
    auto* image = a.fenetre.findChild<QLabel*>("Image1");
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->pixmap().isNull());
    Clique(a.fenetre, "TlbConnect", 2);
    EXPECT_FALSE(a.fenetre.isVisible());
}

TEST(FenetreAPropos, TheLinkTurnsRedUnderTheMouseAndOpensTheAddress) {
    APropos a;
    const QColor rouge(255, 0, 0);
    const QColor bleu(0, 0, 255);
    EXPECT_EQ(a.Couleur(), bleu);
    const auto bouge = [](QWidget* w) {
        QMouseEvent e(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    bouge(a.Lien());
    EXPECT_EQ(a.Couleur(), rouge);
    bouge(&a.fenetre);
    EXPECT_EQ(a.Couleur(), bleu);
    QEnterEvent entree(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(a.Lien(), &entree);
    EXPECT_EQ(a.Couleur(), rouge);
    QEvent sortie(QEvent::Leave);
    QApplication::sendEvent(a.Lien(), &sortie);
    EXPECT_EQ(a.Couleur(), bleu);

    QTest::mouseClick(a.Lien(), Qt::LeftButton);
    EXPECT_EQ(a.liens, QList<QUrl>{QUrl(kAdresseEditeur)});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); // the hourglass is gone
    EXPECT_TRUE(a.dialogues.Journal().empty());
    // An address the desktop cannot open is said.
    a.lienOuvert = false;
    QTest::mouseClick(a.Lien(), Qt::LeftButton);
    EXPECT_EQ(a.dialogues.Messages().size(), 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(FenetreAPropos, TheSystemToolIsTheFirstKnownOneOnThePath) {
    DossierTest un;
    DossierTest deux;
    Programme(un, "lxtask");
    Programme(un, "kinfocenter", "#!/bin/sh\n", false); // not executable: not a program
    Programme(deux, "hardinfo");
    const QString chemins = un.Chemin() + ":" + deux.Chemin();
    EXPECT_EQ(OutilInfosSysteme(chemins), deux.Chemin("hardinfo"));
    EXPECT_EQ(OutilInfosSysteme(un.Chemin()), un.Chemin("lxtask"));
    EXPECT_EQ(OutilInfosSysteme(deux.Chemin() + "/vide:"), "");
    EXPECT_EQ(OutilInfosSysteme(""), "");
}

TEST(FenetreAPropos, TheSystemButtonStartsTheToolOrSaysThereIsNone) {
    const QString indisponible = "Les informations système ne sont pas disponibles actuellement";
    const struct {
        const char* outil; // put on the path; none: nothing there
        bool demarre;
        bool message;
    } cas[] = {
        {"gnome-system-monitor", true, false},
        {"gnome-system-monitor", false, true}, // found but does not start
        {nullptr, true, true},
    };
    for (const auto& c : cas) {
        APropos a;
        a.lanceOk = c.demarre;
        if (c.outil != nullptr) {
            Programme(a.dossier, c.outil);
        }
        Clique(a.fenetre, "TlbConnect", 1);
        EXPECT_EQ(a.lances, c.outil ? QStringList{a.dossier.Chemin(c.outil)} : QStringList{});
        if (c.message) {
            ASSERT_EQ(a.dialogues.Journal().size(), 1u);
            EXPECT_EQ(a.dialogues.Journal()[0].texte, indisponible);
            EXPECT_EQ(a.dialogues.Journal()[0].titre, kTitreApplication);
        } else {
            EXPECT_TRUE(a.dialogues.Journal().empty());
        }
        EXPECT_TRUE(a.fenetre.isVisible());
    }
}

TEST(FenetreAPropos, TheToolStartsOnItsOwn) {
    DossierTest d;
    const QString marque = d.Chemin("lance");
    Programme(d, "hardinfo", "#!/bin/sh\ntouch '" + marque.toUtf8() + "'\n");
    DialoguesScriptes dialogues;
    EXPECT_TRUE(StartSysInfo(d.Chemin(), ServicesAProposSysteme().lance, dialogues));
    EXPECT_TRUE(AttendQue([&] { return QFile::exists(marque); }, 10000));
    EXPECT_TRUE(dialogues.Journal().empty());
}
