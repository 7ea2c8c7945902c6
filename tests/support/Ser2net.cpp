#include "support/Ser2net.h"

#include "support/Attente.h"
#include "support/PortsLocaux.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace kovra::test {

namespace {

constexpr int kDelai = 10000;
// Attempts at starting on ports another program took between their choice and the start.
constexpr int kEssais = 5;

// The kernel's termios2 (TCGETS2), which holds the speed as a number of bits per second,
// whatever it is (the standard Bnnn values stop at a fixed list).
struct Termios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
constexpr unsigned long kTcgets2 = _IOR('T', 0x2A, Termios2);

QString Executable() {
    const QString trouve =
        QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/usr/local/sbin", "/sbin"});
    return trouve.isEmpty() ? QStandardPaths::findExecutable("ser2net") : trouve;
}

QByteArray Configuration(const QString& peripherique, quint16 brut, quint16 rfc2217) {
    const QByteArray connecteur =
        "  connector: serialdev," + peripherique.toLocal8Bit() + ",9600n81,local\n";
    return "%YAML 1.1\n---\n"
           "connection: &brut\n"
           "  accepter: tcp,127.0.0.1," +
           QByteArray::number(brut) + "\n" + connecteur +
           "connection: &rfc2217\n"
           "  accepter: telnet(rfc2217),tcp,127.0.0.1," +
           QByteArray::number(rfc2217) + "\n" + connecteur;
}

// The inodes of the sockets listening on `port` (/proc/net/tcp: "sl local rem st ... inode").
QStringList InodesEcoute(quint16 port) {
    QFile f("/proc/net/tcp");
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString suffixe = QStringLiteral(":%1").arg(port, 4, 16, QChar('0')).toUpper();
    QStringList inodes;
    f.readLine(); // the heading
    for (QByteArray ligne = f.readLine(); !ligne.isEmpty(); ligne = f.readLine()) {
        const QStringList champs = QString::fromLatin1(ligne).simplified().split(' ');
        if (champs.size() > 9 && champs[1].endsWith(suffixe) && champs[3] == "0A") {
            inodes << champs[9];
        }
    }
    return inodes;
}

} // namespace

std::string Texte(const ReglagesLigne& r) {
    char parite = 'N';
    if (r.parite) {
        parite = r.pariteFixe ? (r.pariteImpaire ? 'M' : 'S') : (r.pariteImpaire ? 'O' : 'E');
    }
    std::string texte = std::to_string(r.vitesse) + ' ' + std::to_string(r.bitsDonnees) + parite +
                        std::to_string(r.bitsArret);
    if (!r.parite && r.pariteImpaire) {
        texte += " parodd";
    }
    if (!r.parite && r.pariteFixe) {
        texte += " cmspar";
    }
    for (const auto& [present, nom] :
         {std::pair{r.rtsCts, " rtscts"}, {r.xon, " ixon"}, {r.xoff, " ixoff"}}) {
        if (present) {
            texte += nom;
        }
    }
    return texte;
}

