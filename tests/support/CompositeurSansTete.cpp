#include "support/CompositeurSansTete.h"

#include "support/Attente.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace kovra::test {

namespace {

constexpr int kDelaiDemarrage = 20000;
constexpr int kDelaiArret = 5000;
constexpr uint kNobody = 65534;

QString Executable(const QString& nom) {
    return QStandardPaths::findExecutable(nom);
}

QString Paquet(const QString& programme, const QString& paquet) {
    return QStringLiteral("%1 is not installed (Debian package %2, scripts/setup.sh)")
        .arg(programme, paquet);
}

bool EcritFichier(const QString& chemin, const QByteArray& octets) {
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(octets) == octets.size();
}

// The parent of a process, from /proc/PID/stat ("PID (NAME) STATE PPID ..."); -1 if gone.
qint64 Parent(qint64 pid, char* etat = nullptr) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray ligne = f.readAll();
    const qsizetype fin = ligne.lastIndexOf(')');
    const QList<QByteArray> champs = ligne.mid(fin + 2).split(' ');
    if (fin < 0 || champs.size() < 2) {
        return -1;
    }
    if (etat != nullptr) {
        *etat = champs[0].isEmpty() ? '?' : champs[0][0];
    }
    return champs[1].toLongLong();
}

// Every descendant of `pid`.
QList<qint64> Descendants(qint64 pid) {
    QList<qint64> trouves;
    QList<qint64> aVoir{pid};
    const QStringList entrees = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    while (!aVoir.isEmpty()) {
        const qint64 p = aVoir.takeFirst();
        for (const QString& e : entrees) {
            bool nombre = false;
            const qint64 enfant = e.toLongLong(&nombre);
            if (nombre && Parent(enfant) == p && !trouves.contains(enfant)) {
                trouves << enfant;
                aVoir << enfant;
            }
        }
    }
    return trouves;
}

bool Vivant(qint64 pid) {
    char etat = '?';
    return Parent(pid, &etat) >= 0 && etat != 'Z' && etat != 'X';
}

// SIGTERM to each, then SIGKILL to those still there after kDelaiArret.
void Termine(const QList<qint64>& pids) {
    for (qint64 p : pids) {
        if (p > 1 && p != getpid()) {
            kill(static_cast<pid_t>(p), SIGTERM);
        }
    }
    QElapsedTimer t;
    t.start();
    const auto tousPartis = [&] {
        return std::none_of(pids.begin(), pids.end(), [](qint64 p) { return Vivant(p); });
    };
    while (!tousPartis() && t.elapsed() < kDelaiArret) {
        QThread::msleep(20);
    }
    for (qint64 p : pids) {
        if (p > 1 && p != getpid() && Vivant(p)) {
            kill(static_cast<pid_t>(p), SIGKILL);
        }
    }
}

void ArreteProcessus(QProcess& p) {
    if (p.state() == QProcess::NotRunning) {
        return;
    }
    const QList<qint64> enfants = Descendants(p.processId());
    p.terminate();
    if (!p.waitForFinished(kDelaiArret)) {
        p.kill();
        p.waitForFinished(kDelaiArret);
    }
    Termine(enfants);
}

// The last lines of a log, for a reason to skip.
QString Fin(const QString& journal) {
    const QStringList lignes = journal.trimmed().split('\n');
    return lignes.mid(std::max<qsizetype>(0, lignes.size() - 6)).join(QStringLiteral(" | "));
}

} // namespace

CompositeurSansTete::CompositeurSansTete(Bureau bureau, const Options& options) : bureau_(bureau) {
    if (!dossier_.isValid()) {
        raison_ = QStringLiteral("no temporary folder");
        return;
    }
    if (Executable("wayland-info").isEmpty()) {
        raison_ = Paquet("wayland-info", "wayland-utils");
        return;
    }
    compositeur_.setProcessChannelMode(QProcess::MergedChannels);
    compositeur_.setStandardOutputFile(Chemin("journal.txt"));
    QDir().mkpath(Chemin("config"));
    switch (bureau_) {
    case Bureau::Sway:
        pret_ = DemarreSway(options);
        break;
    case Bureau::Kwin:
        pret_ = DemarreKwin(options);
        break;
    case Bureau::Mutter:
        pret_ = DemarreMutter(options);
        break;
    }
}

CompositeurSansTete::~CompositeurSansTete() {
    if (bureau_ == Bureau::Mutter) {
        ArretePairsDuBus();
    }
    ArreteProcessus(compositeur_);
    ArreteProcessus(localed_);
    ArreteProcessus(bus_);
}

