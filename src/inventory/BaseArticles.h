#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <optional>

namespace kovra::tallyra {

// The management application's article database (an SQLite file with table Article,
// text columns Code and CodeBarre), opened read-only for one import.
class BaseArticles {
public:
    BaseArticles();
    ~BaseArticles();
    BaseArticles(const BaseArticles&) = delete;
    BaseArticles& operator=(const BaseArticles&) = delete;

    // Opens the file and prepares the lookup; false, with the reason in `erreur`, when the
    // file is missing, is not a database, or has no Article table with both columns.
    bool Ouvre(const QString& chemin, QString& erreur);

    // The article code of the first article whose barcode or code is `code`, compared
    // without regard to case; nothing when none. `code` is only ever a bound value.
    // `erreur` is emptied, or holds the reason when the database failed.
    std::optional<QString> RechercheRef(const QString& code, QString& erreur);

private:
    QString connexion_;
    std::optional<QSqlQuery> requete_;
};

} // namespace kovra::tallyra
