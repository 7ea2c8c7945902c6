#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kovra {

class DocumentProfil;

// The port numbers the port list offers, "COM 1" to "COM 20".
inline constexpr int kPremierPortCom = 1;
inline constexpr int kDernierPortCom = 20;

// A serial device of the machine, as the port list shows it.
struct PeripheriqueSerie {
    QString chemin;      // "/dev/ttyUSB0", or the stable name of an adapter
    QString description; // what the system says of it; may be empty

    bool operator==(const PeripheriqueSerie&) const = default;
};

// Where udev names each USB serial adapter after itself (maker, model, serial number): a
// link to the ttyUSBn or ttyACMn it was given, whose name stays the same whichever number
// the adapter gets and whichever socket it is plugged in.
inline const QString kDossierParId = QStringLiteral("/dev/serial/by-id");

// The serial devices present now, in the order the system lists them; an adapter with a
// link in kDossierParId goes by that link's name (AvecNomsStables).
QList<PeripheriqueSerie> PeripheriquesPresents();

// The devices, each one a link of `dossierParId` points to named by that link instead (the
// first by name when several do), its description kept; the others as they are.
QList<PeripheriqueSerie> AvecNomsStables(const QList<PeripheriqueSerie>& presents,
                                         const QString& dossierParId);

// The line of the port list for a device: "path — description", or the path alone.
QString LignePeripherique(const PeripheriqueSerie& peripherique);

// The line of the port lists that lets the user type a network address, the example shown
// in the empty field, and what the field is for.
QString LigneAdresseReseau();
QString ExempleAdresseReseau();
QString AideAdresseReseau();

// The lines of the lists of the port settings page.
// COM lines, then devices, then LigneAdresseReseau.
QStringList LignesPort(const QList<PeripheriqueSerie>& peripheriques);
// Keys 1 to 16 of section "Vitesses" of Touche.ini in the data folder; a missing key gives
// an empty line. When the section gives no speed at all (the file lost, say), the lines of
// the default Touche.ini in `dossierDefauts` are given instead.
QStringList LignesVitesse(const QString& dossierDonnees, const QString& dossierDefauts = {});
QStringList LignesDonnees();   // "4" to "8"
QStringList LignesParite();    // "Aucune", "Paire", ...; the letters are kLettresParite
QStringList LignesArret();     // "1", "1.5", "2"
QStringList LignesFlux();      // "Aucun", "Xon/Xoff", ...; the value is the position
QStringList LignesProtocole(); // the terminal types

// The parity letters, in the order of LignesParite.
inline const QString kLettresParite = QStringLiteral("NEOMS");

// Port settings waiting to be stored in PortSerie.ini. A value left unset is not written:
// the file keeps what it has. At most one of `port` and `peripherique` is set.
struct ReglagesPort {
    std::optional<int> port;             // COM number, 1 to 20
    std::optional<QString> peripherique; // a device path or network address instead of COM n
    std::optional<QString> vitesse;      // the speed as chosen, a whole number in text
    std::optional<int> bitsDonnees;
    std::optional<QChar> parite;      // one of kLettresParite
    std::optional<QString> arret;     // "1", "1.5" or "2"
    std::optional<int> flux;          // 0 none, 1 Xon/Xoff, 2 RTS/CTS, 3 both
    std::optional<QString> protocole; // terminal type: "Optimus", "ScanPal", "HT630", "PT630"

    bool operator==(const ReglagesPort&) const = default;
};

// What PortSerie.ini of the data folder holds, whether a port is configured or not. A value
// missing, or one its member cannot hold (a port that is no whole number...), is unset; a
// device named in "Peripherique" stands for the port number.
ReglagesPort LitReglagesPort(const QString& dossierDonnees);
// The same, each value the file leaves empty (or the whole file, when it is missing) taken
// from the default PortSerie.ini in `dossierDefauts`, as a fresh data folder would hold it.
ReglagesPort LitReglagesPort(const QString& dossierDonnees, const QString& dossierDefauts);

// Why the port could not take these settings, in a sentence for the user naming the value
// (a network address badly written included); empty when it can take them all.
QString RefusReglagesPort(const ReglagesPort& reglages);

// Writes the settings that are set to section "Port_série" of PortSerie.ini of the data
// folder, keys in the order "Port", "Bit de donnée", "Bit de parité", "Bit d'arrêt",
// "Vitesse", "Protocol", "Flux"; numbers carry one leading blank. A COM number forgets the
// device named instead; a device is written to "Peripherique" (with port 1 when no port is
// set yet, so the port counts as configured). Every other byte of the file stays as it
// was. The file never comes out as one the opening of the port refuses: a missing file
// starts as the default PortSerie.ini of `dossierDefauts`, and a key the opening reads
// that is still empty ("PortActif", the line settings, "Protocol", "Flux") takes the
// default's value. All or nothing: settings refused (RefusReglagesPort), a value the file
// cannot hold, a file the opening would still refuse (RefusOuverturePort), or a file that
// cannot be written throw ErreurKovra naming the file, which is then left unchanged.
void EcritReglagesPort(const QString& dossierDonnees, const ReglagesPort& reglages,
                       const QString& dossierDefauts);

// Why opening the port would refuse section "Port_série" of PortSerie.ini as `ini` holds
// it (a value that is no number where one is read, line settings the port cannot take, a
// network address badly written), in a sentence naming the value; empty when it would not.
QString RefusOuverturePort(const DocumentProfil& ini);

} // namespace kovra
