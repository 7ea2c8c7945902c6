#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A Wayland desktop run headless for a test, with no GPU and no input device, so that
// native Wayland windows can be typed into and read back. Everything it starts (the
// compositor, mutter's private session bus and what GTK pulls onto that bus) is ended by
// PID with the object.
//
// How each compositor runs here, found by trying them on Debian 12 (2 cores, no GPU, no
// /dev/uinput, as root in a container). Times are from the start to the first client
// connection that answers, measured by this class (TempsDemarrage):
//
// - sway 1.7 (package sway): refuses to run as root. As root it is started as nobody:
//     setpriv --reuid=65534 --regid=65534 --clear-groups --pdeathsig SIGKILL
//         sway -c CONFIG
//   in an environment of its own: WLR_BACKENDS=headless WLR_RENDERER=pixman
//   WLR_LIBINPUT_NO_DEVICES=1 XDG_RUNTIME_DIR=RT, RT a fresh 0700 folder owned by 65534.
//   CONFIG holds "output HEADLESS-1 resolution 1280x800" and "xwayland disable". Its socket
//   is RT/wayland-1 (it skips wayland-0); its IPC socket RT/sway-ipc.65534.PID.sock, which
//   swaymsg reaches through SWAYSOCK. Clients stay root: they get WAYLAND_DISPLAY as the
//   socket's full path and an XDG_RUNTIME_DIR of their own (Qt warns about, and then
//   ignores, a runtime folder another user owns). Ready in 0.06 to 0.1 s.
//   Focus: sway focuses each new toplevel, and "swaymsg [title=...] focus" moves the focus
//   (Commande). But with WLR_LIBINPUT_NO_DEVICES its seat has no keyboard: a window gets
//   wl_keyboard.enter only while a virtual keyboard exists, and leave when the last one
//   goes (each wtype run makes the focused window see focus out, then in). A typing client
//   must keep its virtual keyboard for its whole run; the bench keeps one alive with a
//   "wtype -s 3600000" that only sleeps.
//   Globals include zwp_virtual_keyboard_manager_v1 and zwp_input_method_manager_v2, offered
//   to every client. Typing with wtype (package wtype, any Unicode character: it uploads a
//   keymap made of the text's characters): each run makes a new virtual keyboard and lost
//   its first key in 3 of 6 runs here; "wtype -s 200 TEXT" (200 ms between the keymap upload
//   and the first key) lost none.
// - KWin 5.27 (package kwin-wayland): /usr/bin/kwin_wayland carries the file capability
//   cap_sys_resource, which this container cannot grant ("Operation not permitted"), so a
//   plain copy of it is run, still named kwin_wayland (its Qt platform plugin checks the
//   name):
//     KWIN_COMPOSE=Q kwin_wayland --virtual --no-lockscreen --no-global-shortcuts
//         --socket wayland-kde --width 1280 --height 800
//   with XDG_RUNTIME_DIR, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME private, no
//   session bus (it complains about kglobalaccel, the Breeze decoration and
//   XF86EmojiPicker, and goes on) and no QT_QPA_PLATFORM. Ready in 0.2 to 0.6 s. Its seat
//   has a keyboard from the start (layout us); each new toplevel gets the focus shortly
//   after it is shown (a GTK window reports focus-in before any key is sent).
//   org_kde_kwin_fake_input version 4: authenticate(name, reason) is accepted without a
//   question, then keyboard_key(evdev code, 1/0) types through KWin's own keymap; typed
//   with a wl_display_roundtrip after each character, no key was lost, the first included.
//   No Xwayland is started (5.27 starts it only with --xwayland).
//   org_kde_kwin_fake_input is offered only to clients allowed it: every client with
//   KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 in KWin's environment, else a client whose
//   executable (/proc/PID/exe) is named by full path on the Exec line of a .desktop file
//   with "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input" in an applications folder KWin
//   reads (XDG_DATA_HOME/applications here, from Options::fakeInputAutorise). Other clients
//   simply do not see the global.
// - mutter 43 (package mutter):
//     mutter --headless --wayland --no-x11 --virtual-monitor 1280x800
//         --wayland-display wayland-gnome
//   on a private session bus (dbus-daemon --session --nofork --address=unix:path=DIR/bus).
//   Ready (socket and org.gnome.Mutter.RemoteDesktop on the bus) in 0.3 to 0.9 s. Its
//   seat has no keyboard until a remote desktop session starts: a window shown before that
//   is focused by mutter but gets no wl_keyboard.enter (GTK sees no focus-in) until the
//   session exists; a window shown after gets it, but not with its first frame (keys sent
//   right after Qt reports it exposed were lost). A session's keyboard leaves the seat when the
//   session stops (the window sees focus-out). Keysyms outside its layout (us here) are
//   dropped with "No keycode found for keyval" in its log, the D-Bus call succeeding.
//   GTK windows make the bus start at-spi-bus-launcher (with a dbus-daemon of its own) and
//   at-spi2-registryd, daemonized (their parent is init, not the bus); they outlive the
//   window, so the object ends every peer of its bus by PID (GetConnectionUnixProcessID)
//   and their descendants before it stops mutter and the bus.
//
// The layout of the seat (Options::disposition), as each desktop takes it:
// - sway: "input type:keyboard xkb_layout LAYOUT" in its configuration. It applies to the
//   keyboards sway configures; a virtual keyboard keeps the keymap its client uploaded
//   (swaymsg -t get_inputs shows wtype's with no layout name), so on sway the layout never
//   changes what a virtual keyboard types.
// - KWin: kxkbrc in its XDG_CONFIG_HOME, "[Layout] Use=true LayoutList=LAYOUT", read at
//   start; the keymap of its seat's keyboard is then that layout.
// - mutter run on its own (no gnome-shell, which applies org.gnome.desktop.input-sources)
//   takes its layout when it starts from org.freedesktop.locale1's X11Layout on the system
//   bus (its default plugin), else us; XKB_DEFAULT_LAYOUT is ignored. The bench serves
//   locale1 from support/localed_essai.py on the private bus, given to mutter (and its
//   clients) as their system bus too. The session's GSettings are a key file
//   (GSETTINGS_BACKEND=keyfile, XDG_CONFIG_HOME/glib-2.0/settings/keyfile), which holds
//   org.gnome.desktop.input-sources sources=[('xkb', 'LAYOUT')], so that what a client reads
//   there agrees with the seat, as in a GNOME session.

