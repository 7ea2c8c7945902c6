#pragma once

// Text splitting shared with the inventory program, which compiles this file on its own:
// it needs Qt Core and nothing else of Kovra.

#include <QString>
#include <QStringList>

namespace kovra {

// The n-th item (from 1) of a text in which every item ends with the separator; empty
// when the text has fewer than n separators, so text after the last one never counts.
// The search restarts one character after each separator found, so with a separator of
// several characters every item after the first starts with the separator's tail.
QString ChampNumero(const QString& texte, int n, const QString& separateur);

// Items 1, 2, 3... as ChampNumero gives them, up to the first empty one.
QStringList ItemsJusquAuVide(const QString& texte, const QString& separateur);

} // namespace kovra
