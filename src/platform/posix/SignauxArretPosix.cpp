#include "platform/SignauxArret.h"

#include "base/ErreurKovra.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kovra {

// The signals wait in a signalfd while they are blocked.
struct SignauxArret::Etat {
    // Reads one waiting signal; 0 when none waits.
    int Lit();

    int fd = -1;
    sigset_t ancienMasque{};
    int recu = 0;
    std::unique_ptr<QSocketNotifier> notificateur;
};

SignauxArret::SignauxArret(std::initializer_list<int> signaux) : e_(std::make_unique<Etat>()) {
    sigset_t masque;
    sigemptyset(&masque);
    for (const int s : signaux) {
        sigaddset(&masque, s);
    }
    pthread_sigmask(SIG_BLOCK, &masque, &e_->ancienMasque);
    e_->fd = signalfd(-1, &masque, SFD_CLOEXEC | SFD_NONBLOCK);
    if (e_->fd < 0) {
        const int erreur = errno;
        pthread_sigmask(SIG_SETMASK, &e_->ancienMasque, nullptr);
        throw ErreurKovra(QStringLiteral("Les signaux d'arrêt ne peuvent pas être suivis : %1")
                              .arg(QString::fromLocal8Bit(std::strerror(erreur))));
    }
}

SignauxArret::~SignauxArret() {
    e_->notificateur.reset();
    close(e_->fd);
    pthread_sigmask(SIG_SETMASK, &e_->ancienMasque, nullptr);
}

int SignauxArret::Etat::Lit() {
    signalfd_siginfo info{};
    if (read(fd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) {
        return 0;
    }
    const int signal = static_cast<int>(info.ssi_signo);
    if (recu == 0) {
        recu = signal;
    }
    return signal;
}

int SignauxArret::Recu() {
    // Once one has come, the next ones are left waiting: they act when the mask goes back.
    if (e_->recu == 0) {
        e_->Lit();
    }
    return e_->recu;
}

void SignauxArret::Surveille(std::function<void(int)> arret) {
    e_->notificateur = std::make_unique<QSocketNotifier>(e_->fd, QSocketNotifier::Read);
    QObject::connect(e_->notificateur.get(), &QSocketNotifier::activated,
                     [this, arret = std::move(arret)] {
                         if (const int signal = e_->Lit(); signal != 0) {
                             arret(signal);
                         }
                     });
}

} // namespace kovra
