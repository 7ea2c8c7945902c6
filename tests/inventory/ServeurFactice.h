#pragma once

#include "base/ErreurKovra.h"
#include "inventory/ServeurLedgra.h"

#include <QStringList>

#include <memory>

namespace kovra::tallyra::test {

// What the in-memory management application does, shared by every server the test's
// factory creates.
struct ScriptLedgra {
    QStringList appels; // "Methode(arg|arg|arg)"
    ResultatAppel reponseInitInventaire = ResultatAppel::Valeur(-1);
    int echecALaLigne = 0; // the n-th InventaireArticle (from 1) answers an error
    bool vivant = true;
    int creations = 0;
    QString refusCreation; // when set, creating a server fails with this text
};

class ServeurFactice : public ServeurLedgra {
public:
    explicit ServeurFactice(ScriptLedgra& script) : script_(script) {}

    ResultatAppel Init(const QString& societe, const QString& b, const QString& c) override {
        return Note(QStringLiteral("Init(%1|%2|%3)").arg(societe, b, c));
    }
    ResultatAppel InitInventaire(const QString& depot) override {
        Note(QStringLiteral("InitInventaire(%1)").arg(depot));
        return script_.reponseInitInventaire;
    }
    ResultatAppel InventaireArticle(const QString& depot, const QString& article,
                                    const QString& quantite) override {
        Note(QStringLiteral("InventaireArticle(%1|%2|%3)").arg(depot, article, quantite));
        if (++lignes_ == script_.echecALaLigne) {
            return ResultatAppel::Erreur(QStringLiteral("article bloqué"));
        }
        return ResultatAppel::Valeur(0);
    }
    ResultatAppel ValidationInventaire(const QString& depot) override {
        return Note(QStringLiteral("ValidationInventaire(%1)").arg(depot));
    }
    bool Vivant() override { return script_.vivant; }

private:
    ResultatAppel Note(const QString& appel) {
        script_.appels << appel;
        return ResultatAppel::Valeur(0);
    }

    ScriptLedgra& script_;
    int lignes_ = 0;
};

inline FabriqueServeur FabriqueFactice(ScriptLedgra& script) {
    return [&script](qint16 edition) -> std::unique_ptr<ServeurLedgra> {
        if (!script.refusCreation.isEmpty()) {
            throw ErreurKovra(script.refusCreation);
        }
        ++script.creations;
        script.appels << QStringLiteral("<création %1>").arg(NomServeurLedgra(edition));
        return std::make_unique<ServeurFactice>(script);
    };
}

} // namespace kovra::tallyra::test
