#pragma once

#include <QDBusVirtualObject>
#include <QHash>
#include <QSqlDatabase>
#include <QStringList>

namespace kovra::tallyra {

// How the stand-in management application misbehaves on demand.
struct ConduiteLedgra {
    bool refuseInventaire = false; // InitInventaire answers false
    int echecALaLigne = 0;         // the n-th InventaireArticle of a client answers an error
    int nonNumeriqueALaLigne = 0;  // ... answers a text that is no number
    int sortieALaLigne = 0;        // ... makes the program end without answering
};

// The stand-in management application's object "/": the interfaces Ledgra.ClsProjet and
// Ledgra8.ClsProjet (those it was given), one inventory per client connection, calls out of
// order refused with a D-Bus error, and every call recorded in an SQLite journal (table
// Appel) before it is answered.
class LedgraSubstitut : public QDBusVirtualObject {
    Q_OBJECT

public:
    LedgraSubstitut(QStringList interfaces, ConduiteLedgra conduite, QObject* parent = nullptr);
    ~LedgraSubstitut() override;

    // Opens (creating when needed) the journal; throws ErreurKovra when it cannot.
    void OuvreJournal(const QString& chemin);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

signals:
    // Asked to end without answering (the exit-mid-import option).
    void SortieDemandee();

private:
    enum class Etape { Aucune, Initialise, Ouvert, Valide };
    struct Client {
        Etape etape = Etape::Aucune;
        QString societe;
        QString depot;
        int lignes = 0;
    };

    void Note(const QDBusMessage& message, const QString& reponse);

    QStringList interfaces_;
    ConduiteLedgra conduite_;
    QHash<QString, Client> clients_;
    QString connexionJournal_;
};

// Creates table Article (Code, CodeBarre) in the database when missing and adds one row
// per non-blank line "code;barcode" of the file. Returns the rows added; throws ErreurKovra
// when the file or the database cannot be used (nothing is added then).
int RemplitArticles(const QString& base, const QString& fichier);

} // namespace kovra::tallyra
