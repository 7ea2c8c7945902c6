#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
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

namespace {

constexpr int kDelai = 2000;
// Small enough for the line to hold a whole piece (it holds about 4 KB).
constexpr qsizetype kMorceau = 1024;

// Bytes waiting in the line for the program to read them.
int EnAttente(int esclave) {
    int n = 0;
    return ioctl(esclave, FIONREAD, &n) == 0 ? n : -1;
}

} // namespace

void PseudoTerminal::Envoie(const QByteArray& octets) {
    QElapsedTimer t;
    t.start();
    for (qsizetype envoye = 0; envoye < octets.size();) {
        const ssize_t n = write(maitre_, octets.constData() + envoye,
                                static_cast<size_t>(std::min(kMorceau, octets.size() - envoye)));
        if (n <= 0) {
            ADD_FAILURE() << "the line refuses the bytes";
            return;
        }
        envoye += n;
        // The kernel moves what was written into the line on its own time; the program
        // cannot read it before its event loop runs again, so all of it shows up here first.
        pollfd ligne{esclave_, POLLIN, 0};
        while (EnAttente(esclave_) < n && t.elapsed() < kDelai) {
            poll(&ligne, 1, 1);
        }
        // Once the line is empty again the program has read the piece, and handled it
        // (handling it may be what closes the line).
        while (esclave_ >= 0 && EnAttente(esclave_) > 0 && t.elapsed() < kDelai) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        if (esclave_ < 0) {
            return;
        }
        if (EnAttente(esclave_) != 0) {
            ADD_FAILURE() << "the program did not read what was sent";
            return;
        }
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
