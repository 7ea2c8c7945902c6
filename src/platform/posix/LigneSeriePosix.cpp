#include "platform/LigneSerie.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace kovra::plateforme {

EssaiLigne EssaieLigneSerie(const QString& peripherique) {
    EssaiLigne essai;
    const int fd = ::open(QFile::encodeName(peripherique).constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int erreur = errno;
        if (erreur == EACCES || erreur == EPERM) {
            essai.issue = EssaiLigne::Issue::Refusee;
        } else if (erreur == EBUSY) {
            essai.issue = EssaiLigne::Issue::Occupee;
        } else {
            essai.raison = QString::fromLocal8Bit(std::strerror(erreur));
        }
        return essai;
    }
    termios t{};
    const bool ligne = ::tcgetattr(fd, &t) == 0;
    ::close(fd);
    essai.issue = ligne ? EssaiLigne::Issue::Ouverte : EssaiLigne::Issue::PasUneLigne;
    return essai;
}

} // namespace kovra::plateforme
