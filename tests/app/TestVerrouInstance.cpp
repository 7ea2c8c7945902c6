#include "app/VerrouInstance.h"
#include "support/DossierTest.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

using namespace kovra;
using kovra::test::DossierTest;

namespace {

QString Raison(int numero) {
    return QString::fromLocal8Bit(std::strerror(numero));
}

// No file of this process may grow beyond 0 bytes while the object lives, as on a full disk.
struct DisqueSature {
    rlimit avant{};
    void (*signalAvant)(int) = nullptr;
    DisqueSature() {
        getrlimit(RLIMIT_FSIZE, &avant);
        signalAvant = std::signal(SIGXFSZ, SIG_IGN);
        rlimit zero = avant;
        zero.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &zero);
    }
    ~DisqueSature() {
        setrlimit(RLIMIT_FSIZE, &avant);
        std::signal(SIGXFSZ, signalAvant);
    }
};

} // namespace

TEST(VerrouInstance, AnotherKovraIsToldFromAFolderThatCannotBeWritten) {
    DossierTest d;
    d.Ecrit("fichier", "pas un dossier");
    QDir().mkpath(d.Chemin("pris"));
    VerrouInstance premier(d.Chemin("pris"));
    ASSERT_TRUE(premier.Prend().Prise());
    EXPECT_TRUE(premier.Prend().Prise()); // taken again by its holder

    const struct {
        const char* nom;
        QString dossier;
        PriseVerrou::Issue issue;
        QString raison;
    } cas[] = {
        {"another Kovra", d.Chemin("pris"), PriseVerrou::Issue::AutreInstance, {}},
        {"a missing folder", d.Chemin("absent"), PriseVerrou::Issue::Impossible, Raison(ENOENT)},
        {"a file, not a folder", d.Chemin("fichier"), PriseVerrou::Issue::Impossible,
         Raison(ENOTDIR)},
    };
    for (const auto& c : cas) {
        const PriseVerrou prise = VerrouInstance(c.dossier).Prend();
        EXPECT_EQ(prise.issue, c.issue) << c.nom;
        if (c.issue == PriseVerrou::Issue::AutreInstance) {
            EXPECT_EQ(prise.message, kDejaActive);
            continue;
        }
        EXPECT_FALSE(prise.message.contains(kDejaActive)) << c.nom;
        EXPECT_TRUE(prise.message.contains(c.dossier)) << prise.message.toStdString();
        EXPECT_TRUE(prise.message.contains("(" + c.raison + ")")) << prise.message.toStdString();
        EXPECT_TRUE(prise.message.contains("kovra.lock")) << prise.message.toStdString();
    }
}

TEST(VerrouInstance, AReadOnlyFolderIsNamedWithTheSystemsReason) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes in a read-only folder";
    }
    DossierTest d;
    QDir().mkpath(d.Chemin("lecture"));
    ASSERT_TRUE(
        QFile::setPermissions(d.Chemin("lecture"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const PriseVerrou prise = VerrouInstance(d.Chemin("lecture")).Prend();
    QFile::setPermissions(d.Chemin("lecture"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(prise.issue, PriseVerrou::Issue::Impossible);
    EXPECT_TRUE(prise.message.contains(d.Chemin("lecture") + " (" + Raison(EACCES) + ")"))
        << prise.message.toStdString();
}

TEST(VerrouInstance, AFullDiskIsNamedAndLeavesNothingBehind) {
    DossierTest d;
    PriseVerrou prise;
    {
        DisqueSature sature;
        prise = VerrouInstance(d.Chemin()).Prend();
    }
    EXPECT_EQ(prise.issue, PriseVerrou::Issue::Impossible);
    EXPECT_TRUE(prise.message.contains(d.Chemin() + " (" + Raison(EFBIG) + ")"))
        << prise.message.toStdString();
    EXPECT_TRUE(QDir(d.Chemin()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // Once it can be written, the folder is Kovra's.
    EXPECT_TRUE(VerrouInstance(d.Chemin()).Prend().Prise());
}
