#include "OutilsTallyra.h"
#include "ServeurFactice.h"
#include "base/ErreurKovra.h"

#include "inventory/BaseArticles.h"
#include "inventory/DossierTallyra.h"
#include "inventory/ParametresTallyra.h"
#include "inventory/QuantiteInventaire.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <cmath>
#include <gtest/gtest.h>

#include "inventory/ServeurLedgraDBus.h"

using namespace kovra::tallyra;
using namespace kovra::tallyra::test;

namespace {

TEST(QuantiteInventaire, ReadAndSentInTheUsersLocale) {
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    struct Cas {
        QString lu;
        QString francais;
        QString anglais;
    };
    const Cas cas[] = {
        {"1 234,5", "1234,5", "1234.5"},
        {QString::fromUtf8("1\u202F234,5"), "1234,5", "1234.5"},
        {QString::fromUtf8("1\u00A0234,5"), "1234,5", "1234.5"},
        {"12kg", "12", "12"},
        {"kg", "0", "0"},
        {"", "0", "0"},
        {"-0", "0", "0"},
        {"-3,25", "-3,25", "-3.25"},
        {"+7", "7", "7"},
        {"1.234,5", "1,234", "1.234"}, // the second decimal point ends the number
        {"--3", "0", "0"},
        {"3-", "3", "3"},
        {"1234567", "1234567", "1234567"}, // never with thousands separators
        {".5", "0,5", "0.5"},
        // Never in exponent form, every digit the file gives.
        {"0,00001", "0,00001", "0.00001"},
        {"0012,500", "12,5", "12.5"},
        {"123456789012345", "123456789012345", "123456789012345"},
        {"0,000000000000000000123", "0,000000000000000000123", "0.000000000000000000123"},
        {"99999999999,9999", "99999999999,9999", "99999999999.9999"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.lu.toStdString());
        EXPECT_EQ(TexteQuantite(c.lu, fr), c.francais);
        EXPECT_EQ(TexteQuantite(c.lu, en), c.anglais);
    }
    // More significant digits than the management application holds exactly.
    for (const char* trop : {"1234567890123456", "1,234567890123456", "0,1234567890123456"}) {
        EXPECT_EQ(TexteQuantite(trop, fr), std::nullopt) << trop;
    }
    EXPECT_DOUBLE_EQ(MyVal("1 234,5", fr), 1234.5);
    EXPECT_TRUE(std::isinf(MyVal(QString(400, u'9'), fr)));
}

TEST(BaseArticles, CodesMatchWithoutRegardToCaseForEveryWindows1252Letter) {
    DossierTallyraTest d;
    const QString base = d.Chemin("LedgC.db");
    CreeBaseArticles(base, {{QString::fromUtf8("ÉTAU01"), ""},
                            {QString::fromUtf8("ŒUF-À-LA-COQUE"), "ÇA1"},
                            {QString::fromUtf8("µM"), ""},
                            {QString::fromUtf8("STRAßE"), ""},
                            {"first", "DOUBLE"},
                            {"DOUBLE", ""},
                            {QString::fromUtf8("ŠŽŸ"), ""}});
    BaseArticles articles;
    ASSERT_NO_THROW(articles.Ouvre(base));
    const struct {
        const char* lu;
        const char* trouve; // nullptr: not found
    } cas[] = {
        {"étau01", "ÉTAU01"},
        {"ÉtAu01", "ÉTAU01"},
        {"œuf-à-la-coque", "ŒUF-À-LA-COQUE"},
        {"ça1", "ŒUF-À-LA-COQUE"}, // by barcode
        {"µm", "µM"},              // µ has no capital in Windows-1252: it stays
        {"straße", "STRAßE"},
        {"STRASSE", nullptr},
        {"šžÿ", "ŠŽŸ"},
        {"etau01", nullptr}, // accents are not case
        {"double", "first"}, // the first row, by its barcode
    };
    for (const auto& c : cas) {
        const auto r = articles.RechercheRef(QString::fromUtf8(c.lu));
        EXPECT_EQ(r, c.trouve ? std::optional<QString>(QString::fromUtf8(c.trouve)) : std::nullopt)
            << c.lu;
    }
}

TEST(EntierReponse, AnswersBecome16BitIntegersOrErrors) {
    struct Cas {
        QVariant v;
        bool ok;
        qint16 valeur;
    };
    const Cas cas[] = {
        {QVariant(), true, 0},
        {QVariant(true), true, -1},
        {QVariant(false), true, 0},
        {QVariant(qint32(-1)), true, -1},
        {QVariant(quint32(32767)), true, 32767},
        {QVariant(quint32(32768)), false, 0},
        {QVariant(qint64(-32769)), false, 0},
        {QVariant(uchar(200)), true, 200},
        {QVariant(2.5), true, 2},
        {QVariant(3.5), true, 4},
        {QVariant(-0.5), true, 0},
        {QVariant(1e10), false, 0},
        {QVariant(QStringLiteral(" -1 ")), true, -1},
        {QVariant(QStringLiteral("12")), true, 12},
        {QVariant(QStringLiteral("abc")), false, 0},
        {QVariant(QStringLiteral("")), false, 0},
        {QVariant(QStringList{"1"}), false, 0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.v.toString().toStdString());
        const ResultatAppel r = EntierReponse(c.v);
        EXPECT_EQ(r.ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(r.valeur, c.valeur);
        } else {
            EXPECT_FALSE(r.erreur.isEmpty());
        }
    }
}

TEST(ReponseDBus, NoValueOneValueOrAVariantButNotTwoValues) {
    const QDBusMessage appel = QDBusMessage::createMethodCall("x.y", "/", "x.y", "Init");
    EXPECT_EQ(ReponseDBus(appel.createReply()).valeur, 0);
    EXPECT_TRUE(ReponseDBus(appel.createReply(QVariant(true))).Vrai());
    EXPECT_TRUE(
        ReponseDBus(appel.createReply(QVariant::fromValue(QDBusVariant(qint16(-1))))).Vrai());
    EXPECT_FALSE(ReponseDBus(appel.createReply(QVariantList{1, 2})).ok);
    const struct {
        const char* nom;
        const char* texte;
        const char* erreur;
    } erreurs[] = {
        {"x.Erreur", "refus du serveur",
         "La ledgra a répondu par une erreur (D-Bus : x.Erreur : refus du serveur)"},
        {"org.freedesktop.DBus.Error.ServiceUnknown",
         "The name :1.108 was not provided by any .service files",
         "La ledgra s'est arrêtée pendant l'importation (D-Bus : "
         "org.freedesktop.DBus.Error.ServiceUnknown : The name :1.108 was not provided by any "
         ".service files)"},
        {"org.freedesktop.DBus.Error.NoReply", "",
         "La ledgra s'est arrêtée pendant l'importation (D-Bus : "
         "org.freedesktop.DBus.Error.NoReply)"},
    };
    for (const auto& c : erreurs) {
        const ResultatAppel e = ReponseDBus(appel.createErrorReply(c.nom, c.texte));
        EXPECT_FALSE(e.ok);
        EXPECT_EQ(e.erreur, QString::fromUtf8(c.erreur));
    }
    EXPECT_EQ(NomServeurLedgra(1), "Ledgra.ClsProjet");
    EXPECT_EQ(NomServeurLedgra(0), "Ledgra.ClsProjet");
    EXPECT_EQ(NomServeurLedgra(2), "Ledgra8.ClsProjet");
}

TEST(ParametresTallyra, EditionFromTheStoredValueAndTheMenuRules) {
    const auto ok = [](EditionLedgra e, qint16 v, bool expert, bool huit) {
        return e.VersionLedgra == v && e.expertCoche == expert && e.huitCoche == huit;
    };
    EXPECT_TRUE(ok(EditionDepuisTexte(""), 1, false, false));
    EXPECT_TRUE(ok(EditionDepuisTexte("1"), 1, true, false));
    EXPECT_TRUE(ok(EditionDepuisTexte("2"), 2, false, true));
    EXPECT_TRUE(ok(EditionDepuisTexte("x"), 2, false, true));

    EditionLedgra e = EditionDepuisTexte("");
    e = ChoisitHuit(e);
    EXPECT_TRUE(ok(e, 2, false, true));
    e = ChoisitExpert(e);
    EXPECT_TRUE(ok(e, 1, true, false));
    e = ChoisitExpert(e); // unchecked, yet still edition 1
    EXPECT_TRUE(ok(e, 1, false, false));
    e = ChoisitHuit(ChoisitHuit(e));
    EXPECT_TRUE(ok(e, 2, false, false));
}

TEST(ParametresTallyra, WrittenValuesReadBackWhole) {
    DossierTallyraTest d;
    const QString dossier = d.Chemin("sous/dossier");
    ParametresTallyra vide = LitParametres(dossier);
    EXPECT_TRUE(vide.Societe.isEmpty() && vide.Depot.isEmpty() && vide.LedgraPath.isEmpty());
    EXPECT_EQ(vide.edition.VersionLedgra, 1);

    ParametresTallyra p;
    p.Societe = "Société A";
    p.Depot = " D1 ";
    p.edition = ChoisitHuit(p.edition);
    p.LedgraPath = "/srv/" + QString(400, u'l') + "/LedgC.db";
    ASSERT_NO_THROW(EnregistreParametres(dossier, p));
    const ParametresTallyra relu = LitParametres(dossier);
    EXPECT_EQ(relu.Societe, p.Societe);
    EXPECT_EQ(relu.Depot, p.Depot);
    EXPECT_EQ(relu.LedgraPath, p.LedgraPath);
    EXPECT_EQ(relu.edition.VersionLedgra, 2);
    EXPECT_TRUE(d.Lit("sous/dossier/Parametres.ini").contains("Ledgra=2"));
    EXPECT_TRUE(d.Lit("sous/dossier/Parametres.ini").contains("Soci\xE9t\xE9 A"));

    // Refused rather than cut: a path longer than a reading returns, an unwritable place.
    p.LedgraPath = QString(3000, u'p');
    EXPECT_THROW(EnregistreParametres(dossier, p), kovra::ErreurKovra);
    EXPECT_EQ(LitParametres(dossier).LedgraPath, relu.LedgraPath);
    d.Ecrit("fichier", "x");
    EXPECT_THROW(EnregistreParametres(d.Chemin("fichier"), relu), kovra::ErreurKovra);
}

TEST(DossierTallyra, OptionThenEnvironmentThenUserData) {
    qputenv("TALLYRA_DIR", "/tmp/tallyra-env");
    EXPECT_EQ(ResoutDossierTallyra("/tmp/opt"), "/tmp/opt");
    EXPECT_EQ(ResoutDossierTallyra(""), "/tmp/tallyra-env");
    qunsetenv("TALLYRA_DIR");
    EXPECT_TRUE(ResoutDossierTallyra("").endsWith("/tallyra"));
}

} // namespace
