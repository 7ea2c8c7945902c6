#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "cli/DialoguesConsole.h"
#include "cli/NoyauCommande.h"
#include "keyboard/ClavierEnregistreur.h"
#include "keyboard/EnvoiTouches.h"

#include <QEventLoop>

namespace kovra {

namespace {

void Touches(ContexteCli& ctx, const Appel& a) {
    int attente = 0;
    if (a.A(QStringLiteral("--wait"))) {
        attente = EntierArgument(a.Valeur(QStringLiteral("--wait")), QStringLiteral("--wait"),
                                 -32768, 32767);
    }
    const std::u32string texte = a.positionnels[0].toStdU32String();
    if (const std::string arret = ArretTouches(texte); !arret.empty()) {
        throw ErreurKovra(QString::fromStdString(arret));
    }
    ClavierEnregistreur clavier(a.A(QStringLiteral("--caps")), a.A(QStringLiteral("--num")),
                                a.A(QStringLiteral("--scroll")),
                                a.A(QStringLiteral("--alt-codes")));
    EnvoiTouches(texte, attente, clavier);
    for (const std::string& e : clavier.Evenements()) {
        if (e.rfind("down ", 0) == 0 || e.rfind("up ", 0) == 0) {
            ctx.sortie << QString::fromStdString(e) << "\n";
        }
    }
    ctx.sortie << QString::fromStdString(clavier.EtatVerrous()) << "\n";
}

// Types into the focused window after the delay; the keys bound for typing are left for
// the next program, in case the window reads late.
void Tape(ContexteCli& ctx, const Appel& a) {
    int delai = 0;
    if (a.A(QStringLiteral("--delay"))) {
        delai = EntierArgument(a.Valeur(QStringLiteral("--delay")), QStringLiteral("--delay"), 0,
                               600000);
    }
    DialoguesConsole dialogues(ctx.erreurs);
    NoyauCommande c(ctx, dialogues);
    QEventLoop boucle;
    bool tape = false;
    c.minuterie.Apres(delai, [&] {
        c.noyau.TapeTouches(a.positionnels[0], [&](bool complet) {
            tape = complet;
            boucle.quit();
        });
    });
    boucle.exec();
    if (!tape) {
        throw ErreurKovra(QStringLiteral("La chaîne de touches n'a pas été entièrement tapée."));
    }
}

} // namespace

void AjouteCommandesClavier(std::vector<Commande>& table) {
    table.push_back({{"keys"},
                     1,
                     {{"--caps", false},
                      {"--num", false},
                      {"--scroll", false},
                      {"--wait", true},
                      {"--alt-codes", false}},
                     "keys [--caps] [--num] [--scroll] [--wait N] [--alt-codes] KEYSTRING",
                     "Run a key string on a recording keyboard (locks on at the start as "
                     "flagged) and print each key event, then the locks at the end.",
                     Touches});
    table.push_back({{"type"},
                     1,
                     {{"--delay", true}},
                     "type [--delay MS] KEYSTRING",
                     "Type a key string into the window that has the focus (X11, or a Wayland "
                     "desktop Kovra can type on: see kovra-cli doctor), "
                     "after waiting MS milliseconds; keystrokes are as far apart as the "
                     "registry's DelaiTouches says.",
                     Tape});
}

} // namespace kovra
