#pragma once

#include "app/NoyauKovra.h"
#include "base/MinuterieQt.h"
#include "cli/Commande.h"
#include "keyboard/FabriqueClavier.h"
#include "processing/TraiteEmul.h"
#include "storage/InfoBulle.h"

namespace kovra {

// The core of one short command: no tooltip, no progress shown, real timers, the
// session's keyboard. Quitting leaves the keys bound for typing to the next program, in
// case the target window reads late.
struct NoyauCommande {
    NoyauCommande(ContexteCli& ctx, Dialogues& dialogues)
        : noyau({ctx.DossierPret(), ctx.registre, dialogues, bulle, minuterie, progression,
                 CreeClavierSession, false}) {}

    InfoBulleMuette bulle;
    MinuterieQt minuterie;
    ProgressionMuette progression;
    NoyauKovra noyau;
};

// Processes and delivers one frame through a core of the command's own, as reception does
// (typed into the focused window, or written to the scenario's file), and waits for the
// end; throws ErreurKovra when it was not delivered whole (the user was told why).
void LivreTrame(ContexteCli& ctx, DemandeTraitement demande, Dialogues& dialogues);

} // namespace kovra
