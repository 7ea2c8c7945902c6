#pragma once

#include "keyboard/wayland/ClavierDisposition.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kovra {

// Typing on GNOME through mutter's remote desktop (org.gnome.Mutter.RemoteDesktop on the
// session bus): keys are given by their place (keycode), which mutter presses on its own keyboard,
// in the user's current layout, and drops without a word when the layout lacks them. So each text
// is checked whole, before its first key, against the keymap mutter sends Kovra's own
// keyboard. The session is made with the object and kept for its life (mutter ends it when
// Kovra's bus connection goes): the first keys of a new session would be lost, so one
// Shift press opens it and the first key waits a moment.
class ClavierMutter : public ClavierDisposition {
public:
    static constexpr const char* kService = "org.gnome.Mutter.RemoteDesktop";
    static constexpr std::chrono::milliseconds kMiseEnPlace{200};
    // Batches of 64 events, 0.125 ms each, and a key on a long line weighs one event more per
    // 100 characters before it: mutter handles the keys on its main loop, and while it is
    // busy with them it leaves a GTK window's answers to each key (the whole line around the
    // cursor, for input methods) unread; faster on a line of 2 000 characters, GTK lost its
    // connection.
    static constexpr ReglageCadence kReglage{64, std::chrono::microseconds(125), 100};

    // Throws ErreurKovra when the session bus has no remote desktop, refuses a session, or
    // mutter sends no keymap on the connection.
    ClavierMutter(std::unique_ptr<ConnexionWayland> connexion, QDBusConnection bus);
    ~ClavierMutter() override;
    ClavierMutter(const ClavierMutter&) = delete;
    ClavierMutter& operator=(const ClavierMutter&) = delete;

    std::string Nom() const override { return "org.gnome.Mutter.RemoteDesktop (GNOME)"; }

protected:
    void Cle(std::uint32_t code, bool enfoncee) override;
    bool Rompue() const override;
    void Expedie() override;
    bool Synchronise() override;

private:
    QDBusMessage Appel(const char* methode, const QVariantList& arguments) const;
    // Queues a call of the session's taking a key and whether it is pressed.
    void Appelle(const char* methode, std::uint32_t valeur, bool enfoncee);

    QDBusConnection bus_;
    QString session_;
    std::vector<QDBusMessage> enAttente_;
    std::optional<QDBusPendingCall> dernier_;
    bool rompue_ = false;
};

} // namespace kovra
