#include "cli/SignauxArret.h"

#include "base/ErreurKovra.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kovra {

SignauxArret::SignauxArret(std::initializer_list<int> signaux) {
    sigset_t masque;
    sigemptyset(&masque);
    for (const int s : signaux) {
        sigaddset(&masque, s);
    }
    pthread_sigmask(SIG_BLOCK, &masque, &ancienMasque_);
    fd_ = signalfd(-1, &masque, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) {
        const int erreur = errno;
        pthread_sigmask(SIG_SETMASK, &ancienMasque_, nullptr);
        throw ErreurKovra(QStringLiteral("Les signaux d'arrêt ne peuvent pas être suivis : %1")
                              .arg(QString::fromLocal8Bit(std::strerror(erreur))));
    }
}

SignauxArret::~SignauxArret() {
    notificateur_.reset();
    close(fd_);
    pthread_sigmask(SIG_SETMASK, &ancienMasque_, nullptr);
}

int SignauxArret::Lit() {
    signalfd_siginfo info{};
    if (read(fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) {
        return 0;
    }
    const int signal = static_cast<int>(info.ssi_signo);
    if (recu_ == 0) {
        recu_ = signal;
    }
    return signal;
}

int SignauxArret::Recu() {
    // Once one has come, the next ones are left waiting: they act when the mask goes back.
    if (recu_ == 0) {
        Lit();
    }
    return recu_;
}

void SignauxArret::Surveille(std::function<void(int)> arret) {
    notificateur_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notificateur_.get(), &QSocketNotifier::activated,
                     [this, arret = std::move(arret)] {
                         if (const int signal = Lit(); signal != 0) {
                             arret(signal);
                         }
                     });
}

} // namespace kovra
