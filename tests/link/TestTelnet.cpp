#include "link/AdresseReseau.h"
#include "link/Telnet.h"
#include "link/TexteServeur.h"

#include <gtest/gtest.h>

using namespace kovra;

namespace {

QByteArray Octets(std::initializer_list<int> valeurs) {
    QByteArray b;
    for (const int v : valeurs) {
        b.append(static_cast<char>(v));
    }
    return b;
}

} // namespace

// The same bytes give the same data and commands however the reads cut them.
TEST(Telnet, TheDecoderSeparatesDataFromCommandsWhereverTheReadsCut) {
    using C = telnet::Commande;
    const struct {
        QByteArray flux;
        bool crNul;
        QByteArray donnees;
        QList<C> commandes;
    } cas[] = {
        {Octets({'a', 255, 255, 'b'}), false, Octets({'a', 255, 'b'}), {}},
        {Octets({255, 253, 44, 'x', 255, 251, 0}), false, "x", {{253, 44, {}}, {251, 0, {}}}},
        {Octets({255, 250, 44, 101, 0, 255, 255, 1, 255, 240, 'z'}),
         false,
         "z",
         {{250, 44, Octets({101, 0, 255, 1})}}},
        {Octets({255, 241, 'n', 255, 242}), false, "n", {}}, // NOP and data mark dropped
        {Octets({'\r', 0, '\r', '\n', '\r', 0}), true, "\r\r\n\r", {}},
        {Octets({'\r', 0}), false, Octets({'\r', 0}), {}}, // binary mode keeps the NUL
    };
    for (const auto& c : cas) {
        for (int coupe = 1; coupe <= c.flux.size(); ++coupe) {
            SCOPED_TRACE(testing::Message() << c.flux.toHex().constData() << " by " << coupe);
            telnet::Decodeur d;
            QByteArray donnees;
            QList<C> commandes;
            for (qsizetype i = 0; i < c.flux.size(); i += coupe) {
                d.Decode(c.flux.mid(i, coupe), donnees, commandes, c.crNul);
            }
            EXPECT_EQ(donnees, c.donnees);
            EXPECT_EQ(commandes, c.commandes);
        }
    }
}

TEST(Telnet, DataForTheWireDoublesIacAndPadsALoneCr) {
    EXPECT_EQ(telnet::Echappe(Octets({'a', 255, 'b', '\r', '\n'})),
              Octets({'a', 255, 255, 'b', '\r', '\n'}));
    EXPECT_EQ(telnet::Echappe(Octets({'\r', 'x', '\r', '\n', '\r'}), true),
              Octets({'\r', 0, 'x', '\r', '\n', '\r', 0}));
}

// What a device server writes of its own is recognised, at the start of a connection only;
// anything else is handed on, the bytes held back included.
TEST(TexteServeur, OnlyAServersOwnLineAtTheStartIsHeldBack) {
    const struct {
        QList<QByteArray> morceaux;
        bool libereALaFin; // the holding back ends (time out, or connection closed)
        const char* message;
        QByteArray donnees;
    } cas[] = {
        {{"Device open failure: Value or file not found\r\n"},
         false,
         "Device open failure: Value or file not found",
         ""},
        {{"Dev", "ice open fail", "ure: x\r\n"}, false, "Device open failure: x", ""},
        {{"Port already in use"}, true, "Port already in use", ""}, // closed before its end
        {{"Port's device already in use\r\n"}, false, "Port's device already in use", ""},
        {{"Dev", "-12;3\r"}, false, nullptr, "Dev-12;3\r"},
        {{"Port"}, true, nullptr, "Port"},
        {{"12;3\r", "Device open failure\r\n"}, false, nullptr, "12;3\rDevice open failure\r\n"},
        {{"device open failure\r\n"}, false, nullptr, "device open failure\r\n"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.morceaux.join('|').constData());
        GuetteurTexteServeur g;
        QByteArray donnees;
        for (const QByteArray& m : c.morceaux) {
            donnees += g.Recoit(m);
        }
        if (c.libereALaFin) {
            donnees += g.Libere();
        }
        EXPECT_EQ(donnees, c.donnees);
        EXPECT_EQ(g.Message().value_or(QString()), QString::fromUtf8(c.message ? c.message : ""));
    }
}

TEST(AdresseReseau, AddressesAreReadOrRefusedWithTheirReason) {
    using M = AdresseReseau::Mode;
    const struct {
        const char* texte;
        std::optional<AdresseReseau> adresse;
        const char* raison; // part of the refusal; nullptr: none
    } cas[] = {
        {"tcp://192.168.1.20:4001", AdresseReseau{M::Brut, "192.168.1.20", 4001}, nullptr},
        {"RFC2217://nport-quai3.local:950", AdresseReseau{M::Rfc2217, "nport-quai3.local", 950},
         nullptr},
        {"tcp://[fe80::1%eth0]:2000", AdresseReseau{M::Brut, "fe80::1%eth0", 2000}, nullptr},
        {"/dev/ttyUSB0", std::nullopt, nullptr},
        {"tcp://serveur", std::nullopt, "il manque le port"},
        {"tcp://:4001", std::nullopt, "le nom de l'hôte est vide"},
        {"tcp://serveur:0", std::nullopt, "« 0 » n'est pas un numéro de 1 à 65535"},
        {"tcp://serveur:65536", std::nullopt, "65536"},
        {"tcp://serveur:+80", std::nullopt, "+80"},
        {"rfc2217://ser veur:80", std::nullopt, "nom d'hôte « ser veur »"},
        {"tcp://[::1:80", std::nullopt, "entre crochets"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.texte);
        EXPECT_EQ(LitAdresseReseau(c.texte), c.adresse);
        const std::optional<QString> probleme = ProblemeAdresseReseau(c.texte);
        EXPECT_EQ(probleme.has_value(), c.raison != nullptr);
        if (c.raison != nullptr && probleme) {
            EXPECT_TRUE(probleme->contains(QString::fromUtf8(c.raison))) << probleme->toStdString();
        }
        if (c.adresse) {
            EXPECT_EQ(LitAdresseReseau(TexteAdresseReseau(*c.adresse)), c.adresse);
        }
    }
}