namespace kovra::test {

enum class Bureau { Sway, Kwin, Mutter };

class CompositeurSansTete {
public:
    struct Options {
        // KWin: KWIN_WAYLAND_NO_PERMISSION_CHECKS=1, fake input for every client.
        bool sansControleDroits = false;
        // KWin: executables (full paths) allowed org_kde_kwin_fake_input by a .desktop file.
        QStringList fakeInputAutorise;
        // The XKB layout of the seat ("fr"); empty: the compositor's own (us for all three).
        QString disposition;
    };

    // Starts it and waits (20 s at most) until it answers; Pret() tells, RaisonEchec() why not.
    explicit CompositeurSansTete(Bureau bureau, const Options& options);
    explicit CompositeurSansTete(Bureau bureau) : CompositeurSansTete(bureau, Options{}) {}
    ~CompositeurSansTete();
    CompositeurSansTete(const CompositeurSansTete&) = delete;
    CompositeurSansTete& operator=(const CompositeurSansTete&) = delete;

    bool Pret() const { return pret_; }
    // Why it could not start here (missing program, refused to run, no answer), for a skip.
    QString RaisonEchec() const { return raison_; }
    // Milliseconds from the start to the first answer.
    qint64 TempsDemarrage() const { return tempsDemarrage_; }
    // "sway", "KWin", "mutter".
    QString Nom() const;

    // What a client needs: WAYLAND_DISPLAY (the socket's full path), XDG_RUNTIME_DIR,
    // XDG_CONFIG_HOME (the desktop's settings folder, private), QT_QPA_PLATFORM=wayland,
    // GDK_BACKEND=wayland, no DISPLAY; mutter's DBUS_SESSION_BUS_ADDRESS and
    // GSETTINGS_BACKEND (with a layout, its DBUS_SYSTEM_BUS_ADDRESS too), sway's SWAYSOCK.
    QProcessEnvironment EnvironnementClient() const;
    // The interfaces the compositor offers a client (wayland-info's list). KWin offers
    // fewer to a client not allowed them: this is what wayland-info is offered.
    QStringList Globales() const;
    // The names on mutter's private bus (empty for the others).
    QStringList NomsBus() const;
    // Runs swaymsg with these arguments (sway only); whether it succeeded.
    bool Commande(const QStringList& arguments) const;
    // What the compositor printed.
    QString Journal() const;

private:
    bool DemarreSway(const Options& options);
    bool DemarreKwin(const Options& options);
    bool DemarreMutter(const Options& options);
    bool DemarreLocaled(const QString& disposition);
    bool AttendReponse(const QString& nomBus);
    void ArretePairsDuBus();
    QString Chemin(const QString& nom) const { return dossier_.filePath(nom); }

    Bureau bureau_;
    QTemporaryDir dossier_;
    QProcess compositeur_;
    QProcess bus_;
    QProcess localed_;
    QString socket_;
    QString runtimeClient_;
    QString adresseBus_;
    bool busSysteme_ = false;
    QString swaysock_;
    QElapsedTimer chrono_;
    qint64 tempsDemarrage_ = -1;
    bool pret_ = false;
    QString raison_;
};

// Options for one need each: an aggregate initializer that leaves members out does not build
// with the tree's warnings.
inline CompositeurSansTete::Options SansControleDroits() {
    CompositeurSansTete::Options o;
    o.sansControleDroits = true;
    return o;
}
inline CompositeurSansTete::Options Disposition(const QString& disposition,
                                                const QStringList& fakeInputAutorise = {}) {
    CompositeurSansTete::Options o;
    o.disposition = disposition;
    o.fakeInputAutorise = fakeInputAutorise;
    return o;
}
inline CompositeurSansTete::Options FakeInputAutorise(const QStringList& executables) {
    return Disposition(QString(), executables);
}

} // namespace kovra::test
