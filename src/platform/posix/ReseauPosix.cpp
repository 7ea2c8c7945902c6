#include "platform/Reseau.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace kovra::plateforme {

bool SurveilleConnexion(qintptr descripteur, int inactif, int intervalle, int essais) {
    const int fd = static_cast<int>(descripteur);
    const int oui = 1;
    bool ok = setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &oui, sizeof oui) == 0;
#ifdef TCP_KEEPIDLE
    ok = setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &inactif, sizeof inactif) == 0 && ok;
    ok = setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalle, sizeof intervalle) == 0 && ok;
    ok = setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &essais, sizeof essais) == 0 && ok;
#endif
#ifdef TCP_USER_TIMEOUT
    const unsigned int delai = static_cast<unsigned int>(inactif + intervalle * essais) * 1000U;
    ok = setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &delai, sizeof delai) == 0 && ok;
#endif
    return ok;
}

} // namespace kovra::plateforme
