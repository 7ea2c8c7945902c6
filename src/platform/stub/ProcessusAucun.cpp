#include "platform/Processus.h"

namespace kovra::plateforme {

// Without a way to ask, every process is taken for alive: a lock it holds is left alone.
bool ProcessusExiste(qint64 pid) {
    return pid > 0;
}

QString NomProcessus(qint64) {
    return {};
}

QString ProgrammeProcessus(qint64) {
    return {};
}

} // namespace kovra::plateforme
