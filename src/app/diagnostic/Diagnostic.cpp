#include "app/diagnostic/Diagnostic.h"

#include "app/diagnostic/Verifications.h"
#include "base/ErreurKovra.h"
#include "transfer/BibliothequeMultidll.h"

#include <algorithm>

namespace kovra {

QString LigneConstat(const Constat& c) {
    const QString niveau = c.niveau == Niveau::Ok     ? QStringLiteral("ok    ")
                           : c.niveau == Niveau::Note ? QStringLiteral("note  ")
                                                      : QStringLiteral("FAIL  ");
    return niveau + c.sujet + QStringLiteral(": ") + c.texte;
}

bool AEchoue(const std::vector<Constat>& constats) {
    return std::any_of(constats.begin(), constats.end(),
                       [](const Constat& c) { return c.niveau == Niveau::Echec; });
}

void VerifieTransfert(const DescriptionPoste& poste, Bilan& bilan) {
    const QString sujet = QStringLiteral("transfer library");
    const ChargementMultidll charge = ChargeMultidll(
        poste.environnement.value(QStringLiteral("KOVRA_MULTIDLL")), poste.dossierDonnees);
    if (charge.bibliotheque) {
        bilan.Ok(sujet, charge.chemin);
    } else if (!charge.essayes.isEmpty()) {
        bilan.Note(sujet, QStringLiteral("not found; only the file transfer window needs it "
                                         "(looked for: %1, the last on the system's library "
                                         "path).")
                              .arg(charge.essayes.join(QStringLiteral(", "))));
    } else {
        bilan.Note(sujet, QStringLiteral("%1 cannot be used; only the file transfer window needs "
                                         "it. %2")
                              .arg(charge.chemin, charge.erreur));
    }
}

namespace {

// A check that cannot finish is a finding of its own, and the others still run.
template <typename Verification>
void Protege(Bilan& bilan, const QString& sujet, Verification verification) {
    try {
        verification();
    } catch (const ErreurKovra& e) {
        bilan.Echec(sujet, e.Message());
    }
}

} // namespace

std::vector<Constat> Diagnostique(const DescriptionPoste& poste) {
    Bilan bilan;
    GenreScenario genre = GenreScenario::Inconnu;
    if (VerifieDossier(poste, bilan)) {
        Protege(bilan, QStringLiteral("settings files"),
                [&] { VerifieFichiersReglages(poste, bilan); });
        Protege(bilan, QStringLiteral("scenario database"), [&] { VerifieBase(poste, bilan); });
        Protege(bilan, QStringLiteral("chosen scenario"),
                [&] { genre = VerifieScenario(poste, bilan); });
        Protege(bilan, QStringLiteral("kept data"),
                [&] { VerifieDonneesConservees(poste, bilan); });
        Protege(bilan, QStringLiteral("serial port"), [&] { VerifiePort(poste, bilan); });
    }
    Protege(bilan, QStringLiteral("session"), [&] { VerifieSession(poste, genre, bilan); });
    Protege(bilan, QStringLiteral("transfer library"), [&] { VerifieTransfert(poste, bilan); });
    return bilan.constats;
}

} // namespace kovra
