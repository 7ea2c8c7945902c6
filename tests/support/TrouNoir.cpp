#include "support/TrouNoir.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kovra::test {

namespace {

QString Nft() {
    return QStandardPaths::findExecutable("nft", {"/usr/sbin", "/sbin", "/usr/bin"});
}

// The table of the black hole on `port`; one table per port, so that each is removed alone.
QString Table(quint16 port) {
    return QStringLiteral("kovra_trou_noir_%1").arg(port);
}

// Runs nft with `script` on its standard input; what went wrong, empty when nothing did.
QString ExecuteNft(const QStringList& arguments, const QByteArray& script = QByteArray()) {
    QProcess nft;
    nft.setProcessChannelMode(QProcess::MergedChannels);
    nft.start(Nft(), arguments);
    nft.write(script);
    nft.closeWriteChannel();
    if (!nft.waitForFinished(10000)) {
        nft.kill();
        nft.waitForFinished();
        return QStringLiteral("nft did not finish");
    }
    if (nft.exitStatus() != QProcess::NormalExit || nft.exitCode() != 0) {
        return QStringLiteral("nft %1: %2")
            .arg(arguments.join(u' '), QString::fromLocal8Bit(nft.readAll()).trimmed());
    }
    return QString();
}

QString Pourquoi() {
    // The namespace the wrapper made ("net:[INODE]"), which must still be this one.
    const QByteArray prevu = qgetenv("KOVRA_RESEAU_PRIVE");
    char actuel[64] = {};
    if (prevu.isEmpty() || readlink("/proc/self/ns/net", actuel, sizeof actuel - 1) <= 0 ||
        prevu != actuel) {
        return QStringLiteral(
            "not in a private network namespace: run the test program through "
            "tests/support/reseau-prive.sh (ctest does), where unshare -n or unshare -rn must "
            "be allowed");
    }
    if (Nft().isEmpty()) {
        return QStringLiteral("nft is not installed (Debian package nftables)");
    }
    const QString erreur = ExecuteNft({"list", "tables"});
    return erreur.isEmpty() ? QString() : QStringLiteral("nft cannot run here: ") + erreur;
}

} // namespace

QString TrouNoir::Impossible() {
    static const QString raison = Pourquoi();
    return raison;
}

TrouNoir::~TrouNoir() {
    Arrete();
}

bool TrouNoir::Demarre(quint16 port) {
    Arrete();
    erreur_ = Impossible();
    if (!erreur_.isEmpty()) {
        return false;
    }
    // Locally, each packet leaves through the output hook (and comes back on lo): dropping
    // it there, in both directions, leaves each end waiting for the other.
    const QByteArray numero = QByteArray::number(port);
    const QByteArray script = "table inet " + Table(port).toLatin1() +
                              " {\n"
                              "  chain sortie {\n"
                              "    type filter hook output priority 0; policy accept;\n"
                              "    tcp sport " +
                              numero + " drop\n    tcp dport " + numero +
                              " drop\n"
                              "  }\n"
                              "}\n";
    erreur_ = ExecuteNft({"-f", "-"}, script);
    if (erreur_.isEmpty()) {
        port_ = port;
    }
    return erreur_.isEmpty();
}

void TrouNoir::Arrete() {
    if (port_ == 0) {
        return;
    }
    const QString erreur = ExecuteNft({"delete", "table", "inet", Table(port_)});
    EXPECT_TRUE(erreur.isEmpty()) << erreur.toStdString();
    port_ = 0;
}

} // namespace kovra::test
