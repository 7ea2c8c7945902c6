#include "link/MSComm.h"

#include "base/Windows1252.h"
#include "platform/Fichiers.h"

#include <QFile>
#include <QStringList>

namespace kovra {

namespace {

// Why the device could not be opened, in words for the user, with the system's own text.
QString CauseEchecOuverture(const QString& peripherique, QSerialPort::SerialPortError erreur,
                            const QString& texte) {
    QString cause;
    if (erreur == QSerialPort::DeviceNotFoundError) {
        cause = QStringLiteral("il n'existe pas (terminal ou adaptateur débranché ?)");
    } else if (erreur == QSerialPort::PermissionError) {
        // The serial layer says so both of a device this user may not open and of one
        // another program holds: its lock file, or the line taken for itself alone.
        cause = plateforme::AccesPermis(peripherique, plateforme::kLecture | plateforme::kEcriture)
                    ? QStringLiteral("il est occupé par un autre programme")
                    : QStringLiteral("permission refusée");
    }
    return cause.isEmpty() ? texte : cause + QStringLiteral(" (") + texte + u')';
}

} // namespace

MSComm::MSComm(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        evenement_ = kComEvReceive;
        emit OnComm();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &MSComm::SurErreur);
}

void MSComm::SurErreur(QSerialPort::SerialPortError erreur) {
    if (erreur == QSerialPort::NoError || enOuverture_) {
        return;
    }
    const int evenement = erreur == QSerialPort::WriteError ? kComEventTxFull : kComEventDevice;
    // A read that fails or finds the line hung up: the device is gone. The port keeps
    // signalling such a line as readable, so it is closed once the event is delivered.
    const bool perdu = erreur == QSerialPort::ReadError || erreur == QSerialPort::ResourceError;
    if (!enSortie_) {
        Signale(evenement, perdu);
        return;
    }
    // Output reports the failure to its caller, which acts on it first.
    QMetaObject::invokeMethod(
        this,
        [this, evenement, perdu, ouverture = ouverture_] {
            if (ouverture == ouverture_ && port_.isOpen()) {
                Signale(evenement, perdu);
            }
        },
        Qt::QueuedConnection);
}

void MSComm::Signale(int evenement, bool perdu) {
    const quint64 ouverture = ouverture_;
    evenement_ = evenement;
    emit OnComm();
    if (perdu && ouverture == ouverture_) {
        SetPortOpen(false);
    }
}

QString MSComm::NomPeripherique() const {
    if (!Peripherique.isEmpty()) {
        return Peripherique;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(CommPort);
#else
    return QStringLiteral("/dev/ttyS%1").arg(CommPort - 1);
#endif
}

void MSComm::AppliqueReglages() {
    const QStringList parts = Settings.split(u',');
    bool ok = parts.size() == 4;
    const int vitesse = ok ? parts[0].trimmed().toInt(&ok) : 0;
    bool okBits = false;
    const int bits = ok ? parts[2].trimmed().toInt(&okBits) : 0;
    const QString parite = ok ? parts[1].trimmed().toUpper() : QString();
    const QString arret = ok ? parts[3].trimmed() : QString();
    if (!ok || !okBits || vitesse <= 0 || bits < 5 || bits > 8 || parite.size() != 1 ||
        !QStringLiteral("NEOMS").contains(parite) ||
        (arret != u"1" && arret != u"1.5" && arret != u"2")) {
        throw ErreurPort(kErreurReglages,
                         QStringLiteral("Paramètres du port invalides : %1").arg(Settings));
    }
    const QSerialPort::Parity parites[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                           QSerialPort::OddParity, QSerialPort::MarkParity,
                                           QSerialPort::SpaceParity};
    // A setting the device cannot take leaves it as it was (a pseudo-terminal keeps 8 data
    // bits and no parity whatever it is told); the opening goes on, as on Windows.
    port_.setBaudRate(vitesse);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(bits));
    port_.setParity(parites[QStringLiteral("NEOMS").indexOf(parite)]);
    port_.setStopBits(arret == u"2"     ? QSerialPort::TwoStop
                      : arret == u"1.5" ? QSerialPort::OneAndHalfStop
                                        : QSerialPort::OneStop);
    // Qt offers one flow control at a time: RTS/CTS wins when both are asked for.
    port_.setFlowControl(Handshaking == 1   ? QSerialPort::SoftwareControl
                         : Handshaking >= 2 ? QSerialPort::HardwareControl
                                            : QSerialPort::NoFlowControl);
}

void MSComm::SetPortOpen(bool ouvert) {
    if (!ouvert) {
        if (port_.isOpen()) {
            ++ouverture_;
            port_.close();
            emit EtatChange();
        }
        return;
    }
    if (port_.isOpen()) {
        return;
    }
    port_.setPortName(NomPeripherique());
    ++ouverture_;
    // A port that cannot be opened says so by the exception below, not as an event; nor is
    // a setting the device refuses an event (it would pass for the device gone).
    enOuverture_ = true;
    const bool reussie = port_.open(QIODevice::ReadWrite);
    if (!reussie) {
        enOuverture_ = false;
        throw ErreurPort(
            kErreurPortInvalide,
            QStringLiteral("Impossible d'ouvrir le port %1 : %2")
                .arg(NomPeripherique(),
                     CauseEchecOuverture(NomPeripherique(), port_.error(), port_.errorString())));
    }
    try {
        AppliqueReglages();
    } catch (...) {
        port_.close();
        enOuverture_ = false;
        throw;
    }
    enOuverture_ = false;
    evenement_ = 0;
    emit EtatChange();
}

QString MSComm::Input() {
    if (!port_.isOpen()) {
        return {};
    }
    const QByteArray octets = InputLen > 0 ? port_.read(InputLen) : port_.readAll();
    return DecodeWindows1252(octets);
}

bool MSComm::Output(const QString& texte) {
    if (!port_.isOpen()) {
        return false;
    }
    const QByteArray octets = EncodeWindows1252(texte);
    // The bytes go to the port's buffer, then flush() hands them to the device at once and
    // says false when the device refuses them (a line hung up gives EIO).
    enSortie_ = true;
    const bool ecrit = port_.write(octets) == octets.size() && port_.flush();
    enSortie_ = false;
    return ecrit && port_.isOpen();
}

int MSComm::InBufferCount() const {
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

} // namespace kovra
