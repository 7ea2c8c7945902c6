#include "link/TransportSerie.h"

#include "platform/Fichiers.h"

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

TransportSerie::TransportSerie(const QString& peripherique) : peripherique_(peripherique) {
    connect(&port_, &QSerialPort::readyRead, this, &Transport::Arrivee);
    connect(&port_, &QSerialPort::errorOccurred, this, &TransportSerie::SurErreur);
}

void TransportSerie::SurErreur(QSerialPort::SerialPortError erreur) {
    if (erreur == QSerialPort::NoError || enOuverture_ || !port_.isOpen()) {
        return;
    }
    if (erreur == QSerialPort::WriteError) {
        emit EchecEcriture();
        return;
    }
    // A read that fails or finds the line hung up: the device is gone; any other failure
    // of the line is taken the same way.
    emit Perdu({PerteLiaison::Cause::Debranche, port_.errorString()});
}

std::optional<QString> TransportSerie::Ouvre(const ReglagesLigne& r) {
    port_.setPortName(peripherique_);
    // A port that cannot be opened says so in the result, not as an event; nor is a
    // setting the device refuses an event (it would pass for the device gone).
    enOuverture_ = true;
    if (!port_.open(QIODevice::ReadWrite)) {
        enOuverture_ = false;
        return CauseEchecOuverture(peripherique_, port_.error(), port_.errorString());
    }
    const QSerialPort::Parity parites[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                           QSerialPort::OddParity, QSerialPort::MarkParity,
                                           QSerialPort::SpaceParity};
    // A setting the device cannot take leaves it as it was (a pseudo-terminal keeps 8 data
    // bits and no parity whatever it is told); the opening goes on, as on Windows.
    port_.setBaudRate(r.vitesse);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(r.bitsDonnees));
    port_.setParity(parites[std::max<qsizetype>(QStringLiteral("NEOMS").indexOf(r.parite), 0)]);
    port_.setStopBits(r.arret == ReglagesLigne::Arret::Deux       ? QSerialPort::TwoStop
                      : r.arret == ReglagesLigne::Arret::UnEtDemi ? QSerialPort::OneAndHalfStop
                                                                  : QSerialPort::OneStop);
    // Qt offers one flow control at a time: RTS/CTS wins when both are asked for.
    port_.setFlowControl(r.flux == 1   ? QSerialPort::SoftwareControl
                         : r.flux >= 2 ? QSerialPort::HardwareControl
                                       : QSerialPort::NoFlowControl);
    enOuverture_ = false;
    return std::nullopt;
}

void TransportSerie::Ferme() {
    port_.close();
}

QByteArray TransportSerie::Lit(qint64 maximum) {
    if (!port_.isOpen()) {
        return {};
    }
    return maximum > 0 ? port_.read(maximum) : port_.readAll();
}

bool TransportSerie::Ecrit(const QByteArray& octets) {
    if (!port_.isOpen()) {
        return false;
    }
    // The bytes go to the port's buffer, then flush() hands them to the device at once and
    // says false when the device refuses them (a line hung up gives EIO).
    return port_.write(octets) == octets.size() && port_.flush() && port_.isOpen();
}

} // namespace kovra
