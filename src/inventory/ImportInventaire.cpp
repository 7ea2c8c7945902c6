#include "inventory/ImportInventaire.h"

#include "base/ErreurKovra.h"
#include "inventory/DossierTallyra.h"
#include "inventory/FichierErreurs.h"
#include "inventory/QuantiteInventaire.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <cmath>

namespace kovra::tallyra {

namespace {

const QString kErreurFichier = QStringLiteral("Erreur dans votre fichier d'inventaire: ");
const QString kTermine = QStringLiteral("Importation d'inventaire terminée ...");

// "ligne 4 du fichier", "lignes 2 à 4, 7 et 9 à 12 du fichier": runs of consecutive
// numbers; past a handful of runs, the rest is summed up by the last line.
QString NommeLignes(const std::vector<int>& numeros) {
    constexpr int kPlagesNommees = 6;
    QStringList plages;
    std::size_t i = 0;
    while (i < numeros.size() && plages.size() < kPlagesNommees) {
        std::size_t j = i;
        while (j + 1 < numeros.size() && numeros[j + 1] == numeros[j] + 1) {
            ++j;
        }
        plages << (j == i ? QString::number(numeros[i])
                          : QStringLiteral("%1 à %2").arg(numeros[i]).arg(numeros[j]));
        i = j + 1;
    }
    QString texte;
    if (i < numeros.size()) {
        texte =
            plages.join(QStringLiteral(", ")) + QStringLiteral(" … jusqu'à %1").arg(numeros.back());
    } else if (plages.size() == 1) {
        texte = plages.front();
    } else {
        texte = plages.mid(0, plages.size() - 1).join(QStringLiteral(", ")) +
                QStringLiteral(" et ") + plages.back();
    }
    const bool une = numeros.size() == 1;
    return (une ? QStringLiteral("ligne ") : QStringLiteral("lignes ")) + texte +
           QStringLiteral(" du fichier");
}

} // namespace

ImportInventaire::ImportInventaire(DemandeImport demande, ServeurTenu& tenu,
                                   FabriqueServeur fabrique, SuiviImport& suivi,
                                   const QLocale& locale, QObject* parent)
    : QObject(parent), demande_(std::move(demande)), tenu_(tenu), fabrique_(std::move(fabrique)),
      suivi_(suivi), locale_(locale) {}

void ImportInventaire::Lance() {
    QTimer::singleShot(0, this, [this] {
        if (suspendu_) {
            pasEnAttente_ = true;
            return;
        }
        if (AvanceUnPas()) {
            Lance();
        } else {
            emit Fini();
        }
    });
}

void ImportInventaire::Execute() {
    while (AvanceUnPas()) {
    }
}

void ImportInventaire::Suspend() {
    suspendu_ = true;
}

void ImportInventaire::Reprend() {
    suspendu_ = false;
    if (pasEnAttente_) {
        pasEnAttente_ = false;
        Lance();
    }
}

void ImportInventaire::Abandonne() {
    if (phase_ == Phase::Fini) {
        return;
    }
    if (bilan_.issue == IssueImport::EnCours) {
        bilan_.issue = IssueImport::Abandonnee;
    }
    tenu_.serveur.reset();
    phase_ = Phase::Fini;
}

QString ImportInventaire::QuestionAbandon() const {
    const QString question = QStringLiteral(" Voulez-vous l'abandonner ?");
    switch (phase_) {
    case Phase::Preparation:
    case Phase::Recherche:
        return QStringLiteral("La préparation de l'importation est en cours : rien n'a encore "
                              "été envoyé à la ledgra.") +
               question;
    case Phase::Fermeture:
    case Phase::Fini:
        if (bilan_.issue != IssueImport::EnCours) {
            return {};
        }
        break;
    default:
        break;
    }
    if (bilan_.lignesPostees == 0) {
        return QStringLiteral("Une importation est en cours : aucune ligne n'a encore été "
                              "transmise à la ledgra.") +
               question;
    }
    std::vector<int> numeros;
    numeros.reserve(static_cast<std::size_t>(bilan_.lignesPostees));
    for (int i = 0; i < bilan_.lignesPostees; ++i) {
        numeros.push_back(aPoster_[static_cast<std::size_t>(i)].numero);
    }
    const QString lignes = NommeLignes(numeros);
    const QString texte =
        bilan_.lignesPostees == 1
            ? QStringLiteral("Une importation est en cours : 1 ligne sur %1 a déjà été transmise "
                             "à la ledgra (%2) et y restera sans être validée.")
                  .arg(bilan_.lignesAPoster)
                  .arg(lignes)
            : QStringLiteral("Une importation est en cours : %1 lignes sur %2 ont déjà été "
                             "transmises à la ledgra (%3) et y resteront sans être validées.")
                  .arg(bilan_.lignesPostees)
                  .arg(bilan_.lignesAPoster)
                  .arg(lignes);
    return texte + question;
}

bool ImportInventaire::AvanceUnPas() {
    switch (phase_) {
    case Phase::Preparation:
        Prepare();
        break;
    case Phase::Recherche:
        Recherche();
        break;
    case Phase::Ouverture:
        // A server held from an earlier import serves only the same edition, and only
        // while the instance that saw its calls is still there.
        if (tenu_.serveur && (tenu_.edition != demande_.edition || !tenu_.serveur->Vivant())) {
            tenu_.serveur.reset();
        }
        if (tenu_.serveur) {
            phase_ = Phase::Init;
        } else {
            suivi_.Etat(QStringLiteral("Ouverture du serveur ..."));
            phase_ = Phase::Creation;
        }
        break;
    case Phase::Creation: {
        tenu_.edition = demande_.edition;
        try {
            tenu_.serveur = fabrique_(demande_.edition);
        } catch (const ErreurKovra& e) {
            tenu_.serveur.reset();
            ErreurAppel(e.Message());
            break;
        }
        phase_ = Phase::Init;
        break;
    }
    case Phase::Init: {
        suivi_.Etat(QStringLiteral("Importation des données ..."));
        const ResultatAppel r = tenu_.serveur->Init(demande_.societe, QString(), QString());
        if (!r.ok) {
            ErreurAppel(QStringLiteral("Init : ") + r.erreur);
            break;
        }
        phase_ = Phase::InitInventaire;
        break;
    }
    case Phase::InitInventaire: {
        const ResultatAppel r = tenu_.serveur->InitInventaire(demande_.depot);
        if (!r.ok) {
            ErreurAppel(QStringLiteral("InitInventaire : ") + r.erreur);
            break;
        }
        if (!r.Vrai()) {
            bilan_.issue = IssueImport::Refusee;
            phase_ = Phase::Fermeture;
            break;
        }
        index_ = 0;
        phase_ = aPoster_.empty() ? Phase::Validation : Phase::Lignes;
        break;
    }
    case Phase::Lignes: {
        const LigneAPoster& l = aPoster_[index_];
        const ResultatAppel r =
            tenu_.serveur->InventaireArticle(demande_.depot, l.article, l.quantite);
        if (!r.ok) {
            QString issue;
            if (r.remise == Remise::Recue) {
                // It reached the management application, which holds it now.
                ++bilan_.lignesPostees;
                issue = QStringLiteral(" ; la ligne a été transmise, réponse illisible");
            } else if (r.remise == Remise::Inconnue) {
                issue = QStringLiteral(" ; on ne sait pas si la ledgra a reçu cette ligne");
            }
            ErreurAppel(QStringLiteral("InventaireArticle, ligne %1 du fichier : %2%3")
                            .arg(l.numero)
                            .arg(r.erreur, issue));
            break;
        }
        ++bilan_.lignesPostees;
        suivi_.Progression(static_cast<int>(100LL * bilan_.lignesPostees / bilan_.lignesAPoster));
        if (++index_ == aPoster_.size()) {
            phase_ = Phase::Validation;
        }
        break;
    }
    case Phase::Validation: {
        const ResultatAppel r = tenu_.serveur->ValidationInventaire(demande_.depot);
        if (!r.ok) {
            ErreurAppel(QStringLiteral("ValidationInventaire : ") + r.erreur);
            break;
        }
        suivi_.Progression(100);
        bilan_.issue = IssueImport::Validee;
        phase_ = Phase::Fermeture;
        break;
    }
    case Phase::Fermeture:
        Fermeture();
        break;
    case Phase::Fini:
        return false;
    }
    return phase_ != Phase::Fini;
}

void ImportInventaire::Prepare() {
    suivi_.Progression(0);
    try {
        base_.Ouvre(demande_.baseLedgra);
    } catch (const ErreurKovra& e) {
        ErreurPreparation(e.Message());
        return;
    }
    QFile f(demande_.fichierInventaire);
    if (!f.open(QIODevice::ReadOnly)) {
        ErreurPreparation(
            QStringLiteral("le fichier %1 ne peut pas être lu (%2)")
                .arg(QDir::toNativeSeparators(demande_.fichierInventaire), f.errorString()));
        return;
    }
    const QByteArray octets = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        ErreurPreparation(
            QStringLiteral("le fichier %1 ne peut pas être lu (%2)")
                .arg(QDir::toNativeSeparators(demande_.fichierInventaire), f.errorString()));
        return;
    }
    lues_ = LignesInventaire(octets);
    index_ = 0;
    phase_ = Phase::Recherche;
}

