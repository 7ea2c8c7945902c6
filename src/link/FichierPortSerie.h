#pragma once

#include <QString>
#include <optional>

namespace kovra {

class DocumentProfil;

// Section "Port_série" of PortSerie.ini and its keys.
inline const QString kSectionPort = QStringLiteral("Port_série");
inline const QString kClePortActif = QStringLiteral("PortActif");
inline const QString kClePort = QStringLiteral("Port");
inline const QString kClePeripherique = QStringLiteral("Peripherique");
inline const QString kCleVitesse = QStringLiteral("Vitesse");
inline const QString kCleDonnees = QStringLiteral("Bit de donnée");
inline const QString kCleParite = QStringLiteral("Bit de parité");
inline const QString kCleArret = QStringLiteral("Bit d'arrêt");
inline const QString kCleProtocole = QStringLiteral("Protocol");
inline const QString kCleFlux = QStringLiteral("Flux");
inline const QString kCleFichier = QStringLiteral("Fichier");
inline const QString kCleRepertoire = QStringLiteral("Repertoire");

// The number a value of PortSerie.ini stands for, as the opening of the port has always
// read them: the integer part of a decimal number that fits in 32 bits ("1.5" gives 1,
// "-2.7" gives -2, "1e3" gives 1000), blanks around it allowed. Nothing when the text is no
// such number: empty, "trois", "1,5", "inf", "3000000000".
std::optional<qint32> NombrePortSerie(const QString& texte);

// A value the port reads as a number: the text as the file has it (empty when the key is
// missing or empty), and the number it gives.
struct ValeurNombre {
    QString texte;
    std::optional<qint32> nombre; // NombrePortSerie(texte)

    bool operator==(const ValeurNombre&) const = default;
};

// Section "Port_série" of PortSerie.ini, each key read once: the numbers by
// NombrePortSerie, the texts as they stand. A key that is missing reads as empty.
struct FichierPortSerie {
    ValeurNombre portActif; // 0: the port is not opened at start-up
    ValeurNombre port;      // the COM number; empty: no port chosen yet
    QString peripherique;   // a device path or network address opened instead of COM n
    ValeurNombre vitesse;
    ValeurNombre bitsDonnees;
    QString parite; // one of the letters N, E, O, M, S
    ValeurNombre arret;
    ValeurNombre flux;  // 0 none, 1 Xon/Xoff, 2 RTS/CTS, 3 both
    QString protocole;  // the terminal type
    QString fichier;    // the file the "Fichier" menu entry imports; empty: the user picks one
    QString repertoire; // where the import window starts looking

    bool operator==(const FichierPortSerie&) const = default;
};

FichierPortSerie LitPortSerie(const DocumentProfil& ini);
// PortSerie.ini of the data folder; a file that is missing or unreadable reads as empty.
FichierPortSerie LitPortSerie(const QString& dossierDonnees);

} // namespace kovra
