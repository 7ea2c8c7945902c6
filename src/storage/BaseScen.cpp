#include "storage/BaseScen.h"

#include "SchemaScen.h"
#include "base/ErreurKovra.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <limits>

namespace kovra {

namespace {

template <typename Entier> Entier EntierBorne(const QVariant& v) {
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<Entier>::min() || n > std::numeric_limits<Entier>::max()) {
        return 0;
    }
    return static_cast<Entier>(n);
}

} // namespace

qint16 Entier16(const QVariant& v) {
    return EntierBorne<qint16>(v);
}

int Entier32(const QVariant& v) {
    return EntierBorne<int>(v);
}

QStringList InstructionsSchemaScen() {
    QStringList instructions;
    for (const QString& morceau : QString::fromUtf8(kSchemaScen).split(u';')) {
        QStringList lignes;
        for (const QString& ligne : morceau.split(u'\n')) {
            if (!ligne.trimmed().startsWith(QStringLiteral("--"))) {
                lignes << ligne;
            }
        }
        const QString instruction = lignes.join(u'\n').trimmed();
        if (!instruction.isEmpty()) {
            instructions << instruction;
        }
    }
    return instructions;
}

BaseScen::BaseScen(const QString& chemin, OuvertureBase ouverture, int attenteOccupee)
    : chemin_(chemin), nomConnexion_(QUuid::createUuid().toString()) {
    const bool nouvelle = !QFileInfo::exists(chemin);
    if (nouvelle && ouverture == OuvertureBase::Existante) {
        throw ErreurKovra(
            QStringLiteral("La base de scénarios %1 est introuvable. Kovra ne la recrée pas vide "
                           "pendant qu'il travaille : le compteur repartirait de 1. Remettez le "
                           "fichier en place ; au démarrage suivant, Kovra en crée une vide s'il "
                           "n'y est toujours pas.")
                .arg(chemin));
    }
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomConnexion_);
    db_.setDatabaseName(chemin);
    // Another Kovra process (the tray program, the command line) may be writing.
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(attenteOccupee));
    if (!db_.open()) {
        const QSqlError erreur = db_.lastError();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(nomConnexion_);
        Echec(QStringLiteral("ouverture"), erreur.text(), erreur.nativeErrorCode());
    }
    try {
        for (const QString& instruction : InstructionsSchemaScen()) {
            Execute(instruction);
        }
        if (nouvelle) {
            Execute(QStringLiteral("INSERT INTO Increment (NunInc) VALUES (?)"), {1});
        }
    } catch (...) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(nomConnexion_);
        throw;
    }
}

BaseScen::~BaseScen() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(nomConnexion_);
}

void BaseScen::Echec(const QString& quoi, const QString& explication, const QString& code) const {
    const QString message =
        QStringLiteral("Base de scénarios %1 (%2) : %3").arg(chemin_, quoi, explication.trimmed());
    // SQLITE_BUSY and SQLITE_LOCKED, with any extended code.
    bool ok = false;
    const int numero = code.toInt(&ok);
    if (ok && (numero % 256 == 5 || numero % 256 == 6)) {
        throw ErreurBaseOccupee(message, code);
    }
    throw ErreurKovra(message, code);
}

QSqlQuery BaseScen::Execute(const QString& sql, const QVariantList& valeurs) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        Echec(sql.simplified(), q.lastError().text(), q.lastError().nativeErrorCode());
    }
    for (const QVariant& v : valeurs) {
        q.addBindValue(v);
    }
    if (!q.exec()) {
        Echec(sql.simplified(), q.lastError().text(), q.lastError().nativeErrorCode());
    }
    return q;
}