QString CompositeurSansTete::Nom() const {
    switch (bureau_) {
    case Bureau::Sway:
        return QStringLiteral("sway");
    case Bureau::Kwin:
        return QStringLiteral("KWin");
    case Bureau::Mutter:
        return QStringLiteral("mutter");
    }
    return {};
}

QString CompositeurSansTete::Journal() const {
    QFile f(Chemin("journal.txt"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool CompositeurSansTete::DemarreSway(const Options& options) {
    const QString sway = Executable("sway");
    if (sway.isEmpty()) {
        raison_ = Paquet("sway", "sway");
        return false;
    }
    const bool root = geteuid() == 0;
    const QString runtime = Chemin("rt");
    runtimeClient_ = Chemin("client");
    QDir().mkpath(runtime);
    QDir().mkpath(runtimeClient_);
    QFile::setPermissions(runtimeClient_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString config = Chemin("sway.conf");
    QByteArray lignes = "output HEADLESS-1 resolution 1280x800\nxwayland disable\n";
    if (!options.disposition.isEmpty()) {
        lignes += "input type:keyboard xkb_layout " + options.disposition.toUtf8() + '\n';
    }
    if (!EcritFichier(config, lignes)) {
        raison_ = QStringLiteral("cannot write ") + config;
        return false;
    }
    if (root) {
        // sway runs as nobody: it must reach its folder, own its runtime folder, read its
        // configuration.
        QFile::setPermissions(dossier_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther);
        QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        if (chown(QFile::encodeName(runtime).constData(), kNobody, kNobody) != 0) {
            raison_ = QStringLiteral("cannot give %1 to nobody").arg(runtime);
            return false;
        }
    } else {
        runtimeClient_ = runtime;
    }
    QProcessEnvironment env;
    env.insert("PATH", qEnvironmentVariable("PATH", "/usr/bin:/bin"));
    env.insert("HOME", root ? QStringLiteral("/nonexistent") : QDir::homePath());
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("WLR_BACKENDS", "headless");
    env.insert("WLR_RENDERER", "pixman");
    env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    compositeur_.setProcessEnvironment(env);
    chrono_.start();
    if (root) {
        // setpriv sets the parent-death signal after changing user (a change of user clears
        // one set before).
        compositeur_.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                       "--pdeathsig", "SIGKILL", sway, "-c", config});
    } else {
        compositeur_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        compositeur_.start(sway, {"-c", config});
    }
    socket_ = runtime + QStringLiteral("/wayland-1");
    if (!AttendReponse(QString())) {
        return false;
    }
    const QStringList ipc = QDir(runtime).entryList({"sway-ipc.*.sock"}, QDir::System);
    if (!ipc.isEmpty()) {
        swaysock_ = runtime + u'/' + ipc.constFirst();
    }
    return true;
}

bool CompositeurSansTete::DemarreKwin(const Options& options) {
    const QString kwin = Executable("kwin_wayland");
    if (kwin.isEmpty()) {
        raison_ = Paquet("kwin_wayland", "kwin-wayland");
        return false;
    }
    // A copy without the file capability the installed binary carries, still named
    // kwin_wayland.
    QDir().mkpath(Chemin("bin"));
    const QString copie = Chemin("bin/kwin_wayland");
    if (!QFile::copy(kwin, copie)) {
        raison_ = QStringLiteral("cannot copy %1 to %2").arg(kwin, copie);
        return false;
    }
    QFile::setPermissions(copie, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    runtimeClient_ = Chemin("rt");
    for (const char* d : {"rt", "data/applications", "config", "cache"}) {
        QDir().mkpath(Chemin(QString::fromLatin1(d)));
    }
    QFile::setPermissions(runtimeClient_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!options.disposition.isEmpty() &&
        !EcritFichier(Chemin("config/kxkbrc"),
                      "[Layout]\nUse=true\nLayoutList=" + options.disposition.toUtf8() + '\n')) {
        raison_ = QStringLiteral("cannot write ") + Chemin("config/kxkbrc");
        return false;
    }
    for (qsizetype i = 0; i < options.fakeInputAutorise.size(); ++i) {
        const QByteArray entree =
            "[Desktop Entry]\nType=Application\nName=Essai " + QByteArray::number(i) +
            "\nNoDisplay=true\nExec=" + QFile::encodeName(options.fakeInputAutorise[i]) +
            "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n";
        EcritFichier(Chemin(QStringLiteral("data/applications/essai-%1.desktop").arg(i)), entree);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                          "DBUS_SESSION_BUS_ADDRESS", "KWIN_WAYLAND_NO_PERMISSION_CHECKS"}) {
        env.remove(QString::fromLatin1(v));
    }
    env.insert("XDG_RUNTIME_DIR", runtimeClient_);
    env.insert("XDG_DATA_HOME", Chemin("data"));
    env.insert("XDG_CONFIG_HOME", Chemin("config"));
    env.insert("XDG_CACHE_HOME", Chemin("cache"));
    env.insert("KWIN_COMPOSE", "Q");
    if (options.sansControleDroits) {
        env.insert("KWIN_WAYLAND_NO_PERMISSION_CHECKS", "1");
    }
    compositeur_.setProcessEnvironment(env);
    compositeur_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    chrono_.start();
    compositeur_.start(copie, {"--virtual", "--no-lockscreen", "--no-global-shortcuts", "--socket",
                               "wayland-kde", "--width", "1280", "--height", "800"});
    socket_ = runtimeClient_ + QStringLiteral("/wayland-kde");
    return AttendReponse(QString());
}

bool CompositeurSansTete::DemarreMutter(const Options& options) {
    const QString mutter = Executable("mutter");
    const QString dbus = Executable("dbus-daemon");
    if (mutter.isEmpty() || dbus.isEmpty()) {
        raison_ = mutter.isEmpty() ? Paquet("mutter", "mutter") : Paquet("dbus-daemon", "dbus");
        return false;
    }
    runtimeClient_ = Chemin("rt");
    QDir().mkpath(runtimeClient_);
    QFile::setPermissions(runtimeClient_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socketBus = Chemin("bus");
    adresseBus_ = QStringLiteral("unix:path=") + socketBus;
    bus_.setProcessChannelMode(QProcess::MergedChannels);
    bus_.setStandardOutputFile(Chemin("bus.txt"));
    bus_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    chrono_.start();
    bus_.start(dbus, {"--session", "--nofork", "--address=" + adresseBus_});
    if (!AttendQue([&] { return QFile::exists(socketBus) || bus_.state() == QProcess::NotRunning; },
                   kDelaiDemarrage) ||
        !QFile::exists(socketBus)) {
        raison_ = QStringLiteral("the private session bus did not start");
        return false;
    }
    // The settings of the session (GSettings) are a key file in the private settings folder,
    // which its clients see too.
    if (!options.disposition.isEmpty()) {
        QDir().mkpath(Chemin("config/glib-2.0/settings"));
        const QByteArray sources = "[org/gnome/desktop/input-sources]\nsources=[('xkb', '" +
                                   options.disposition.toUtf8() + "')]\n";
        if (!EcritFichier(Chemin("config/glib-2.0/settings/keyfile"), sources) ||
            !DemarreLocaled(options.disposition)) {
            return false;
        }
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QString::fromLatin1(v));
    }
    env.insert("XDG_RUNTIME_DIR", runtimeClient_);
    env.insert("XDG_CONFIG_HOME", Chemin("config"));
    env.insert("GSETTINGS_BACKEND", "keyfile");
    env.insert("DBUS_SESSION_BUS_ADDRESS", adresseBus_);
    if (busSysteme_) {
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", adresseBus_);
    }
    compositeur_.setProcessEnvironment(env);
    compositeur_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    compositeur_.start(mutter, {"--headless", "--wayland", "--no-x11", "--virtual-monitor",
                                "1280x800", "--wayland-display", "wayland-gnome"});
    socket_ = runtimeClient_ + QStringLiteral("/wayland-gnome");
    return AttendReponse(QStringLiteral("org.gnome.Mutter.RemoteDesktop"));
}

bool CompositeurSansTete::DemarreLocaled(const QString& disposition) {
    if (!QFile::exists("/usr/bin/python3")) {
        raison_ = Paquet("/usr/bin/python3", "python3-gi");
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", adresseBus_);
    localed_.setProcessEnvironment(env);
    localed_.setProcessChannelMode(QProcess::MergedChannels);
    localed_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    localed_.start("/usr/bin/python3", {QStringLiteral(LOCALED_ESSAI_PY), disposition});
    const bool pret = AttendQue(
        [&] { return localed_.canReadLine() || localed_.state() == QProcess::NotRunning; },
        kDelaiDemarrage);
    const QByteArray ligne = pret ? localed_.readLine() : QByteArray();
    if (!ligne.startsWith("pret")) {
        raison_ = QStringLiteral("the stand-in for org.freedesktop.locale1 did not start: ") +
                  QString::fromLocal8Bit(ligne + localed_.readAll()).trimmed();
        return false;
    }
    busSysteme_ = true;
    return true;
}

bool CompositeurSansTete::AttendReponse(const QString& nomBus) {
    const auto repond = [&] {
        if (!QFile::exists(socket_)) {
            return false;
        }
        QProcess info;
        info.setProcessEnvironment(EnvironnementClient());
        info.start("wayland-info", QStringList());
        if (!info.waitForFinished(5000) || info.exitCode() != 0) {
            info.kill();
            info.waitForFinished();
            return false;
        }
        return nomBus.isEmpty() || NomsBus().contains(nomBus);
    };
    const bool ok = AttendQue(
        [&] { return compositeur_.state() == QProcess::NotRunning || repond(); }, kDelaiDemarrage);
    if (ok && compositeur_.state() != QProcess::NotRunning) {
        tempsDemarrage_ = chrono_.elapsed();
        return true;
    }
    if (compositeur_.state() == QProcess::NotRunning) {
        raison_ = QStringLiteral("%1 stopped at start-up (status %2): %3")
                      .arg(Nom())
                      .arg(compositeur_.exitCode())
                      .arg(Fin(Journal()));
    } else {
        raison_ = QStringLiteral("%1 did not answer within %2 s: %3")
                      .arg(Nom())
                      .arg(kDelaiDemarrage / 1000)
                      .arg(Fin(Journal()));
    }
    return false;
}

QProcessEnvironment CompositeurSansTete::EnvironnementClient() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "SWAYSOCK"}) {
        env.remove(QString::fromLatin1(v));
    }
    env.insert("WAYLAND_DISPLAY", socket_);
    env.insert("XDG_RUNTIME_DIR", runtimeClient_);
    env.insert("XDG_CONFIG_HOME", Chemin("config"));
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.insert("GDK_BACKEND", "wayland");
    if (!adresseBus_.isEmpty()) {
        env.insert("DBUS_SESSION_BUS_ADDRESS", adresseBus_);
        env.insert("GSETTINGS_BACKEND", "keyfile");
    }
    if (busSysteme_) {
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", adresseBus_);
    }
    if (!swaysock_.isEmpty()) {
        env.insert("SWAYSOCK", swaysock_);
    }
    return env;
}

