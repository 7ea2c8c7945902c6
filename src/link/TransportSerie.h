#pragma once

#include "link/Transport.h"

#include <QSerialPort>

namespace kovra {

// A local serial device (a pseudo-terminal works the same).
class TransportSerie : public Transport {
    Q_OBJECT
public:
    explicit TransportSerie(const QString& peripherique);

    std::optional<QString> Ouvre(const ReglagesLigne& reglages) override;
    void Ferme() override;
    bool Pret() const override { return port_.isOpen(); }
    QByteArray Lit(qint64 maximum) override;
    qint64 Disponibles() const override { return port_.isOpen() ? port_.bytesAvailable() : 0; }
    bool Ecrit(const QByteArray& octets) override;

private:
    void SurErreur(QSerialPort::SerialPortError erreur);

    QString peripherique_;
    QSerialPort port_;
    bool enOuverture_ = false; // an opening under way: its failure is the opening's result
};

} // namespace kovra