void ImportInventaire::Recherche() {
    // A slice of lines per turn of the event loop, and where the preparation stands.
    const std::size_t fin = std::min(lues_.size(), index_ + kLignesParPas);
    while (index_ < fin && phase_ == Phase::Recherche) {
        RechercheLigne(lues_[index_++]);
    }
    if (phase_ != Phase::Recherche) {
        return;
    }
    if (index_ < lues_.size()) {
        const int pourcent = static_cast<int>(100 * index_ / lues_.size());
        suivi_.Progression(pourcent);
        if (pourcent / 10 != dixiemesMontres_) {
            dixiemesMontres_ = pourcent / 10;
            suivi_.Etat(QStringLiteral("Préparation … %1 / %2").arg(index_).arg(lues_.size()));
        }
        return;
    }
    FinRecherche();
}

void ImportInventaire::RechercheLigne(const LigneInventaire& l) {
    const std::optional<QString> quantite = TexteQuantite(l.quantite, locale_);
    if (!quantite) {
        ErreurPreparation(QStringLiteral("la quantité de la ligne %1 a plus de 15 chiffres "
                                         "significatifs : la ledgra ne peut pas la tenir "
                                         "exactement")
                              .arg(l.numero));
        return;
    }
    if (l.code.isEmpty()) {
        // Without a code the line would match any article with an empty barcode; the
        // whole line is listed so the user can find it.
        bilan_.articlesManquants << l.texte;
        return;
    }
    std::optional<QString> article;
    try {
        article = base_.RechercheRef(l.code);
    } catch (const ErreurKovra& e) {
        ErreurPreparation(
            QStringLiteral("recherche de la ligne %1 : %2").arg(l.numero).arg(e.Message()));
        return;
    }
    if (!article) {
        bilan_.articlesManquants << l.code;
        return;
    }
    aPoster_.push_back({l.numero, *article, *quantite});
}

