#include "link/TexteServeur.h"

#include <array>

namespace kovra {

namespace {

// What device servers write on their own, as they start a line (ser2net 4).
constexpr std::array kMessages = {
    "Device open failure", "Port's device already in use", "Port already in use", "Port disabled",
    "Port closing",        "port is shutting down",
};

// Whether the bytes may still become a message (one starts with them), or hold one whole.
bool PeutEtreMessage(const QByteArray& octets) {
    for (const char* m : kMessages) {
        const QByteArray message(m);
        if (message.startsWith(octets) || octets.startsWith(message)) {
            return true;
        }
    }
    return false;
}

bool ContientMessage(const QByteArray& octets) {
    for (const char* m : kMessages) {
        if (octets.startsWith(m)) {
            return true;
        }
    }
    return false;
}

QString Ligne(const QByteArray& octets) {
    const qsizetype fin = octets.indexOf('\n');
    return QString::fromLatin1(fin < 0 ? octets : octets.left(fin)).trimmed();
}

} // namespace

void GuetteurTexteServeur::Reinitialise() {
    etat_ = Etat::Debut;
    retenus_.clear();
    message_.reset();
}

QByteArray GuetteurTexteServeur::Recoit(const QByteArray& octets) {
    if (etat_ == Etat::Libre || message_) {
        return etat_ == Etat::Libre ? octets : QByteArray();
    }
    retenus_ += octets;
    if (!PeutEtreMessage(retenus_)) {
        etat_ = Etat::Libre;
        return std::exchange(retenus_, QByteArray());
    }
    if (ContientMessage(retenus_) && retenus_.contains('\n')) {
        message_ = Ligne(retenus_);
    }
    return {};
}

QByteArray GuetteurTexteServeur::Libere() {
    if (message_) {
        return {};
    }
    if (ContientMessage(retenus_)) {
        message_ = Ligne(retenus_);
        return {};
    }
    etat_ = Etat::Libre;
    return std::exchange(retenus_, QByteArray());
}

} // namespace kovra
