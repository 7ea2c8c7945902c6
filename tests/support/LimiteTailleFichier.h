#pragma once

#include <csignal>
#include <sys/resource.h>

namespace kovra::test {

// While it lives, no file this process writes may grow beyond `octets`, as on a disk that
// fills up: a write that crosses the limit goes in only up to it, and the next one fails
// with the system's reason ("File too large"). The signal the system also sends then is
// ignored meanwhile.
class LimiteTailleFichier {
public:
    explicit LimiteTailleFichier(rlim_t octets) {
        getrlimit(RLIMIT_FSIZE, &avant_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &signalAvant_);
        rlimit limite = avant_;
        limite.rlim_cur = octets;
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteTailleFichier() {
        setrlimit(RLIMIT_FSIZE, &avant_);
        sigaction(SIGXFSZ, &signalAvant_, nullptr);
    }
    LimiteTailleFichier(const LimiteTailleFichier&) = delete;
    LimiteTailleFichier& operator=(const LimiteTailleFichier&) = delete;

private:
    rlimit avant_{};
    struct sigaction signalAvant_ {};
};

} // namespace kovra::test
