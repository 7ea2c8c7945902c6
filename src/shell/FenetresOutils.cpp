#include "shell/FenetresOutils.h"

#include "dialogues/Dialogues.h"

namespace kovra {

FenetresOutils::FenetresOutils() = default;
FenetresOutils::~FenetresOutils() = default;

Progression& FenetresOutils::Avancement() {
    return progression_;
}

void FenetresOutils::OuvreAPropos(Dialogues& dialogues) {
    dialogues.Message(QStringLiteral("Kovra"), Icone::Information);
}

void FenetresOutils::OuvreImport(NoyauKovra&, Dialogues& dialogues) {
    dialogues.Message(QStringLiteral("Import"), Icone::Information);
}

void FenetresOutils::Importe(NoyauKovra&, Dialogues& dialogues, const QString& fichier) {
    dialogues.Message(fichier, Icone::Information);
}

} // namespace kovra