Ser2net::Ser2net(const QString& peripherique) : peripherique_(peripherique) {
    if (peripherique_.isEmpty()) {
        char nom[256] = {};
        if (openpty(&maitre_, &esclave_, nom, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        // The test keeps the line's far end open too: bytes wait in it while ser2net has it
        // closed, and reading the near end never fails for want of a reader.
        termios t{};
        tcgetattr(esclave_, &t);
        cfmakeraw(&t);
        tcsetattr(esclave_, TCSANOW, &t);
        fcntl(maitre_, F_SETFL, fcntl(maitre_, F_GETFL) | O_NONBLOCK);
        fcntl(maitre_, F_SETFD, FD_CLOEXEC);
        fcntl(esclave_, F_SETFD, FD_CLOEXEC);
        peripherique_ = QString::fromLocal8Bit(nom);
    }
    EXPECT_TRUE(dossier_.isValid());
    processus_.setProcessChannelMode(QProcess::MergedChannels);
    processus_.setStandardOutputFile(dossier_.filePath("journal.txt"), QIODevice::Append);
    // A test program killed midway (a ctest timeout) takes its ser2net with it.
    processus_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    for (int essai = 0; essai < kEssais && !pret_; ++essai) {
        portBrut_ = PortLibre();
        do {
            portRfc2217_ = PortLibre();
        } while (portRfc2217_ == portBrut_);
        pret_ = Demarre();
        if (!pret_ && !portPris_) {
            break;
        }
    }
    EXPECT_TRUE(pret_) << "ser2net did not start: " << Journal().toStdString();
}

Ser2net::~Ser2net() {
    Arrete();
    if (maitre_ >= 0) {
        close(maitre_);
    }
    if (esclave_ >= 0) {
        close(esclave_);
    }
}

QString Ser2net::Journal() const {
    QFile f(dossier_.filePath("journal.txt"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool Ser2net::Demarre() {
    Arrete();
    const QString executable = Executable();
    if (executable.isEmpty()) {
        ADD_FAILURE() << "ser2net is not installed (Debian package ser2net, scripts/setup.sh)";
        return false;
    }
    const QString configuration = dossier_.filePath("ser2net.yaml");
    QFile f(configuration);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(Configuration(peripherique_, portBrut_, portRfc2217_)) < 0) {
        ADD_FAILURE() << "cannot write " << configuration.toStdString();
        return false;
    }
    f.close();
    const qsizetype debut = Journal().size();
    portPris_ = false;
    // -d: in the foreground, its log on the standard output (into the journal);
    // -u: no UUCP lock files in /var/lock.
    processus_.start(executable, {"-d", "-u", "-c", configuration});
    if (!processus_.waitForStarted(kDelai)) {
        return false;
    }
    const auto arrete = [this] {
        return processus_.state() == QProcess::NotRunning;
    };
    const auto refuse = [&] {
        portPris_ = Journal().indexOf("Unable to startup network port", debut) >= 0;
        return portPris_;
    };
    // Without connecting: a connection would make ser2net open the line and read what
    // waits there.
    AttendQue([&] { return Ecoute() || arrete() || refuse(); }, kDelai);
    pret_ = Ecoute();
    if (!pret_) {
        Arrete();
    }
    return pret_;
}

bool Ser2net::Ecoute() const {
    const qint64 pid = processus_.processId();
    if (pid <= 0) {
        return false;
    }
    // The sockets ser2net holds ("socket:[INODE]" links in /proc/PID/fd): a port listened on
    // by another program does not count.
    const QString dossierFd = QStringLiteral("/proc/%1/fd").arg(pid);
    QStringList siens;
    for (const QString& fd : QDir(dossierFd).entryList(QDir::AllEntries | QDir::System)) {
        char cible[128] = {};
        const QByteArray lien = QFile::encodeName(dossierFd + u'/' + fd);
        if (readlink(lien.constData(), cible, sizeof cible - 1) > 0) {
            siens << QString::fromLatin1(cible);
        }
    }
    for (quint16 port : {portBrut_, portRfc2217_}) {
        const QStringList inodes = InodesEcoute(port);
        if (std::none_of(inodes.begin(), inodes.end(), [&](const QString& inode) {
                return siens.contains(QStringLiteral("socket:[%1]").arg(inode));
            })) {
            return false;
        }
    }
    return true;
}

void Ser2net::Arrete() {
    pret_ = false;
    if (processus_.state() != QProcess::NotRunning) {
        processus_.kill();
        processus_.waitForFinished(kDelai);
    }
}

bool Ser2net::Redemarre() {
    pret_ = Demarre();
    EXPECT_TRUE(pret_) << "ser2net did not start again: " << Journal().toStdString();
    return pret_;
}

void Ser2net::Envoie(const QByteArray& octets) {
    QElapsedTimer t;
    t.start();
    for (qsizetype envoye = 0; envoye < octets.size();) {
        const ssize_t n = write(maitre_, octets.constData() + envoye,
                                static_cast<size_t>(octets.size() - envoye));
        if (n > 0) {
            envoye += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            ADD_FAILURE() << "the line refuses the bytes: " << strerror(errno);
            return;
        }
        if (t.elapsed() > kDelai) {
            ADD_FAILURE() << "the line stays full";
            return;
        }
        pollfd ligne{maitre_, POLLOUT, 0};
        poll(&ligne, 1, 2);
        QCoreApplication::processEvents();
    }
}

QByteArray Ser2net::Recoit(int attendus, int ms) {
    QByteArray recu;
    QElapsedTimer t;
    t.start();
    while (maitre_ >= 0 && recu.size() < attendus && t.elapsed() < ms) {
        char tampon[4096];
        const ssize_t n = read(maitre_, tampon, sizeof tampon);
        if (n > 0) {
            recu.append(tampon, n);
            continue;
        }
        // The program under test runs on this thread: its event loop turns between looks.
        pollfd ligne{maitre_, POLLIN, 0};
        poll(&ligne, 1, 2);
        QCoreApplication::processEvents();
    }
    return recu;
}

ReglagesLigne Ser2net::Reglages() const {
    termios t{};
    Termios2 t2{};
    if (esclave_ < 0 || tcgetattr(esclave_, &t) != 0 || ioctl(esclave_, kTcgets2, &t2) != 0) {
        ADD_FAILURE() << "the line's settings cannot be read";
        return {};
    }
    ReglagesLigne r;
    r.vitesse = t2.c_ospeed;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        r.bitsDonnees = 5;
        break;
    case CS6:
        r.bitsDonnees = 6;
        break;
    case CS7:
        r.bitsDonnees = 7;
        break;
    default:
        r.bitsDonnees = 8;
    }
    r.parite = (t.c_cflag & PARENB) != 0;
    r.pariteImpaire = (t.c_cflag & PARODD) != 0;
    r.pariteFixe = (t.c_cflag & CMSPAR) != 0;
    r.bitsArret = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    r.rtsCts = (t.c_cflag & CRTSCTS) != 0;
    r.xon = (t.c_iflag & IXON) != 0;
    r.xoff = (t.c_iflag & IXOFF) != 0;
    return r;
}

} // namespace kovra::test
