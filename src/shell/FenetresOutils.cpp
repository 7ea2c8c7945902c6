#include "shell/FenetresOutils.h"

#include "settings/FenetreParametrage.h"
#include "windows/FenetreAPropos.h"
#include "windows/FenetreImport.h"
#include "windows/FenetreProgression.h"
#include "windows/FenetreTransfert.h"

namespace kovra {

namespace {

void AuPremierPlan(QWidget& fenetre) {
    fenetre.show();
    fenetre.raise();
    fenetre.activateWindow();
}

} // namespace

FenetresOutils::FenetresOutils() : progression_(std::make_unique<FenetreProgression>()) {}

FenetresOutils::~FenetresOutils() {
    FermeFenetres();
}

void FenetresOutils::FermeFenetres() {
    delete aPropos_.data();
    delete import_.data();
    delete parametrage_.data();
    delete transfert_.data();
    for (const QPointer<FenetreImport>& f : importsSansFenetre_) {
        delete f.data();
    }
    importsSansFenetre_.clear();
}

Progression& FenetresOutils::Avancement() {
    return *progression_;
}

void FenetresOutils::OuvreAPropos(Dialogues& dialogues) {
    if (aPropos_.isNull()) {
        aPropos_ = new FenetreAPropos(dialogues);
        aPropos_->setAttribute(Qt::WA_DeleteOnClose);
    }
    AuPremierPlan(*aPropos_);
}

void FenetresOutils::OuvreParametrage(const ServicesParametrage& services) {
    if (parametrage_.isNull()) {
        parametrage_ = new FenetreParametrage(services);
        parametrage_->setAttribute(Qt::WA_DeleteOnClose);
    }
    AuPremierPlan(*parametrage_);
}

void FenetresOutils::OuvreTransfert(NoyauKovra& noyau, Dialogues& dialogues) {
    if (transfert_.isNull()) {
        transfert_ = new FenetreTransfert({noyau, dialogues, {}});
        transfert_->setAttribute(Qt::WA_DeleteOnClose);
    }
    AuPremierPlan(*transfert_);
}

void FenetresOutils::OuvreImport(NoyauKovra& noyau, Dialogues& dialogues) {
    if (import_.isNull()) {
        import_ = new FenetreImport(noyau, dialogues, *progression_);
        import_->setAttribute(Qt::WA_DeleteOnClose);
    }
    AuPremierPlan(*import_);
}

void FenetresOutils::Importe(NoyauKovra& noyau, Dialogues& dialogues, const QString& fichier) {
    // A window of its own, never shown, which goes once its import has ended.
    auto* fenetre = new FenetreImport(noyau, dialogues, *progression_);
    fenetre->setAttribute(Qt::WA_DeleteOnClose);
    importsSansFenetre_.removeAll(nullptr);
    importsSansFenetre_ << fenetre;
    fenetre->getFile(fichier, QStringLiteral(";"));
}

} // namespace kovra
