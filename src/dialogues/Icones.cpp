#include "dialogues/Icones.h"

namespace kovra {

QIcon IconeKovra(const QString& nom) {
    return QIcon(QStringLiteral(":/kovra/icones/") + nom + QStringLiteral(".svg"));
}

} // namespace kovra