void BaseScen::Transaction(const auto& travail) {
    // Taking the write lock at the start makes another program wait its turn (up to the
    // busy timeout) instead of failing halfway through.
    Execute(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        travail();
    } catch (...) {
        QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    try {
        Execute(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QStringList BaseScen::ListeNoms() {
    QSqlQuery q = Execute(QStringLiteral("SELECT Nom FROM Scenarios"));
    QStringList noms;
    while (q.next()) {
        noms << q.value(0).toString();
    }
    return noms;
}

std::optional<qint16> BaseScen::NumeroParNom(const QString& nom) {
    QSqlQuery q = Execute(QStringLiteral("SELECT Numero FROM Scenarios WHERE Nom=?"), {nom});
    if (!q.next()) {
        return std::nullopt;
    }
    return Entier16(q.value(0));
}

std::optional<QString> BaseScen::NomParNumero(qint16 numero) {
    QSqlQuery q = Execute(QStringLiteral("SELECT Nom FROM Scenarios WHERE Numero=?"), {numero});
    if (!q.next()) {
        return std::nullopt;
    }
    return q.value(0).toString();
}

std::optional<LigneScenario> BaseScen::LitScenario(qint16 numero) {
    QSqlQuery q = Execute(QStringLiteral("SELECT Numero,Nom,Type,Trame,Specif,Chemin,NbrTrame,"
                                         "Boucle,Depart FROM Scenarios WHERE Numero=?"),
                          {numero});
    if (!q.next()) {
        return std::nullopt;
    }
    LigneScenario l;
    l.Numero = Entier16(q.value(0));
    l.Nom = q.value(1).toString();
    l.Type = q.value(2).toString();
    l.Trame = Entier16(q.value(3));
    l.Specif = Entier16(q.value(4));
    l.Chemin = q.value(5).toString();
    l.NbrTrame = Entier16(q.value(6));
    l.Boucle = Entier32(q.value(7));
    l.Depart = Entier32(q.value(8));
    return l;
}

qint16 BaseScen::ProchainNumero() {
    QSqlQuery q = Execute(QStringLiteral("SELECT Numero FROM Scenarios ORDER BY Numero DESC"));
    if (!q.next()) {
        return 1;
    }
    const qlonglong plusGrand = q.value(0).toLongLong();
    if (plusGrand >= std::numeric_limits<qint16>::max()) {
        throw ErreurKovra(
            QStringLiteral("Il n'y a plus de numéro libre pour un nouveau scénario."));
    }
    return static_cast<qint16>(std::max<qlonglong>(plusGrand, 0) + 1);
}

void BaseScen::InsereScenario(const LigneScenario& l) {
    Execute(QStringLiteral("INSERT INTO Scenarios (Numero,Nom,Type,Trame,Specif,Chemin,NbrTrame) "
                           "VALUES(?,?,?,?,?,?,?)"),
            {l.Numero, l.Nom, l.Type, l.Trame, l.Specif, l.Chemin, l.NbrTrame});
}

void BaseScen::SupprimeScenario(qint16 numero) {
    Transaction([&] {
        Execute(QStringLiteral("DELETE FROM Scenarios WHERE Numero=?"), {numero});
        Execute(QStringLiteral("DELETE FROM Actions WHERE NumeroScen=?"), {numero});
    });
}

void BaseScen::MetAJourChemin(qint16 numero, const QString& chemin) {
    Execute(QStringLiteral("UPDATE Scenarios SET Chemin=? WHERE Numero=?"), {chemin, numero});
}

void BaseScen::MetAJourCheminSpecif(qint16 numero, const QString& chemin, qint16 specif) {
    Execute(QStringLiteral("UPDATE Scenarios SET Chemin=?,Specif=? WHERE Numero=?"),
            {chemin, specif, numero});
}

void BaseScen::MetAJourBoucle(qint16 numero, int boucle) {
    Execute(QStringLiteral("UPDATE Scenarios SET Boucle=? WHERE Numero=?"), {boucle, numero});
}

void BaseScen::MetAJourDepart(qint16 numero, int depart) {
    Execute(QStringLiteral("UPDATE Scenarios SET Depart=? WHERE Numero=?"), {depart, numero});
}

std::vector<LigneAction> BaseScen::Actions(qint16 numero) {
    QSqlQuery q = Execute(QStringLiteral("SELECT NumAction,Champs,PlaceTrame FROM Actions "
                                         "WHERE NumeroScen=? ORDER BY NumAction ASC, rowid ASC"),
                          {numero});
    std::vector<LigneAction> actions;
    while (q.next()) {
        actions.push_back({Entier16(q.value(0)), q.value(1).toString(), Entier32(q.value(2))});
    }
    return actions;
}

qint16 BaseScen::DernierNumAction(qint16 numero) {
    QSqlQuery q = Execute(QStringLiteral("SELECT NumAction FROM Actions WHERE NumeroScen=? "
                                         "ORDER BY NumAction DESC"),
                          {numero});
    return q.next() ? Entier16(q.value(0)) : qint16(0);
}

void BaseScen::InsereAction(qint16 numero, qint16 numAction, const QString& champs,
                            int placeTrame) {
    Execute(QStringLiteral("INSERT INTO Actions (NumeroScen,NumAction,Champs,PlaceTrame) "
                           "VALUES (?,?,?,?)"),
            {numero, numAction, champs, placeTrame});
}

void BaseScen::ModifieAction(qint16 numero, qint16 numAction, const QString& champs,
                             std::optional<int> placeTrame) {
    Transaction([&] {
        if (placeTrame) {
            Execute(QStringLiteral("UPDATE Actions SET Champs=?,PlaceTrame=? "
                                   "WHERE NumAction=? AND NumeroScen=?"),
                    {champs, *placeTrame, numAction, numero});
        } else {
            Execute(
                QStringLiteral("UPDATE Actions SET Champs=? WHERE NumAction=? AND NumeroScen=?"),
                {champs, numAction, numero});
        }
    });
}

void BaseScen::Decale(qint16 numero, int aPartirDe, int ecart) {
    Execute(QStringLiteral("UPDATE Actions SET NumAction=NumAction + ? "
                           "WHERE NumAction>=? AND NumeroScen=?"),
            {ecart, aPartirDe, numero});
}

void BaseScen::LibereNumero(qint16 numero, qint16 numAction) {
    Transaction([&] { Decale(numero, numAction, 1); });
}

void BaseScen::InsereActionAvant(qint16 numero, qint16 numAction, const QString& champs,
                                 int placeTrame) {
    Transaction([&] {
        Decale(numero, numAction, 1);
        InsereAction(numero, numAction, champs, placeTrame);
    });
}

void BaseScen::SupprimeAction(qint16 numero, qint16 numAction) {
    Transaction([&] {
        Execute(QStringLiteral("DELETE FROM Actions WHERE NumAction=? AND NumeroScen=?"),
                {numAction, numero});
        Decale(numero, numAction + 1, -1);
    });
}

void BaseScen::RenumeroteActions(qint16 numero) {
    // Rows are addressed by their row id, so two actions that share a number both keep
    // their place instead of being merged into one.
    Transaction([&] {
        QSqlQuery q = Execute(QStringLiteral("SELECT rowid FROM Actions WHERE NumeroScen=? "
                                             "ORDER BY NumAction ASC, rowid ASC"),
                              {numero});
        QVariantList lignes;
        while (q.next()) {
            lignes << q.value(0);
        }
        int k = 1;
        for (const QVariant& ligne : lignes) {
            Execute(QStringLiteral("UPDATE Actions SET NumAction=? WHERE rowid=?"), {k++, ligne});
        }
    });
}

std::optional<qint16> BaseScen::LitCompteur() {
    QSqlQuery q = Execute(QStringLiteral("SELECT NunInc FROM Increment"));
    if (!q.next()) {
        return std::nullopt;
    }
    const QVariant v = q.value(0);
    const QString colonne =
        QStringLiteral("La colonne NunInc de la table Increment de %1").arg(chemin_);
    // The numbers Windows programs give these errors.
    if (v.isNull()) {
        throw ErreurKovra(
            QStringLiteral("Utilisation incorrecte de Null : %1 est vide (Null) au lieu de tenir "
                           "la valeur du compteur.")
                .arg(colonne),
            QStringLiteral("94"));
    }
    const int type = v.metaType().id();
    if (type != QMetaType::LongLong && type != QMetaType::Int) {
        const QString contenu = type == QMetaType::QByteArray
                                    ? QStringLiteral("des données binaires")
                                    : QStringLiteral("« %1 »").arg(v.toString().left(40));
        throw ErreurKovra(QStringLiteral("Incompatibilité de type : %1 tient %2 au lieu d'un "
                                         "nombre entier de -32768 à 32767.")
                              .arg(colonne, contenu),
                          QStringLiteral("13"));
    }
    const qlonglong n = v.toLongLong();
    if (n < std::numeric_limits<qint16>::min() || n > std::numeric_limits<qint16>::max()) {
        throw ErreurKovra(QStringLiteral("Dépassement de capacité : %1 tient %2, hors des "
                                         "valeurs possibles du compteur (-32768 à 32767).")
                              .arg(colonne)
                              .arg(n),
                          QStringLiteral("6"));
    }
    return static_cast<qint16>(n);
}

void BaseScen::EcritCompteur(qint16 valeur) {
    Execute(QStringLiteral("UPDATE Increment SET NunInc=?"), {valeur});
}

std::optional<qint16> BaseScen::AvanceCompteur() {
    std::optional<qint16> valeur;
    Transaction([&] {
        valeur = LitCompteur();
        if (!valeur) {
            return;
        }
        if (*valeur == std::numeric_limits<qint16>::max()) {
            // The number Windows programs give an overflow.
            throw ErreurKovra(QStringLiteral("Dépassement de capacité"), QStringLiteral("6"));
        }
        EcritCompteur(static_cast<qint16>(*valeur + 1));
    });
    return valeur;
}

} // namespace kovra
