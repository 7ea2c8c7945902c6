// Pictures of the program's windows for the README: each window made as the program makes
// it, in a fresh data folder, shown and grabbed into a PNG file of the folder given.
// Run it under Xvfb: scripts/captures.sh.
#include "app/NoyauKovra.h"
#include "base/MinuterieQt.h"
#include "dialogues/DialoguesQt.h"
#include "dialogues/DialoguesScriptes.h"
#include "dialogues/TraductionsQt.h"
#include "editor/EditeurScenario.h"
#include "inventory/FenetreInventaire.h"
#include "settings/FenetreChoixCom.h"
#include "settings/FenetreParametrage.h"
#include "settings/PageProprietes.h"
#include "settings/PageScenarios.h"
#include "shell/FenetreSplash.h"
#include "shell/MenuTray.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/GestionScenarios.h"
#include "storage/InfoBulle.h"
#include "storage/Registre.h"
#include "windows/FenetreAPropos.h"
#include "windows/FenetreImport.h"
#include "windows/FenetreProgression.h"
#include "windows/FenetreTransfert.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <cstdio>

using namespace kovra;

namespace {

bool Capture(QWidget& fenetre, const QString& fichier) {
    fenetre.show();
    if (!QTest::qWaitForWindowExposed(&fenetre, 5000)) {
        return false;
    }
    QTest::qWait(200); // the first paint of every child
    const bool ok = fenetre.grab().save(fichier);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(fichier));
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ChargeTraductionsQt(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: captures_fenetres FOLDER\n");
        return 2;
    }
    const QString dossier = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dossier);
    QTemporaryDir donnees;
    PrepareDossierDonnees(donnees.path(), DossierDefautsInstalles());
    bool ok = true;

    FenetreSplash splash(nullptr);
    splash.setAttribute(Qt::WA_DeleteOnClose, false);
    splash.TimeSplach.stop();
    ok = Capture(splash, dossier + "/splash.png") && ok;
    splash.hide();

    MenuTray menu(true, true, nullptr);
    menu.setAttribute(Qt::WA_DeleteOnClose, false);
    ok = Capture(menu, dossier + "/menu.png") && ok;
    menu.PermetFermeture();
    menu.hide();

    FenetreChoixCom choix(donnees.path());
    choix.setAttribute(Qt::WA_DeleteOnClose, false);
    choix.MontreRaison(QStringLiteral("Impossible d'ouvrir le port /dev/ttyUSB0 : il est occupé "
                                      "par un autre programme (Permission error while locking "
                                      "the device)"));
    ok = Capture(choix, dossier + "/choix-port.png") && ok;
    choix.hide();

    // The tool windows work on a core of their own, over the fresh data folder.
    Registre registre(donnees.path() + QStringLiteral("/config"));
    DialoguesScriptes dialogues;
    InfoBulleMuette bulle;
    MinuterieQt minuterie;
    ProgressionMuette muette;
    NoyauKovra noyau(
        ServicesNoyau{donnees.path(), registre, dialogues, bulle, minuterie, muette, [] {
                          return std::unique_ptr<ClavierVirtuel>();
                      }});

    FenetreImport import(noyau, dialogues, muette);
    import.findChild<QLineEdit*>(QStringLiteral("txtFic"))
        ->setText(QStringLiteral("/home/magasin/inventaire.txt"));
    ok = Capture(import, dossier + "/import.png") && ok;
    import.hide();

    FenetreProgression progression;
    progression.Libelle(QStringLiteral("Traitement des données..."));
    progression.Valeur(40);
    ok = Capture(progression, dossier + "/progression.png") && ok;
    progression.hide();

    FenetreAPropos aPropos(dialogues);
    ok = Capture(aPropos, dossier + "/a-propos.png") && ok;
    aPropos.hide();

    // The transfer window over the stand-in library, after an upload of 300 bytes.
    QTemporaryDir terminal;
    qputenv("KOVRA_MULTIDLL_TERMINAL", terminal.path().toLocal8Bit());
    {
        QFile f(terminal.filePath(kFichierTerminalUpload));
        ok = f.open(QIODevice::WriteOnly) && f.write(QByteArray(300, 'x')) == 300 && ok;
    }
    FenetreTransfert transfert({noyau, dialogues, [&] {
                                    return ChargeMultidll(QStringLiteral(KOVRA_MULTIDLL_SUBSTITUT),
                                                          donnees.path());
                                }});
    transfert.OuvrePort();
    transfert.Upload();
    ok = QTest::qWaitFor([&] { return !transfert.EnTransfert(); }, 5000) && ok;
    ok = Capture(transfert, dossier + "/transfert.png") && ok;
    transfert.close();

    // The settings window over two scenarios, the second the chosen one.
    {
        BaseScen base(donnees.path() + QStringLiteral("/Scen.db"));
        const qint16 reception =
            kovra::CreeScenario(base, {QStringLiteral("Réception"), kTypeEmulation, 0, false, {}});
        for (const char* action : {"&CODE", "TAB", "&QTY", "ENTER"}) {
            AjouteAction(base, reception, QString::fromUtf8(action), 0);
        }
        base.MetAJourBoucle(reception, 1);
        kovra::CreeScenario(base, {QStringLiteral("Inventaire"), kTypeFichier, 0, true,
                                   QStringLiteral("/srv/kovra/Inventaire.txt")});
    }
    registre.Ecrit(kRacScenChx, QStringLiteral("Réception"));
    noyau.ChargeReglages();
    FenetreParametrage parametrage(
        {noyau,
         registre,
         dialogues,
         [] {
             return QList<PeripheriqueSerie>{
                 {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART")}};
         },
         {}});
    const char* pages[] = {"parametres-connexion", "parametres-proprietes",
                           "parametres-touches-particulieres", "parametres-touches-systeme",
                           "parametres-scenarios"};
    for (int i = 0; i < parametrage.TabParam->count(); ++i) {
        parametrage.TabParam->setCurrentIndex(i);
        ok = Capture(parametrage, dossier + QStringLiteral("/%1.png").arg(pages[i])) && ok;
    }
    // The port list on its last line, a terminal on the network, its address typed.
    {
        parametrage.TabParam->setCurrentIndex(1);
        auto* port = parametrage.proprietes->findChild<QComboBox*>(QStringLiteral("CboPort"));
        auto* adresse = parametrage.proprietes->findChild<QLineEdit*>(QStringLiteral("TxtAdresse"));
        ok = port != nullptr && adresse != nullptr && ok;
        if (port != nullptr && adresse != nullptr) {
            port->setCurrentIndex(port->count() - 1);
            adresse->setText(QStringLiteral("rfc2217://quai-1.example.lan:3001"));
            ok = Capture(parametrage,
                         dossier + QStringLiteral("/parametres-proprietes-reseau.png")) &&
                 ok;
        }
    }

    // The editor on the first scenario, its third action selected.
    parametrage.scenarios->LstScen->setCurrentRow(0);
    EditeurScenario& editeur = parametrage.Editeur();
    editeur.Ouvre(*noyau.Base().NumeroParNom(QStringLiteral("Réception")));
    editeur.Actions()->LstChamps->setCurrentRow(2);
    ok = Capture(*editeur.Actions(), dossier + QStringLiteral("/editeur-champs.png")) && ok;
    editeur.Actions()->mnuflottant->popup(editeur.Actions()->mapToGlobal(QPoint(60, 40)));
    ok = Capture(*editeur.Actions()->mnuflottant, dossier + QStringLiteral("/editeur-menu.png")) &&
         ok;
    editeur.Actions()->mnuflottant->hide();
    ok = Capture(*editeur.Touches(), dossier + QStringLiteral("/editeur-touches.png")) && ok;
    ok = Capture(*editeur.Test(), dossier + QStringLiteral("/editeur-test.png")) && ok;

    // Tallyra's window, its settings filled and an inventory file chosen.
    {
        QTemporaryDir dossierTallyra;
        tallyra::FenetreInventaire inventaire(
            dossierTallyra.path(), dialogues,
            [](qint16) -> std::unique_ptr<tallyra::ServeurLedgra> { return nullptr; });
        inventaire.Txtsociete->setText(QStringLiteral("OSTRAK"));
        inventaire.Txtdepot->setText(QStringLiteral("D01"));
        inventaire.lblchemin->setText(QStringLiteral("/home/magasin/inventaire-2026.txt"));
        inventaire.lblLedgra->setText(QStringLiteral("/srv/ledgra/LedgC.db"));
        inventaire.mnuexpert->trigger();
        inventaire.TlbPrpp->actions()[0]->setEnabled(true);
        inventaire.LblMessages->setText(QStringLiteral("Importation d'inventaire terminée ..."));
        ok = Capture(inventaire, dossier + QStringLiteral("/tallyra.png")) && ok;
    }

    // Boxes Qt draws itself, in French: a question and the file dialog.
    DialoguesQt boites;
    const auto captureModale = [&](const QString& fichier) {
        QTimer::singleShot(300, [&, fichier] {
            QWidget* modale = QApplication::activeModalWidget();
            ok = modale != nullptr && Capture(*modale, fichier) && ok;
            if (auto* d = qobject_cast<QDialog*>(modale)) {
                d->reject();
            }
        });
    };
    captureModale(dossier + QStringLiteral("/question.png"));
    boites.Question(QStringLiteral("Attention. Cette suppression sera définitive. Voulez-vous "
                                   "réellement supprimer le scénario Inventaire?"),
                    Icone::Critique, kTitreApplication);
    QTemporaryDir recus;
    for (const char* nom : {"inventaire-2026-12-07.txt", "reception-quai-2.txt"}) {
        QFile f(recus.filePath(QString::fromLatin1(nom)));
        ok = f.open(QIODevice::WriteOnly) && f.write("A100;12\r\n") > 0 && ok;
    }
    captureModale(dossier + QStringLiteral("/choix-fichier.png"));
    boites.ChoixFichier(QStringLiteral("Fichier à importer"), recus.path(), kFiltreImport, false);
    return ok ? 0 : 1;
}
