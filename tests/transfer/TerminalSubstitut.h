#pragma once

#include "support/DossierTest.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtGlobal>

namespace kovra::test {

// The stand-in transfer library's surroundings for one test: a terminal folder, a journal
// of the calls, and none of its failure or speed settings left over from another test.
class TerminalSubstitut {
public:
    TerminalSubstitut() {
        QDir().mkpath(Terminal());
        qputenv("KOVRA_MULTIDLL_TERMINAL", QFile::encodeName(Terminal()));
        qputenv("KOVRA_MULTIDLL_JOURNAL", QFile::encodeName(dossier.Chemin("journal.txt")));
        for (const char* nom : kReglages) {
            qunsetenv(nom);
        }
    }
    ~TerminalSubstitut() {
        qunsetenv("KOVRA_MULTIDLL_TERMINAL");
        qunsetenv("KOVRA_MULTIDLL_JOURNAL");
        for (const char* nom : kReglages) {
            qunsetenv(nom);
        }
    }
    TerminalSubstitut(const TerminalSubstitut&) = delete;
    TerminalSubstitut& operator=(const TerminalSubstitut&) = delete;

    QString Terminal() const { return dossier.Chemin("terminal"); }
    void EcritSurTerminal(const QString& nom, const QByteArray& octets) const {
        dossier.Ecrit(QStringLiteral("terminal/") + nom, octets);
    }
    QByteArray LitSurTerminal(const QString& nom) const {
        return dossier.Lit(QStringLiteral("terminal/") + nom);
    }
    // The calls made so far, one a line.
    QStringList Journal() const {
        return QString::fromLocal8Bit(dossier.Lit("journal.txt")).split(u'\n', Qt::SkipEmptyParts);
    }
    void EffaceJournal() const { QFile::remove(dossier.Chemin("journal.txt")); }

    DossierTest dossier;

private:
    static constexpr const char* kReglages[] = {"KOVRA_MULTIDLL", "KOVRA_MULTIDLL_ECHEC",
                                                "KOVRA_MULTIDLL_SANS_FIN", "KOVRA_MULTIDLL_LENT"};
};

// The stand-in library, and one like it that lacks HM_version.
inline QString CheminSubstitut() {
    return QStringLiteral(KOVRA_MULTIDLL_SUBSTITUT);
}
inline QString CheminSubstitutIncomplet() {
    return QStringLiteral(KOVRA_MULTIDLL_INCOMPLET);
}

} // namespace kovra::test
