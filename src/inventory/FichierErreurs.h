#pragma once

#include <QString>
#include <QStringList>

namespace kovra::tallyra {

// First line of a new Err_Inventaire.txt; an empty line follows it.
inline const QString kEnteteErreurs = QStringLiteral(
    "Ce fichier contient les codes articles (ou codebarres) n'existant pas dans la ledgra");

// The line that lists one missing article.
QString LigneArticleManquant(const QString& code);

// Appends one line per missing article to the error file, in Windows-1252 with CR LF line
// ends, creating it with its header line and an empty line when it does not exist. The
// file is never emptied. False, with the reason in `erreur`, when it could not be written.
void AjouteArticlesManquants(const QString& chemin, const QStringList& codes);

} // namespace kovra::tallyra
