#include "link/EtatLiaison.h"

namespace kovra {

GenreTerminal LitGenreTerminal(const QString& protocole) {
    const struct {
        const char16_t* nom;
        GenreTerminal type;
    } types[] = {{u"HT630", GenreTerminal::HT630},
                 {u"PT630", GenreTerminal::PT630},
                 {u"Optimus", GenreTerminal::Optimus},
                 {u"ScanPal", GenreTerminal::ScanPal}};
    for (const auto& t : types) {
        if (protocole == QStringView(t.nom)) {
            return t.type;
        }
    }
    return GenreTerminal::Aucun;
}

} // namespace kovra
