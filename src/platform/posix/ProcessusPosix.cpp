#include "platform/Processus.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>

namespace kovra::plateforme {

bool ProcessusExiste(qint64 pid) {
    // A process of another user answers "not permitted": it exists all the same.
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

QString NomProcessus(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()).trimmed() : QString();
}

QString ProgrammeProcessus(qint64 pid) {
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}

} // namespace kovra::plateforme
