#pragma once

#include "app/NoyauKovra.h"
#include "base/MinuterieQt.h"
#include "cli/Commande.h"
#include "keyboard/FabriqueClavier.h"
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

} // namespace kovra
