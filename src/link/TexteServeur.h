#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kovra {

// A serial device server may write words of its own into a new connection before it
// closes it: ser2net writes "Device open failure: ..." when it cannot open its device,
// "Port already in use" when another client has it. Such words are no terminal data: the
// first bytes of a connection are held back while they may still be one of these
// messages, then either handed on as data or recognised.
class GuetteurTexteServeur {
public:
    // Starts again, for a new connection.
    void Reinitialise();
    // The next bytes of the connection: what may be handed on as data now.
    QByteArray Recoit(const QByteArray& octets);
    // The server's message, once a whole line of one has arrived.
    const std::optional<QString>& Message() const { return message_; }
    // Whether bytes are held back.
    bool Retient() const { return !retenus_.isEmpty(); }
    // Holding back has lasted long enough (or the connection ended): what was held, unless
    // it begins with a server's message, which is then recognised.
    QByteArray Libere();

private:
    enum class Etat { Debut, Libre };
    Etat etat_ = Etat::Debut;
    QByteArray retenus_;
    std::optional<QString> message_;
};

} // namespace kovra