void ImportInventaire::FinRecherche() {
    if (!lues_.empty()) {
        suivi_.Etat(QStringLiteral("Préparation … %1 / %2").arg(lues_.size()).arg(lues_.size()));
    }
    bilan_.lignesAPoster = static_cast<int>(aPoster_.size());
    try {
        AjouteArticlesManquants(demande_.dossier + u'/' + kErrInventaire, bilan_.articlesManquants);
    } catch (const ErreurKovra& e) {
        ErreurPreparation(e.Message());
        return;
    }
    // Validating an inventory of nothing would set the depot's stock to what the file does
    // not say: it is never what the user meant.
    if (aPoster_.empty()) {
        ErreurPreparation(
            lues_.empty()
                ? QStringLiteral("le fichier %1 ne contient aucune ligne d'inventaire")
                      .arg(QDir::toNativeSeparators(demande_.fichierInventaire))
                : QStringLiteral("aucun article du fichier %1 n'a été trouvé dans la base ; "
                                 "ils sont listés dans %2")
                      .arg(QDir::toNativeSeparators(demande_.fichierInventaire),
                           CheminTallyra(demande_.dossier, kErrInventaire)));
        return;
    }
    phase_ = Phase::Ouverture;
}

void ImportInventaire::Fermeture() {
    suivi_.Etat(QStringLiteral("Fermeture du serveur ..."));
    tenu_.serveur.reset();
    phase_ = Phase::Fini;
    if (bilan_.issue == IssueImport::Refusee) {
        bilan_.message = QStringLiteral("La ledgra a refusé d'ouvrir l'inventaire du dépôt %1 : "
                                        "aucune ligne n'a été transmise.")
                             .arg(demande_.depot);
        suivi_.Etat(bilan_.message);
        suivi_.Message(bilan_.message, Icone::Critique);
        return;
    }
    suivi_.Etat(kTermine);
    suivi_.Message(kTermine, Icone::Aucune);
    if (!bilan_.articlesManquants.isEmpty()) {
        suivi_.Message(QStringLiteral("Certains articles n'ont pu être remontés. Vous trouverez "
                                      "une liste de ces articles dans le fichier\r\n\r\n") +
                           CheminTallyra(demande_.dossier, kErrInventaire),
                       Icone::Critique);
    }
    suivi_.Bip();
}

void ImportInventaire::ErreurPreparation(const QString& description) {
    bilan_.issue = IssueImport::Erreur;
    bilan_.message = kErreurFichier + description +
                     QStringLiteral("\r\n\r\nAucune ligne n'a été transmise à la ledgra.");
    phase_ = Phase::Fini;
    suivi_.Message(bilan_.message, Icone::Critique);
}

void ImportInventaire::ErreurAppel(const QString& description) {
    bilan_.issue = IssueImport::Erreur;
    bilan_.message = kErreurFichier + description +
                     QStringLiteral("\r\n\r\nLignes transmises à la ledgra : %1 sur %2.")
                         .arg(bilan_.lignesPostees)
                         .arg(bilan_.lignesAPoster);
    phase_ = Phase::Fini;
    suivi_.Message(bilan_.message, Icone::Critique);
}

} // namespace kovra::tallyra
