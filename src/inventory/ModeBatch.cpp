#include "inventory/ModeBatch.h"

#include "inventory/DossierTallyra.h"
#include "inventory/ImportInventaire.h"
#include "inventory/ParametresTallyra.h"
#include "inventory/ServeurLedgraDBus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace kovra::tallyra {

namespace {

void Ecrit(const QString& texte) {
    std::fprintf(stderr, "%s\n", texte.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Messages of the import on standard error; no progress bar and no sound.
class SuiviConsole : public SuiviImport {
public:
    void Etat(const QString& texte) override {
        Ecrit(texte);
        dernier_ = texte;
    }
    void Progression(int) override {}
    void Message(const QString& texte, Icone icone) override {
        // The completion message, or a refusal, was already written as a stage.
        if (icone == Icone::Aucune || texte == dernier_) {
            return;
        }
        QString t = texte;
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        Ecrit(t);
        dernier_ = texte;
    }
    void Bip() override {}

private:
    QString dernier_; // the last line written
};

} // namespace

int ExecuteModeBatch(const QStringList& arguments) {
    QCommandLineParser p;
    const QCommandLineOption batch(QStringLiteral("batch"), QStringLiteral("Run without window."));
    const QCommandLineOption inventaire(QStringLiteral("inventory"),
                                        QStringLiteral("Inventory file."), QStringLiteral("file"));
    const QCommandLineOption societe(QStringLiteral("company"), QStringLiteral("Company code."),
                                     QStringLiteral("code"));
    const QCommandLineOption depot(QStringLiteral("depot"), QStringLiteral("Depot code."),
                                   QStringLiteral("code"));
    const QCommandLineOption edition(QStringLiteral("edition"),
                                     QStringLiteral("Edition of the management application."),
                                     QStringLiteral("1|2"));
    const QCommandLineOption base(QStringLiteral("database"), QStringLiteral("Article database."),
                                  QStringLiteral("path"));
    const QCommandLineOption dossier(QStringLiteral("dir"), QStringLiteral("Tallyra's folder."),
                                     QStringLiteral("dir"));
    p.addOptions({batch, inventaire, societe, depot, edition, base, dossier});
    const auto usage = [](const QString& texte) {
        Ecrit(texte);
        Ecrit(QStringLiteral("usage: tallyra --batch --inventory FILE [--company C] [--depot D] "
                             "[--edition 1|2] [--database PATH] [--dir DIR]"));
        return 2;
    };
    if (!p.parse(arguments)) {
        return usage(p.errorText());
    }
    if (!p.positionalArguments().isEmpty()) {
        return usage(QStringLiteral("unexpected argument: ") + p.positionalArguments().front());
    }
    if (!p.isSet(inventaire) || p.value(inventaire).isEmpty()) {
        return usage(QStringLiteral("Vous devez selectionner un fichier d'inventaire"));
    }
    const QString dir = ResoutDossierTallyra(p.value(dossier));
    const ParametresTallyra reglages = LitParametres(dir);
    DemandeImport d;
    d.societe = p.isSet(societe) ? p.value(societe) : reglages.Societe;
    d.depot = p.isSet(depot) ? p.value(depot) : reglages.Depot;
    d.baseLedgra = p.isSet(base) ? p.value(base) : reglages.LedgraPath;
    d.fichierInventaire = p.value(inventaire);
    d.dossier = dir;
    d.edition = reglages.edition.VersionLedgra;
    if (p.isSet(edition)) {
        if (p.value(edition) != u"1" && p.value(edition) != u"2") {
            return usage(QStringLiteral("--edition takes 1 or 2"));
        }
        d.edition = static_cast<qint16>(p.value(edition).toShort());
    }
    if (d.societe.isEmpty() || d.depot.isEmpty()) {
        return usage(QStringLiteral("Vous devez saisir un code dépôt et un code société"));
    }
    if (d.baseLedgra.isEmpty()) {
        return usage(
            QStringLiteral("Vous devez selectionner le fichier LedgC.mdb de votre ledgra"));
    }

    ServeurTenu tenu;
    SuiviConsole suivi;
    ImportInventaire import(d, tenu, FabriqueServeurDBus(), suivi);
    QObject::connect(&import, &ImportInventaire::Fini, QCoreApplication::instance(),
                     [] { QCoreApplication::exit(0); });
    import.Lance();
    QCoreApplication::exec();
    return import.Bilan().Complete() ? 0 : 1;
}

} // namespace kovra::tallyra
