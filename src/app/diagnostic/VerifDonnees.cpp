// The data folder, its settings files, the scenario database, the chosen scenario and the
// received data kept there undelivered.
#include "app/diagnostic/Verifications.h"

#include "app/DonneesConservees.h"
#include "base/Windows1252.h"
#include "platform/Fichiers.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "storage/NomScenario.h"
#include "storage/Registre.h"
#include "storage/ScenarioActif.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace kovra {

namespace {

const QString kSujetDossier = QStringLiteral("data folder");
const QString kSujetBase = QStringLiteral("scenario database");
const QString kSujetScenario = QStringLiteral("chosen scenario");
const QString kSujetConservees = QStringLiteral("kept data");

// Table name -> its columns, as the database holds them; nothing when it cannot be read.
std::optional<QMap<QString, QStringList>> Tables(QSqlDatabase& db, QString& erreur) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        erreur = q.lastError().databaseText();
        return std::nullopt;
    }
    QMap<QString, QStringList> tables;
    while (q.next()) {
        tables.insert(q.value(0).toString(), {});
    }
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        // The name comes from the database itself; quoted as an SQL identifier.
        QString nom = it.key();
        nom.replace(u'"', QStringLiteral("\"\""));
        QSqlQuery c(db);
        if (!c.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(nom))) {
            erreur = c.lastError().databaseText();
            return std::nullopt;
        }
        while (c.next()) {
            it.value() << c.value(1).toString();
        }
    }
    return tables;
}

// Runs `travail` on a connection of its own, removed afterwards.
template <typename Travail>
void AvecConnexion(const QString& fichier, const QString& options, Travail travail) {
    const QString nom = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(fichier);
        db.setConnectOptions(options);
        travail(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(nom);
}

// The tables and columns the schema creates, from an empty database in memory.
QMap<QString, QStringList> TablesAttendues() {
    QMap<QString, QStringList> tables;
    AvecConnexion(QStringLiteral(":memory:"), QString(), [&](QSqlDatabase& db) {
        if (!db.open()) {
            return;
        }
        for (const QString& instruction : InstructionsSchemaScen()) {
            QSqlQuery(db).exec(instruction);
        }
        QString erreur;
        tables = Tables(db, erreur).value_or(QMap<QString, QStringList>{});
    });
    return tables;
}

QString Encodage(const QByteArray& octets) {
    if (octets.contains('\0')) {
        return {};
    }
    if (SeLitEnUtf8(octets)) {
        return QStringLiteral("UTF-8");
    }
    if (HorsWindows1252(octets)) {
        return {};
    }
    for (const char o : octets) {
        if (static_cast<unsigned char>(o) >= 0x80) {
            return QStringLiteral("Windows-1252");
        }
    }
    return QStringLiteral("plain ASCII");
}

} // namespace

bool VerifieDossier(const DescriptionPoste& poste, Bilan& bilan) {
    const QString& dossier = poste.dossierDonnees;
    const QFileInfo info(dossier);
    if (!info.exists()) {
        bilan.Echec(kSujetDossier,
                    QStringLiteral("%1 does not exist. Fix: start Kovra, or run any other "
                                   "kovra-cli command (such as kovra-cli dir): either creates it "
                                   "with the default settings.")
                        .arg(dossier));
        return false;
    }
    if (!info.isDir()) {
        bilan.Echec(kSujetDossier, QStringLiteral("%1 is not a folder. Fix: move that file away, "
                                                  "or name another folder with --dir or "
                                                  "$KOVRA_DIR.")
                                       .arg(dossier));
        return false;
    }
    if (!plateforme::AccesPermis(dossier, plateforme::kLecture | plateforme::kEcriture |
                                              plateforme::kTraverse)) {
        bilan.Echec(kSujetDossier,
                    QStringLiteral("%1 cannot be written by user %2: Kovra keeps its lock, its "
                                   "counter and received data there. Fix: sudo chown -R %2 %1")
                        .arg(dossier, poste.identite.nom));
        return true;
    }
    bilan.Ok(kSujetDossier, QStringLiteral("%1 (writable)").arg(dossier));
    return true;
}

