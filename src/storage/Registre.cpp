#include "storage/Registre.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

namespace kovra {

namespace {

// "Software\Ruduvo\Vove" lives in Ruduvo/Vove.conf, as the platform's native settings do.
QString CheminRelatif(const QString& cle) {
    QStringList parts = cle.split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() > 1 && parts.front().compare(u"Software", Qt::CaseInsensitive) == 0) {
        parts.removeFirst();
    }
    return parts.join(u'/');
}

std::unique_ptr<QSettings> Ouvre(const QString& racine, const QString& cle) {
#ifdef Q_OS_WIN
    if (racine.isEmpty()) {
        return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + cle,
                                           QSettings::NativeFormat);
    }
#endif
    return std::make_unique<QSettings>(racine + u'/' + CheminRelatif(cle) + QStringLiteral(".conf"),
                                       QSettings::IniFormat);
}

} // namespace

Registre::Registre() {
#ifndef Q_OS_WIN
    racine_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
}

Registre::Registre(QString racine) : racine_(std::move(racine)) {}

QString Registre::Emplacement(const QString& cle) const {
    return Ouvre(racine_, cle)->fileName();
}

QString Registre::LireRegistre(Ruche, const QString& cle, const QString& valeur) const {
    const auto s = Ouvre(racine_, cle);
    const QVariant v = s->value(valeur);
    QString texte;
    if (v.typeId() == QMetaType::QString) {
        texte = v.toString();
    } else if (v.typeId() == QMetaType::QStringList) {
        // A value written by hand with a comma in it ("SepDec=,") reads as a list.
        texte = v.toStringList().join(u',');
    } else {
        return {};
    }
    const qsizetype nul = texte.indexOf(QChar(0));
    if (nul >= 0) {
        texte.truncate(nul);
    }
    return texte;
}

bool Registre::EcrireRegistre(Ruche, const QString& cle, const QString& valeur,
                              const QString& texte) {
    const auto s = Ouvre(racine_, cle);
    s->setValue(valeur, texte);
    s->sync();
    return s->status() == QSettings::NoError;
}

MiroirsRegistre MiroirsRegistre::Lit(const Registre& registre) {
    return {registre.Lit(kRacInvent), registre.Lit(kRacCde), registre.Lit(kSepDec)};
}

bool EstValeurKovra(const QString& nom) {
    for (const QString& v : {kRacScenChx, kRacInvent, kRacCde, kMDPUTL, kSepDec}) {
        if (v == nom) {
            return true;
        }
    }
    return false;
}

} // namespace kovra
