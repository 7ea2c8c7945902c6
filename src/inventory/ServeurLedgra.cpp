#include "inventory/ServeurLedgra.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace kovra::tallyra {

namespace {

const QString kDepassement = QStringLiteral("Dépassement de capacité");
const QString kIncompatible = QStringLiteral("Incompatibilité de type");

ResultatAppel DepuisDouble(double d) {
    if (!std::isfinite(d)) {
        return ResultatAppel::Erreur(kDepassement, Remise::Recue);
    }
    const double arrondi = std::nearbyint(d); // the current rounding: halves to even
    if (arrondi < std::numeric_limits<qint16>::min() ||
        arrondi > std::numeric_limits<qint16>::max()) {
        return ResultatAppel::Erreur(kDepassement, Remise::Recue);
    }
    return ResultatAppel::Valeur(static_cast<qint16>(arrondi));
}

template <typename T> ResultatAppel DepuisEntier(T v) {
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max()) {
        return ResultatAppel::Erreur(kDepassement, Remise::Recue);
    }
    return ResultatAppel::Valeur(static_cast<qint16>(v));
}

} // namespace

QString NomServeurLedgra(qint16 edition) {
    return edition == 2 ? QStringLiteral("Ledgra8.ClsProjet") : QStringLiteral("Ledgra.ClsProjet");
}

ResultatAppel EntierReponse(const QVariant& valeur) {
    if (!valeur.isValid()) {
        return ResultatAppel::Valeur(0);
    }
    switch (valeur.typeId()) {
    case QMetaType::Bool:
        return ResultatAppel::Valeur(valeur.toBool() ? -1 : 0);
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong v = valeur.toULongLong();
        if (v > static_cast<qulonglong>(std::numeric_limits<qint16>::max())) {
            return ResultatAppel::Erreur(kDepassement, Remise::Recue);
        }
        return ResultatAppel::Valeur(static_cast<qint16>(v));
    }
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return DepuisEntier(valeur.toLongLong());
    case QMetaType::Float:
    case QMetaType::Double:
        return DepuisDouble(valeur.toDouble());
    case QMetaType::QString: {
        const QString t = valeur.toString().trimmed();
        bool ok = false;
        double d = QLocale().toDouble(t, &ok);
        if (!ok) {
            d = QLocale::c().toDouble(t, &ok);
        }
        if (!ok) {
            return ResultatAppel::Erreur(kIncompatible, Remise::Recue);
        }
        return DepuisDouble(d);
    }
    default:
        return ResultatAppel::Erreur(kIncompatible, Remise::Recue);
    }
}

} // namespace kovra::tallyra
