#pragma once

#include <QString>

namespace kovra {

// Root of the per-user settings: the only hive Kovra uses.
enum class Ruche { HKEY_CURRENT_USER };

// The key that holds Kovra's settings, and their names.
inline const QString kCleKovra = QStringLiteral("Software\\Ruduvo\\Vove");
inline const QString kRacScenChx = QStringLiteral("RacScenChx"); // chosen scenario
inline const QString kRacInvent = QStringLiteral("RacInvent");   // inventory scenario
inline const QString kRacCde = QStringLiteral("RacCde");         // order scenario
inline const QString kMDPUTL = QStringLiteral("MDPUTL");         // settings lock
inline const QString kSepDec = QStringLiteral("SepDec");         // decimal separator
// Pause between two keystrokes, in milliseconds, for targets that drop keys typed at full
// speed; empty or 0: full speed.
inline const QString kDelaiTouches = QStringLiteral("DelaiTouches");
// The longest pause between keystrokes.
inline constexpr int kDelaiTouchesMax = 1000;
// "1": the fields a terminal sends are key strings ("~" is Enter, "{F5}" the key F5), for
// sites whose terminals send key commands on purpose; empty or "0": they are data, typed
// as their characters.
inline const QString kChampsTouches = QStringLiteral("ChampsTouches");

// The pause a DelaiTouches text stands for: 0 for an empty text or one that is no whole
// number, never below 0 nor above kDelaiTouchesMax.
int DelaiTouchesLu(const QString& texte);
// Whether a text may be stored as DelaiTouches: empty, or a whole number from 0 to
// kDelaiTouchesMax written in digits.
[[nodiscard]] bool DelaiTouchesValide(const QString& texte);
// Whether a ChampsTouches text turns the setting on: "1", blanks around it aside.
[[nodiscard]] bool ChampsTouchesLu(const QString& texte);

// Per-user string values under a key path such as "Software\Ruduvo\Vove". On Windows
// they are the registry; elsewhere a key "Software\<Organisation>\<Application>" is the
// settings file <racine>/<Organisation>/<Application>.conf, where the root is the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config) unless one is given.
//
// In that file a value is a line "Name=text" (before any section or in [General]): the
// text is everything after the first "=", exactly, as a person types it and as Kovra
// writes it, with no quoting and no escapes. Files that earlier versions wrote (through
// QSettings, which quotes values holding "," ";" "=" or blanks at an end and marks values of
// other kinds with "@") are read as those versions meant them until Kovra writes to the file
// again, which turns them into plain texts and marks the file as one of its own.
class Registre {
public:
    Registre();
    explicit Registre(QString racine);

    // Empty when the key or the value is missing or the value is not a string; a text
    // holding a NUL character is cut before it.
    QString LireRegistre(Ruche ruche, const QString& cle, const QString& valeur) const;
    // False, with nothing changed, when the value could not be stored: the file cannot be
    // read or written, the text holds a line break, or the name is one a reading could
    // not find again (empty, holding "=" or a line break, starting with "[" or ";", or
    // with blanks around it).
    [[nodiscard]] bool EcrireRegistre(Ruche ruche, const QString& cle, const QString& valeur,
                                      const QString& texte);

    // Shorthands for the values of Kovra's own key.
    QString Lit(const QString& valeur) const {
        return LireRegistre(Ruche::HKEY_CURRENT_USER, kCleKovra, valeur);
    }
    bool Ecrit(const QString& valeur, const QString& texte) {
        return EcrireRegistre(Ruche::HKEY_CURRENT_USER, kCleKovra, valeur, texte);
    }

    // Where the values of a key are kept (a file path, or a registry path on Windows).
    QString Emplacement(const QString& cle) const;

private:
    QString racine_;
};

// The program's copies of some of the values, refreshed at start-up and when the
// settings window opens.
struct MiroirsRegistre {
    QString ScenInvent;         // RacInvent
    QString ScenCde;            // RacCde
    QString SepDecimal;         // SepDec
    int DelaiTouches = 0;       // DelaiTouches, in milliseconds (see DelaiTouchesLu)
    bool ChampsTouches = false; // ChampsTouches (see ChampsTouchesLu)

    static MiroirsRegistre Lit(const Registre& registre);
};

// True for the value names of Kovra's key.
[[nodiscard]] bool EstValeurKovra(const QString& nom);

} // namespace kovra