void VerifieFichiersReglages(const DescriptionPoste& poste, Bilan& bilan) {
    for (const QString& nom : {kPortSerie, kTouche, kCorres, kTouFic}) {
        const QString chemin = CheminDonnee(poste.dossierDonnees, nom);
        QFile f(chemin);
        if (!f.exists()) {
            bilan.Note(nom, QStringLiteral("missing: Kovra puts the default one back at its next "
                                           "start, losing nothing else."));
            continue;
        }
        if (!f.open(QIODevice::ReadOnly)) {
            bilan.Echec(nom, QStringLiteral("%1 cannot be read by user %2. Fix: sudo chown %2 %1")
                                 .arg(chemin, poste.identite.nom));
            continue;
        }
        const QString encodage = Encodage(f.readAll());
        if (encodage.isEmpty()) {
            bilan.Echec(nom, QStringLiteral("unknown encoding: %1 is neither Windows-1252 nor "
                                            "UTF-8 text, so its names and keys read wrong. Fix: "
                                            "save it again in Windows-1252 or UTF-8 (or put "
                                            "back the default one).")
                                 .arg(chemin));
            continue;
        }
        bilan.Ok(nom, encodage);
    }
}

void VerifieBase(const DescriptionPoste& poste, Bilan& bilan) {
    const QString chemin = CheminDonnee(poste.dossierDonnees, kScenDb);
    if (!QFileInfo(chemin).isFile()) {
        bilan.Note(kSujetBase, QStringLiteral("%1 is missing: Kovra makes a new, empty one at its "
                                              "next start (the scenarios must then be made "
                                              "again).")
                                   .arg(chemin));
        return;
    }
    const QMap<QString, QStringList> attendues = TablesAttendues();
    AvecConnexion(
        chemin, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"),
        [&](QSqlDatabase& db) {
            QString erreur;
            std::optional<QMap<QString, QStringList>> tables;
            if (db.open()) {
                tables = Tables(db, erreur);
            } else {
                erreur = db.lastError().databaseText();
            }
            if (!tables) {
                bilan.Echec(kSujetBase, QStringLiteral("%1 cannot be read as a scenario database "
                                                       "(%2). Fix: put back a copy from a "
                                                       "backup.")
                                            .arg(chemin, erreur));
                return;
            }
            QStringList manques;
            for (auto it = attendues.begin(); it != attendues.end(); ++it) {
                if (!tables->contains(it.key())) {
                    manques << QStringLiteral("table %1").arg(it.key());
                    continue;
                }
                for (const QString& colonne : it.value()) {
                    if (!tables->value(it.key()).contains(colonne, Qt::CaseInsensitive)) {
                        manques << QStringLiteral("column %1.%2").arg(it.key(), colonne);
                    }
                }
            }
            if (!manques.isEmpty()) {
                bilan.Echec(kSujetBase, QStringLiteral("%1 lacks %2. Fix: put back a copy from a "
                                                       "backup (Kovra adds missing tables "
                                                       "empty).")
                                            .arg(chemin, manques.join(QStringLiteral(", "))));
                return;
            }
            bilan.Ok(kSujetBase, QStringLiteral("%1 (tables %2)")
                                     .arg(chemin, attendues.keys().join(QStringLiteral(", "))));
        });
}

