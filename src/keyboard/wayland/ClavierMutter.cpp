#include "keyboard/wayland/ClavierMutter.h"

#include "base/ErreurKovra.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>

namespace kovra {

namespace {

const QString kChemin = QStringLiteral("/org/gnome/Mutter/RemoteDesktop");

ErreurKovra Refus(const QString& pourquoi) {
    return ErreurKovra(
        QStringLiteral("Le bureau GNOME ne permet pas à Kovra de taper : %1.").arg(pourquoi));
}

} // namespace

ClavierMutter::ClavierMutter(std::unique_ptr<ConnexionWayland> connexion, QDBusConnection bus)
    : ClavierDisposition(std::move(connexion), kMiseEnPlace, kReglage), bus_(std::move(bus)) {
    const QString service = QString::fromLatin1(kService);
    QDBusMessage cree = bus_.call(
        QDBusMessage::createMethodCall(service, kChemin, service, QStringLiteral("CreateSession")));
    if (cree.type() != QDBusMessage::ReplyMessage || cree.arguments().isEmpty()) {
        throw Refus(cree.errorMessage());
    }
    session_ = cree.arguments().constFirst().value<QDBusObjectPath>().path();
    if (const QDBusMessage r = Appel("Start", {}); r.type() != QDBusMessage::ReplyMessage) {
        throw Refus(r.errorMessage());
    }
    // A keyboard appears in the seat with the session's first key: its keymap then comes.
    Appelle("NotifyKeyboardKeysym", kKeysymMaj, true);
    Appelle("NotifyKeyboardKeysym", kKeysymMaj, false);
    Expedie();
    if (!Connexion().AttendCarte(std::chrono::seconds(2))) {
        throw Refus(QStringLiteral("mutter n'a pas donné la disposition du clavier"));
    }
}

ClavierMutter::~ClavierMutter() {
    if (!session_.isEmpty() && bus_.isConnected()) {
        QDBusMessage arret = QDBusMessage::createMethodCall(
            QString::fromLatin1(kService), session_,
            QString::fromLatin1(kService) + QStringLiteral(".Session"), QStringLiteral("Stop"));
        // Its answer also says that the keys before it were handled.
        bus_.call(arret, QDBus::Block, static_cast<int>(kAttenteFin.count()));
    }
}

QDBusMessage ClavierMutter::Appel(const char* methode, const QVariantList& arguments) const {
    QDBusMessage m = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), session_,
        QString::fromLatin1(kService) + QStringLiteral(".Session"), QString::fromLatin1(methode));
    m.setArguments(arguments);
    return bus_.call(m);
}

void ClavierMutter::Appelle(const char* methode, std::uint32_t valeur, bool enfoncee) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), session_,
        QString::fromLatin1(kService) + QStringLiteral(".Session"), QString::fromLatin1(methode));
    m.setArguments({static_cast<uint>(valeur), enfoncee});
    enAttente_.push_back(std::move(m));
}

// By the key's place rather than by keysym: mutter types a keysym on the first key that
// holds it, at any level, and on a key whose fourth level holds it (° on a French layout)
// it typed the first level instead (à).
void ClavierMutter::Cle(std::uint32_t code, bool enfoncee) {
    Appelle("NotifyKeyboardKeycode", code - 8, enfoncee);
}

bool ClavierMutter::Rompue() const {
    return rompue_;
}

void ClavierMutter::Expedie() {
    // mutter handles one connection's calls in order: the last one's answer says the
    // batch was handled.
    for (const QDBusMessage& m : enAttente_) {
        dernier_ = bus_.asyncCall(m);
    }
    enAttente_.clear();
}

bool ClavierMutter::Synchronise() {
    if (!dernier_) {
        return true;
    }
    if (!dernier_->isFinished()) {
        return false;
    }
    if (dernier_->isError()) {
        rompue_ = true;
    }
    dernier_.reset();
    return true;
}

} // namespace kovra
