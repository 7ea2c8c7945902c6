#pragma once

#include "inventory/ImportInventaire.h"
#include "support/Attente.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

// Readable texts in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace kovra::tallyra::test {

using kovra::test::TourneBoucle;
using kovra::test::TourneJusqua;

// Everything an import reported, in order.
class SuiviEnregistre : public SuiviImport {
public:
    void Etat(const QString& texte) override { etats << texte; }
    void Progression(int pourcent) override { progression << pourcent; }
    void Message(const QString& texte, Icone icone) override { messages.push_back({texte, icone}); }
    void Bip() override { ++bips; }

    QStringList etats;
    QList<int> progression;
    std::vector<std::pair<QString, Icone>> messages;
    int bips = 0;
};

// An article database made by the test: rows of (Code, CodeBarre).
void CreeBaseArticles(const QString& chemin,
                      const std::vector<std::pair<QString, QString>>& articles);

// A temporary Tallyra folder with an article database and an inventory file.
struct DossierTallyraTest {
    QTemporaryDir dir;
    QString Chemin(const QString& nom) const { return dir.path() + u'/' + nom; }
    void Ecrit(const QString& nom, const QByteArray& octets) const;
    QByteArray Lit(const QString& nom) const;
};

} // namespace kovra::tallyra::test
