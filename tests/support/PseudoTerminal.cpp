#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kovra::test {

PseudoTerminal::PseudoTerminal() {
    char nom[256] = {};
    if (openpty(&maitre_, &esclave_, nom, nullptr, nullptr) != 0) {
        return;
    }
    termios t{};
    tcgetattr(esclave_, &t);
    cfmakeraw(&t);
    tcsetattr(esclave_, TCSANOW, &t);
    fcntl(maitre_, F_SETFL, fcntl(maitre_, F_GETFL) | O_NONBLOCK);
    chemin_ = QString::fromLocal8Bit(nom);
}

PseudoTerminal::~PseudoTerminal() {
    Ferme();
}

void PseudoTerminal::Ferme() {
    if (maitre_ >= 0) {
        close(maitre_);
        maitre_ = -1;
    }
    if (esclave_ >= 0) {
        close(esclave_);
        esclave_ = -1;
    }
}

void PseudoTerminal::Envoie(const QByteArray& octets) {
    qsizetype envoye = 0;
    while (envoye < octets.size()) {
        const ssize_t n = write(maitre_, octets.constData() + envoye,
                                static_cast<size_t>(octets.size() - envoye));
        if (n > 0) {
            envoye += n;
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    // Until the program's side has read everything, and handled it.
    QElapsedTimer t;
    t.start();
    int enAttente = 1;
    while (t.elapsed() < 2000 && ioctl(maitre_, TIOCOUTQ, &enAttente) == 0 && enAttente > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

QByteArray PseudoTerminal::Recoit(int attendus, int ms) {
    QByteArray recu;
    QElapsedTimer t;
    t.start();
    while (recu.size() < attendus && t.elapsed() < ms) {
        char tampon[4096];
        const ssize_t n = read(maitre_, tampon, sizeof tampon);
        if (n > 0) {
            recu.append(tampon, n);
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    return recu;
}

} // namespace kovra::test