GenreScenario VerifieScenario(const DescriptionPoste& poste, Bilan& bilan) {
    const QString nom = poste.registre.Lit(kRacScenChx);
    const QString choisir = QStringLiteral("Fix: choose one on the \"Connexion\" page of the "
                                           "settings window, or kovra-cli registry set "
                                           "RacScenChx NAME (kovra-cli scenario list names "
                                           "them).");
    if (nom.isEmpty()) {
        bilan.Echec(kSujetScenario,
                    QStringLiteral("none is chosen: received data has nowhere to go. ") + choisir);
        return GenreScenario::Inconnu;
    }
    if (const auto probleme = ProblemeNomScenario(nom)) {
        bilan.Echec(kSujetScenario,
                    QStringLiteral("\"%1\" cannot be a scenario name. ").arg(nom) + choisir);
        return GenreScenario::Inconnu;
    }

    // The database's row, read without changing anything.
    std::optional<QString> typeBase;
    const QString base = CheminDonnee(poste.dossierDonnees, kScenDb);
    if (QFileInfo(base).isFile()) {
        AvecConnexion(base, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"),
                      [&](QSqlDatabase& db) {
                          if (!db.open()) {
                              return;
                          }
                          QSqlQuery q(db);
                          q.prepare(QStringLiteral("SELECT Type FROM Scenarios WHERE Nom = ?"));
                          q.addBindValue(nom);
                          if (q.exec() && q.next()) {
                              typeBase = q.value(0).toString();
                          }
                      });
    }
    const QString compile = CheminScenario(poste.dossierDonnees, nom);
    const bool present = QFileInfo(compile).isFile();
    QString type = typeBase.value_or(QString());
    if (present) {
        type = DocumentProfil::Charge(compile, EncodageFichier::Windows1252)
                   .Lit(QStringLiteral("Type"), QStringLiteral("Type"));
    }
    const GenreScenario genre = type == u"Fichier" ? GenreScenario::Fichier : GenreScenario::Frappe;
    const QString sorte = genre == GenreScenario::Fichier ? QStringLiteral("writes a file")
                                                          : QStringLiteral("types keystrokes");
    if (!present && !typeBase) {
        bilan.Echec(kSujetScenario,
                    QStringLiteral("\"%1\" is neither in the database nor compiled (%2): Kovra "
                                   "forgets the choice at its next start. ")
                            .arg(nom, compile) +
                        choisir);
        return GenreScenario::Inconnu;
    }
    if (!present) {
        bilan.Note(kSujetScenario, QStringLiteral("\"%1\" (%2) is not compiled yet: Kovra "
                                                  "compiles it at its next start (or: kovra-cli "
                                                  "export \"%1\").")
                                       .arg(nom, sorte));
    } else if (!typeBase) {
        bilan.Note(kSujetScenario, QStringLiteral("\"%1\" (%2) is compiled but no longer in the "
                                                  "database: Kovra uses the compiled file as it "
                                                  "stands.")
                                       .arg(nom, sorte));
    } else {
        bilan.Ok(kSujetScenario, QStringLiteral("\"%1\" (%2), compiled").arg(nom, sorte));
    }
    return genre;
}

void VerifieDonneesConservees(const DescriptionPoste& poste, Bilan& bilan) {
    // Start-up puts there what it finds of earlier runs, and announces it only once: the
    // files wait there until someone delivers them. Frames refused since the last start
    // are still beside the database.
    const QDir dossier(QDir(poste.dossierDonnees).filePath(kDossierConservees));
    const qsizetype ranges = dossier.entryList(QDir::Files).size();
    const qsizetype recents = TramesNonLivrees(poste.dossierDonnees).size();
    const qsizetype n = ranges + recents;
    if (n == 0) {
        bilan.Ok(kSujetConservees, QStringLiteral("no received data waiting to be delivered"));
        return;
    }
    QStringList ou;
    if (ranges > 0) {
        ou << dossier.path();
    }
    if (recents > 0) {
        ou << QStringLiteral("%1 (nonlivree-*.tmp)").arg(QDir(poste.dossierDonnees).path());
    }
    bilan.Note(kSujetConservees,
               QStringLiteral("%1 of received data that Kovra could not deliver %2 in %3 (those "
                              "of a transfer or an acquisition cut short may be incomplete). To "
                              "deliver one: kovra-cli process --scenario NAME --frame FILE "
                              "--deliver (or \"Fichier\" in Kovra's menu, with the separator |); "
                              "check what was delivered, then delete the file.")
                   .arg(n == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(n),
                        n == 1 ? QStringLiteral("waits") : QStringLiteral("wait"),
                        ou.join(QStringLiteral(" and "))));
}

} // namespace kovra
