#pragma once

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/Registre.h"

#include <QIODevice>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kovra {

// A command line that does not fit its command: exit status 2 with the usage text.
class ErreurUsage : public ErreurKovra {
public:
    using ErreurKovra::ErreurKovra;
};

// A command that a signal stopped once its work was put in order: the message is told and
// the exit status is `statut` (128 + the signal's number).
class ArretParSignal : public ErreurKovra {
public:
    ArretParSignal(int statut, const QString& message) : ErreurKovra(message), statut_(statut) {}
    int Statut() const { return statut_; }

private:
    int statut_;
};

// What every command works with.
struct ContexteCli {
    ContexteCli(Registre& r, QTextStream& s, QTextStream& e, QIODevice& en, QString defauts)
        : dossierDefauts(std::move(defauts)), registre(r), sortie(s), erreurs(e), entree(en) {}

    QString optionDossier;  // --dir, empty when not given
    QString dossierDefauts; // default files installed with the program
    Registre& registre;
    QTextStream& sortie;
    QTextStream& erreurs;
    QIODevice& entree; // standard input

    // The data folder, created and completed on first use.
    QString DossierPret();
    // A file named on the command line: relative to the data folder unless absolute.
    QString CheminFichier(const QString& nom);
    // The scenario database of the data folder, opened on first use.
    BaseScen& Base();

private:
    QString dossierPret_;
    std::unique_ptr<BaseScen> base_;
};

// The words after the command's own: positional arguments and options.
struct Appel {
    QStringList positionnels;
    QMap<QString, QString> options;      // flags map to an empty text; the last value given
    QMap<QString, QStringList> repetees; // every value of each option, in command-line order

    bool A(const QString& option) const { return options.contains(option); }
    QString Valeur(const QString& option) const { return options.value(option); }
    QStringList Valeurs(const QString& option) const { return repetees.value(option); }
};

struct OptionCli {
    QString nom;
    bool avecValeur;
};

struct Commande {
    QStringList mots;         // e.g. "scenario", "create"
    qsizetype nbPositionnels; // exactly this many, or at least (nbPositionnelsMax)
    std::vector<OptionCli> options;
    QString syntaxe; // as shown in the help
    QString aide;    // one line
    std::function<void(ContexteCli&, const Appel&)> execute;
    qsizetype nbPositionnelsMax = -1; // up to this many when more than nbPositionnels may come
};

// The command groups; each adds its commands to the table.
void AjouteCommandesDossier(std::vector<Commande>& table);
void AjouteCommandesIni(std::vector<Commande>& table);
void AjouteCommandesRegistre(std::vector<Commande>& table);
void AjouteCommandesScenario(std::vector<Commande>& table);
void AjouteCommandesTraitement(std::vector<Commande>& table);
void AjouteCommandesClavier(std::vector<Commande>& table);
void AjouteCommandesEcoute(std::vector<Commande>& table);
void AjouteCommandesImport(std::vector<Commande>& table);
void AjouteCommandesPort(std::vector<Commande>& table);
void AjouteCommandesTransfert(std::vector<Commande>& table);
void AjouteCommandesDiagnostic(std::vector<Commande>& table);
void AjouteCommandesAutostart(std::vector<Commande>& table);

// A whole number within [min, max] given for `quoi`, or ErreurUsage.
int EntierArgument(const QString& texte, const QString& quoi, int min, int max);

} // namespace kovra
