#include "cli/Cli.h"

#include "base/ErreurKovra.h"
#include "base/Version.h"
#include "cli/Commande.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"

#include <QDir>
#include <algorithm>

namespace kovra {

namespace {

std::vector<Commande> TableCommandes() {
    std::vector<Commande> table;
    AjouteCommandesDossier(table);
    AjouteCommandesIni(table);
    AjouteCommandesRegistre(table);
    AjouteCommandesScenario(table);
    AjouteCommandesTraitement(table);
    AjouteCommandesClavier(table);
    AjouteCommandesEcoute(table);
    AjouteCommandesImport(table);
    AjouteCommandesPort(table);
    AjouteCommandesTransfert(table);
    AjouteCommandesDiagnostic(table);
    AjouteCommandesAutostart(table);
    return table;
}

void Aide(const std::vector<Commande>& table, QTextStream& out) {
    out << "Usage: kovra-cli [--dir DATA] COMMAND [ARGUMENTS]\n"
           "       kovra-cli --help | --version\n\n"
           "Runs Kovra's own code on a data folder, for administrators and scripts.\n"
           "DATA is the data folder; without --dir, $KOVRA_DIR, else ~/.local/share/kovra.\n"
           "A missing or incomplete data folder is created and filled with the defaults.\n\n"
           "Commands:\n";
    for (const Commande& c : table) {
        out << "  " << c.syntaxe << "\n      " << c.aide << "\n";
    }
    out << "\nExit status: 0 done, 1 failed, 2 wrong command line; 128 + the signal's number "
           "when a signal stopped a transfer (130 for Ctrl+C).\n";
}

// The command whose words start the line, the longest such.
const Commande* Trouve(const std::vector<Commande>& table, const QStringList& mots) {
    const Commande* meilleure = nullptr;
    for (const Commande& c : table) {
        if (c.mots.size() <= mots.size() && mots.mid(0, c.mots.size()) == c.mots &&
            (meilleure == nullptr || c.mots.size() > meilleure->mots.size())) {
            meilleure = &c;
        }
    }
    return meilleure;
}

Appel Analyse(const Commande& c, const QStringList& reste) {
    Appel appel;
    bool options = true; // "--" ends the options: what follows is taken as it stands
    for (qsizetype i = 0; i < reste.size(); ++i) {
        const QString& mot = reste[i];
        if (options && mot == u"--") {
            options = false;
        } else if (options && mot.startsWith(QStringLiteral("--")) && mot.size() > 2) {
            QString nom = mot;
            QString valeur;
            bool valeurJointe = false;
            if (const qsizetype egal = mot.indexOf(u'='); egal > 0) {
                nom = mot.left(egal);
                valeur = mot.mid(egal + 1);
                valeurJointe = true;
            }
            const auto o = std::find_if(c.options.begin(), c.options.end(),
                                        [&](const OptionCli& x) { return x.nom == nom; });
            if (o == c.options.end()) {
                throw ErreurUsage(QStringLiteral("unknown option %1").arg(nom));
            }
            if (o->avecValeur && !valeurJointe) {
                if (i + 1 >= reste.size()) {
                    throw ErreurUsage(QStringLiteral("option %1 needs a value").arg(nom));
                }
                valeur = reste[++i];
            } else if (!o->avecValeur && valeurJointe) {
                throw ErreurUsage(QStringLiteral("option %1 takes no value").arg(nom));
            }
            appel.options.insert(nom, valeur);
            appel.repetees[nom] << valeur;
        } else {
            appel.positionnels << mot;
        }
    }
    const qsizetype plus = std::max(c.nbPositionnels, c.nbPositionnelsMax);
    if (appel.positionnels.size() < c.nbPositionnels || appel.positionnels.size() > plus) {
        throw ErreurUsage(QStringLiteral("wrong number of arguments"));
    }
    return appel;
}

} // namespace

int ExecuteCli(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs,
               QIODevice& entree, Registre& registre, const QString& dossierDefauts) {
    const std::vector<Commande> table = TableCommandes();
    ContexteCli ctx(registre, sortie, erreurs, entree, dossierDefauts);

    // Global options come before the command.
    QStringList reste = arguments;
    while (!reste.isEmpty() && reste.front().startsWith(QStringLiteral("--"))) {
        const QString option = reste.takeFirst();
        if (option == u"--help") {
            Aide(table, sortie);
            return 0;
        }
        if (option == u"--version") {
            sortie << "kovra-cli " << kVersionTexte << "\n";
            return 0;
        }
        if (option == u"--dir" && !reste.isEmpty()) {
            ctx.optionDossier = reste.takeFirst();
        } else if (option.startsWith(QStringLiteral("--dir="))) {
            ctx.optionDossier = option.mid(6);
        } else {
            erreurs << "kovra-cli: "
                    << (option == u"--dir" ? QStringLiteral("--dir needs a folder")
                                           : QStringLiteral("unknown option ") + option)
                    << "\nTry 'kovra-cli --help'.\n";
            return 2;
        }
    }
    if (reste.isEmpty() || reste.front() == u"help") {
        Aide(table, reste.isEmpty() ? erreurs : sortie);
        return reste.isEmpty() ? 2 : 0;
    }

    const Commande* commande = Trouve(table, reste);
    if (commande == nullptr) {
        erreurs << "kovra-cli: unknown command '" << reste.join(u' ')
                << "'\nTry 'kovra-cli --help'.\n";
        return 2;
    }
    const QStringList apres = reste.mid(commande->mots.size());
    if (apres.contains(QStringLiteral("--help"))) {
        sortie << "Usage: kovra-cli [--dir DATA] " << commande->syntaxe << "\n"
               << commande->aide << "\n";
        return 0;
    }
    try {
        commande->execute(ctx, Analyse(*commande, apres));
    } catch (const ErreurUsage& e) {
        erreurs << "kovra-cli: " << e.Message() << "\nUsage: kovra-cli [--dir DATA] "
                << commande->syntaxe << "\n";
        return 2;
    } catch (const ArretParSignal& e) {
        erreurs << "kovra-cli: " << e.Message() << "\n";
        return e.Statut();
    } catch (const ErreurKovra& e) {
        erreurs << "kovra-cli: " << e.Message() << "\n";
        return 1;
    }
    return 0;
}

QString ContexteCli::DossierPret() {
    if (dossierPret_.isEmpty()) {
        const QString dossier = ResoutDossierDonnees(optionDossier);
        const QString avis =
            AvisBaseRecreee(dossier, PrepareDossierDonnees(dossier, dossierDefauts));
        if (!avis.isEmpty()) {
            erreurs << "kovra-cli: " << avis << "\n";
        }
        dossierPret_ = dossier;
    }
    return dossierPret_;
}

BaseScen& ContexteCli::Base() {
    if (base_ == nullptr) {
        base_ = std::make_unique<BaseScen>(CheminDonnee(DossierPret(), kScenDb));
    }
    return *base_;
}

QString ContexteCli::CheminFichier(const QString& nom) {
    if (QDir::isAbsolutePath(nom)) {
        return nom;
    }
    return DossierPret() + u'/' + nom;
}

int EntierArgument(const QString& texte, const QString& quoi, int min, int max) {
    bool ok = false;
    const int n = texte.toInt(&ok);
    if (!ok || n < min || n > max) {
        throw ErreurUsage(
            QStringLiteral("%1 must be a whole number from %2 to %3").arg(quoi).arg(min).arg(max));
    }
    return n;
}

} // namespace kovra
