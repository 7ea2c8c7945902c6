#include "support/PortsLocaux.h"

#include <QTcpSocket>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kovra::test {

quint16 PortLibre() {
    QTcpServer serveur;
    EXPECT_TRUE(serveur.listen(QHostAddress::LocalHost, 0)) << serveur.errorString().toStdString();
    return serveur.serverPort();
}

PortFerme::PortFerme() {
    socket_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t taille = sizeof adresse;
    auto* brute = reinterpret_cast<sockaddr*>(&adresse);
    if (socket_ < 0 || bind(socket_, brute, taille) != 0 ||
        getsockname(socket_, brute, &taille) != 0) {
        ADD_FAILURE() << "no local port to reserve";
        return;
    }
    port_ = ntohs(adresse.sin_port);
}

PortFerme::~PortFerme() {
    if (socket_ >= 0) {
        close(socket_);
    }
}

EcouteurMuet::EcouteurMuet() {
    QObject::connect(&serveur_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* client = serveur_.nextPendingConnection()) {
            ++connexions_;
            clients_.append(client);
            QObject::connect(client, &QTcpSocket::readyRead,
                             [this, client] { recu_.append(client->readAll()); });
        }
    });
    EXPECT_TRUE(serveur_.listen(QHostAddress::LocalHost, 0))
        << serveur_.errorString().toStdString();
}

void EcouteurMuet::FermeConnexions() {
    for (QTcpSocket* client : std::as_const(clients_)) {
        client->abort();
        client->deleteLater();
    }
    clients_.clear();
}

} // namespace kovra::test
