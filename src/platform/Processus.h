#pragma once

#include <QString>

namespace kovra::plateforme {

// Whether a process of that number exists (it may belong to another user).
[[nodiscard]] bool ProcessusExiste(qint64 pid);

// The short name the system gives a running process, and the path of its program; empty
// when the system does not say.
QString NomProcessus(qint64 pid);
QString ProgrammeProcessus(qint64 pid);

} // namespace kovra::plateforme
