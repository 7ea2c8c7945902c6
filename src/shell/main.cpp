// kovra: the tray program.
#include "app/VerrouInstance.h"
#include "base/ErreurKovra.h"
#include "base/GardeFinale.h"
#include "base/MinuterieQt.h"
#include "dialogues/DialoguesQt.h"
#include "dialogues/Icones.h"
#include "dialogues/TraductionsQt.h"
#include "keyboard/FabriqueClavier.h"
#include "settings/FenetreParametrage.h"
#include "shell/FenetreSplash.h"
#include "shell/FenetresOutils.h"
#include "shell/OptionsKovra.h"
#include "shell/ProgrammeKovra.h"
#include "storage/DossierDonnees.h"
#include "storage/Registre.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <memory>

using namespace kovra;

namespace {

int Lance(QApplication& app, const OptionsKovra& options) {
    DialoguesQt dialogues;
    QString dossier;
    QString avisBase;
    try {
        dossier = ResoutDossierDonnees(options.dossier);
        avisBase =
            AvisBaseRecreee(dossier, PrepareDossierDonnees(dossier, DossierDefautsInstalles()));
    } catch (const ErreurKovra& e) {
        dialogues.Message(e.Message() + QStringLiteral("\r\n\r\nL'application va se fermer."),
                          Icone::Critique);
        return 1;
    }
    VerrouInstance verrou(dossier);
    if (const PriseVerrou prise = verrou.Prend(); !prise.Prise()) {
        // Said on the terminal too, for a start from a script or a login session.
        if (prise.issue == PriseVerrou::Issue::AutreInstance) {
            std::fprintf(stderr, "kovra: %s (%s)\n", qPrintable(prise.message),
                         qPrintable(dossier));
        } else {
            std::fprintf(stderr, "kovra: %s\n", qPrintable(prise.message));
        }
        dialogues.Message(prise.message, Icone::Critique);
        return 1;
    }
    if (!avisBase.isEmpty()) {
        std::fprintf(stderr, "kovra: %s\n", qPrintable(avisBase));
        dialogues.Message(avisBase, Icone::Exclamation);
    }

    Registre registre;
    MinuterieQt minuterie;
    FenetresOutils outils;
    std::unique_ptr<ProgrammeKovra> programme;
    ServicesProgramme services{
        dossier,
        registre,
        dialogues,
        minuterie,
        outils.Avancement(),
        CreeClavierSession,
        [&] { outils.OuvreAPropos(dialogues); },
        [&] { outils.OuvreImport(programme->Noyau(), dialogues); },
        [&](const QString& fichier) { outils.Importe(programme->Noyau(), dialogues, fichier); },
        [&] {
            outils.OuvreParametrage(
                {programme->Noyau(), registre, dialogues, PeripheriquesPresents, [&] {
                     outils.OuvreTransfert(programme->Noyau(), dialogues);
                 }});
        },
        [] { return QSystemTrayIcon::isSystemTrayAvailable(); },
        [](int statut) {
            QCoreApplication::exit(statut);
        }};
    services.clavierAuDemarrage = SessionWayland();
    services.limiteClavier = LimiteClavier;
    const auto demarre = [&] {
        programme = std::make_unique<ProgrammeKovra>(services);
        if (!programme->Demarre()) {
            QCoreApplication::exit(1);
        }
    };
    if (options.sansSplash) {
        QMetaObject::invokeMethod(&app, demarre, Qt::QueuedConnection);
    } else {
        (new FenetreSplash(demarre))->show();
    }
    const int statut = QApplication::exec();
    // The windows use the core: they go first.
    outils.FermeFenetres();
    programme.reset();
    return statut;
}

} // namespace

int main(int argc, char* argv[]) {
    // What needs no display is answered before the application connects to one.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const OptionsKovra options = LitOptions(arguments);
    switch (options.demande) {
    case OptionsKovra::Demande::Aide:
        std::fputs(AideKovra().toLocal8Bit().constData(), stdout);
        return 0;
    case OptionsKovra::Demande::Version:
        std::fputs(VersionKovra().toLocal8Bit().constData(), stdout);
        return 0;
    case OptionsKovra::Demande::Erreur:
        std::fprintf(stderr, "kovra: %s\nTry 'kovra --help'.\n", qPrintable(options.erreur));
        return 2;
    case OptionsKovra::Demande::Lancer:
        break;
    }
    const QString sansAffichage =
        AbsenceAffichage(qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                         qEnvironmentVariable("QT_QPA_PLATFORM"));
    if (!sansAffichage.isEmpty()) {
        std::fprintf(stderr, "kovra: %s\n", qPrintable(sansAffichage));
        return 1;
    }
    ApplicationProtegee<QApplication> app(argc, argv, [](const QString& message) {
        std::fprintf(stderr, "kovra: erreur inattendue : %s\n", qPrintable(message));
        QMessageBox::critical(nullptr, kTitreApplication,
                              QStringLiteral("Erreur inattendue : ") + message +
                                  QStringLiteral("\r\n\r\nL'application va se fermer."));
    });
    QApplication::setApplicationName(QStringLiteral("kovra"));
    // Qt's own buttons and file dialog in French, like the rest of the program.
    ChargeTraductionsQt(app);
    // Desktops match the windows to the menu entry (and its icon) by this name.
    QApplication::setDesktopFileName(QStringLiteral("kovra"));
    QApplication::setWindowIcon(IconeKovra(QStringLiteral("kovra")));
    // The program lives behind its tray icon: closing a window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    return ExecuteProtege([&] { return Lance(app, options); },
                          [](const QString& message) {
                              std::fprintf(stderr, "kovra: erreur inattendue : %s\n",
                                           qPrintable(message));
                          });
}
