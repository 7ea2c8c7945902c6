#pragma once

#include <QString>
#include <optional>

namespace kovra {

// A scenario's name is also the name of its compiled file. Returns why a name cannot be
// one (as a message for the user), or nothing when it can: no path separator, no
// character or device name that Windows refuses in file names, no trailing dot or blank,
// not empty, not "." or "..", and short enough.
std::optional<QString> ProblemeNomScenario(const QString& nom);

// Why a name cannot be given to a new scenario: the reasons above, and characters outside
// Windows-1252, which every text of a scenario keeps to. Scenarios named before this was
// checked keep their names and work as before.
std::optional<QString> ProblemeNouveauNomScenario(const QString& nom);

// Why a text cannot be an action (empty, or it would cut the compiled list of actions, or
// it holds characters the compiled file cannot), or nothing.
std::optional<QString> ProblemeAction(const QString& champs);

} // namespace kovra
