#pragma once

#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace kovra::tallyra {

// The code as the management application's database compares it: every letter that
// Windows-1252 holds in both cases (a–z, à–þ but ß, š, œ, ž, ÿ) in upper case, anything
// else as it is.
QString PlieCasse(const QString& code);

// The management application's article database (an SQLite file with table Article,
// text columns Code and CodeBarre), read once, read-only, for one import: every lookup is
// then made in memory, whatever the size of the table or of the inventory.
class BaseArticles {
public:
    // Reads the table; throws ErreurKovra when the file is missing, is not a database, or
    // has no Article table with both columns.
    void Ouvre(const QString& chemin);

    // The article code of the first article (in the table's order) whose barcode or code is
    // `code`, compared without regard to case (PlieCasse); nothing when none. Throws
    // ErreurKovra when the table was not read.
    std::optional<QString> RechercheRef(const QString& code) const;

private:
    bool lue_ = false;
    std::vector<QString> codes_;             // the Code of each row, in the table's order
    QHash<QString, qsizetype> parCodeBarre_; // folded barcode -> its first row
    QHash<QString, qsizetype> parCode_;      // folded code -> its first row
};

} // namespace kovra::tallyra
