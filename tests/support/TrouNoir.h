#pragma once

#include <QString>

namespace kovra::test {

// A black hole on a local TCP port: from Demarre() to Arrete(), every packet from or to that
// port is dropped, as when a cable is cut or a device server hangs without a word. An
// established connection gets no answer at all, not even to TCP keepalive probes (its
// keepalive then fails with "Connection timed out"); a new connection to the port is never
// answered either. Packets sent meanwhile are retransmitted after Arrete() and the
// connection goes on.
//
// It drops with an nftables table of its own (nft, Debian package nftables), and only inside
// a private network namespace, never on the machine's own network: the test program runs
// through tests/support/reseau-prive.sh (ctest does so for test_reseau), which starts it
// under "unshare -n" (as root) or "unshare -rn" (a user namespace otherwise) with only a
// loopback interface, and names that namespace in KOVRA_RESEAU_PRIVE. Everything the test
// starts (ser2net, listeners) lives in the same namespace.
class TrouNoir {
public:
    // Why no black hole can be made here (to skip the test with); empty when one can.
    static QString Impossible();

    TrouNoir() = default;
    ~TrouNoir();
    TrouNoir(const TrouNoir&) = delete;
    TrouNoir& operator=(const TrouNoir&) = delete;

    // Drops every packet from or to `port` from now on, connections already made included;
    // whether it does (Erreur() says why not).
    bool Demarre(quint16 port);
    // The port answers again.
    void Arrete();
    QString Erreur() const { return erreur_; }

private:
    quint16 port_ = 0;
    QString erreur_;
};

} // namespace kovra::test
