#include "inventory/BaseArticles.h"

#include "base/ErreurKovra.h"
#include "base/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace kovra::tallyra {

QString PlieCasse(const QString& code) {
    QString plie = code;
    for (QChar& c : plie) {
        const QChar majuscule = c.toUpper();
        // Only pairs Windows-1252 holds both halves of: µ (whose capital is Greek) and ß
        // (which has none in one character) stay as they are.
        if (majuscule != c && TientEnWindows1252(QStringView(&c, 1)) &&
            TientEnWindows1252(QStringView(&majuscule, 1))) {
            c = majuscule;
        }
    }
    return plie;
}

namespace {

// A read-only connection of its own, closed and removed when the table has been read.
class Connexion {
public:
    Connexion()
        : nom_(QStringLiteral("tallyra-articles-") +
               QUuid::createUuid().toString(QUuid::WithoutBraces)) {}
    ~Connexion() {
        if (QSqlDatabase::contains(nom_)) {
            QSqlDatabase::database(nom_, false).close();
            QSqlDatabase::removeDatabase(nom_);
        }
    }
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    const QString& Nom() const { return nom_; }

private:
    QString nom_;
};

// Keeps the first row a key was seen on.
void PremiereLigne(QHash<QString, qsizetype>& index, const QString& cle, qsizetype ligne) {
    if (!index.contains(cle)) {
        index.insert(cle, ligne);
    }
}

} // namespace

void BaseArticles::Ouvre(const QString& chemin) {
    const QString affiche = QDir::toNativeSeparators(chemin);
    // Read-only opening does not create a missing file, but says so less clearly.
    if (!QFileInfo(chemin).isFile()) {
        throw ErreurKovra(QStringLiteral("la base %1 n'existe pas").arg(affiche));
    }
    const Connexion connexion;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexion.Nom());
        db.setDatabaseName(chemin);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            throw ErreurKovra(QStringLiteral("la base %1 ne peut pas être ouverte (%2)")
                                  .arg(affiche, db.lastError().text()));
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT Code, CodeBarre FROM Article ORDER BY rowid"))) {
            throw ErreurKovra(QStringLiteral("la base %1 n'a pas de table Article lisible (%2)")
                                  .arg(affiche, q.lastError().text()));
        }
        codes_.clear();
        parCodeBarre_.clear();
        parCode_.clear();
        while (q.next()) {
            const qsizetype ligne = static_cast<qsizetype>(codes_.size());
            const QString code = q.value(0).toString();
            // A missing value matches nothing, as NULL compares in SQL.
            if (!q.value(1).isNull()) {
                PremiereLigne(parCodeBarre_, PlieCasse(q.value(1).toString()), ligne);
            }
            if (!q.value(0).isNull()) {
                PremiereLigne(parCode_, PlieCasse(code), ligne);
            }
            codes_.push_back(code);
        }
        if (q.lastError().isValid()) {
            throw ErreurKovra(QStringLiteral("la base %1 n'a pas pu être lue (%2)")
                                  .arg(affiche, q.lastError().text()));
        }
    }
    lue_ = true;
}

std::optional<QString> BaseArticles::RechercheRef(const QString& code) const {
    if (!lue_) {
        throw ErreurKovra(QStringLiteral("la base n'est pas ouverte"));
    }
    const QString plie = PlieCasse(code);
    const auto parBarre = parCodeBarre_.constFind(plie);
    const auto parCode = parCode_.constFind(plie);
    qsizetype ligne = -1;
    if (parBarre != parCodeBarre_.constEnd()) {
        ligne = *parBarre;
    }
    if (parCode != parCode_.constEnd() && (ligne < 0 || *parCode < ligne)) {
        ligne = *parCode;
    }
    if (ligne < 0) {
        return std::nullopt;
    }
    return codes_[static_cast<std::size_t>(ligne)];
}

} // namespace kovra::tallyra