QStringList CompositeurSansTete::Globales() const {
    QProcess info;
    info.setProcessEnvironment(EnvironnementClient());
    info.start("wayland-info", QStringList());
    if (!info.waitForFinished(10000)) {
        info.kill();
        info.waitForFinished();
        return {};
    }
    // "interface: 'wl_seat', version: 7, name: 38"
    QStringList globales;
    for (const QByteArray& ligne : info.readAllStandardOutput().split('\n')) {
        const qsizetype debut = ligne.indexOf("interface: '");
        if (debut >= 0) {
            const qsizetype nom = debut + 12;
            globales << QString::fromLatin1(ligne.mid(nom, ligne.indexOf('\'', nom) - nom));
        }
    }
    return globales;
}

QStringList CompositeurSansTete::NomsBus() const {
    if (adresseBus_.isEmpty()) {
        return {};
    }
    const QString nom = QStringLiteral("kovra-test-mutter");
    QStringList noms;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(adresseBus_, nom);
        if (bus.isConnected()) {
            noms = bus.interface()->registeredServiceNames().value();
        }
    }
    QDBusConnection::disconnectFromBus(nom);
    return noms;
}

bool CompositeurSansTete::Commande(const QStringList& arguments) const {
    if (swaysock_.isEmpty()) {
        return false;
    }
    QProcess swaymsg;
    swaymsg.setProcessEnvironment(EnvironnementClient());
    swaymsg.start("swaymsg", arguments);
    return swaymsg.waitForFinished(10000) && swaymsg.exitStatus() == QProcess::NormalExit &&
           swaymsg.exitCode() == 0;
}

void CompositeurSansTete::ArretePairsDuBus() {
    if (adresseBus_.isEmpty() || bus_.state() == QProcess::NotRunning) {
        return;
    }
    const QString nom = QStringLiteral("kovra-test-mutter-arret");
    QSet<qint64> pids;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(adresseBus_, nom);
        if (bus.isConnected()) {
            const QStringList noms = bus.interface()->registeredServiceNames().value();
            for (const QString& n : noms) {
                if (n.startsWith(u':')) {
                    const auto pid = bus.interface()->servicePid(n);
                    if (pid.isValid()) {
                        pids.insert(pid.value());
                    }
                }
            }
        }
    }
    QDBusConnection::disconnectFromBus(nom);
    pids.remove(getpid());
    pids.remove(compositeur_.processId());
    pids.remove(bus_.processId());
    QList<qint64> aArreter;
    for (qint64 p : pids) {
        aArreter << Descendants(p) << p;
    }
    Termine(aArreter);
}

} // namespace kovra::test
