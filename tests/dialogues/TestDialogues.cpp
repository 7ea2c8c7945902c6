#include "app/DialoguesDifferes.h"
#include "dialogues/DialoguesQt.h"
#include "dialogues/DialoguesScriptes.h"
#include "dialogues/TraductionsQt.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kovra;

namespace {

// Answers the next modal dialog as a user would, once it is up.
template <typename Fenetre, typename Reponse> void Repond(Reponse reponse) {
    QTimer::singleShot(0, [reponse] {
        auto* f = qobject_cast<Fenetre*>(QApplication::activeModalWidget());
        if (f == nullptr) {
            Repond<Fenetre>(reponse);
            return;
        }
        reponse(f);
    });
}

} // namespace

TEST(DialoguesQt, ShowTheTextsAndReturnTheUsersAnswers) {
    DialoguesQt d;
    QString vu;
    Repond<QMessageBox>([&vu](QMessageBox* m) {
        vu = m->windowTitle() + "|" + m->text();
        m->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(
        d.Question("Voulez-vous réellement supprimer le scénario A?", Icone::Critique, "Kovra"));
    EXPECT_EQ(vu, "Kovra|Voulez-vous réellement supprimer le scénario A?");

    Repond<QMessageBox>([](QMessageBox* m) { m->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(d.Question("Encore ?", Icone::Question, "Kovra"));

    Repond<QInputDialog>([](QInputDialog* i) {
        i->setTextValue("7");
        i->accept();
    });
    EXPECT_EQ(d.Saisie("Nombre de champs dans la trame :", "Kovra", ""), QString("7"));

    Repond<QInputDialog>([](QInputDialog* i) { i->reject(); });
    EXPECT_EQ(d.Saisie("Valeur du champs libre : ", "Kovra", ""), std::nullopt);

    Repond<QMessageBox>([&vu](QMessageBox* m) {
        vu = m->text();
        m->button(QMessageBox::Ok)->click();
    });
    d.Message("Aucun scénario n'est défini", Icone::Information);
    EXPECT_EQ(vu, "Aucun scénario n'est défini");
}

namespace {

// The notice boxes on screen, in the order they were made.
QList<QMessageBox*> BoitesAvis() {
    QList<QMessageBox*> boites;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* m = qobject_cast<QMessageBox*>(w); m != nullptr && m->isVisible()) {
            boites << m;
        }
    }
    return boites;
}

} // namespace

TEST(DialoguesQt, NoticesWaitForNothingAndComeOneAtATime) {
    DialoguesQt d;
    // Shown without waiting: the call returns with the box on screen.
    d.Avis("Le port /dev/ttyUSB0 ne répond plus", Icone::Exclamation);
    d.Avis("Fichier /tmp/Stock.txt : généré", Icone::Information);
    ASSERT_EQ(BoitesAvis().size(), 1);
    QMessageBox* premiere = BoitesAvis()[0];
    EXPECT_FALSE(premiere->isModal());
    EXPECT_EQ(premiere->windowTitle(), "Kovra");
    EXPECT_EQ(premiere->text(), "Le port /dev/ttyUSB0 ne répond plus");
    // The second comes once the first is closed.
    premiere->button(QMessageBox::Ok)->click();
    ASSERT_EQ(BoitesAvis().size(), 1);
    EXPECT_EQ(BoitesAvis()[0]->text(), "Fichier /tmp/Stock.txt : généré");
    BoitesAvis()[0]->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(BoitesAvis().isEmpty());
    // One still open when the dialogues go is closed with them.
    {
        DialoguesQt autre;
        autre.Avis("Terminal connecté", Icone::Information);
        EXPECT_EQ(BoitesAvis().size(), 1);
    }
    QApplication::processEvents();
    EXPECT_TRUE(BoitesAvis().isEmpty());
}

TEST(DialoguesQt, NoticesWaitWhileAQuestionIsOpen) {
    DialoguesQt d;
    QStringList pendant;
    Repond<QMessageBox>([&](QMessageBox* m) {
        // A frame's notice arrives while the user is being asked.
        d.Avis("Fichier /tmp/Stock.txt : généré", Icone::Information);
        for (QMessageBox* b : BoitesAvis()) {
            pendant << b->text();
        }
        m->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(d.Question("Voulez-vous quitter ?", Icone::Question, "Kovra"));
    EXPECT_EQ(pendant, QStringList{"Voulez-vous quitter ?"});
    // Once answered, the notice shows.
    ASSERT_EQ(BoitesAvis().size(), 1);
    EXPECT_EQ(BoitesAvis()[0]->text(), "Fichier /tmp/Stock.txt : généré");
    BoitesAvis()[0]->button(QMessageBox::Ok)->click();
}

TEST(DialoguesQt, InvitesShowTheirAmpersandsAndLongWordsWrap) {
    DialoguesQt d;
    QString libelle;
    Repond<QInputDialog>([&](QInputDialog* i) {
        // What the user reads: the label as wide as the text with its "&".
        auto* l = i->findChild<QLabel*>();
        QLabel litteral;
        litteral.setFont(l->font());
        litteral.setText(QStringLiteral("Valeur du champs &CODE"));
        libelle = l->sizeHint().width() == litteral.sizeHint().width() ? "&" : "access key";
        i->reject();
    });
    d.Saisie("Valeur du champs &CODE", "Kovra", "");
    EXPECT_EQ(libelle, "&");

    const QString nom(300, QChar('N'));
    int largeur = 0;
    Repond<QMessageBox>([&](QMessageBox* m) {
        largeur = m->frameGeometry().width();
        m->button(QMessageBox::Ok)->click();
    });
    d.Message("Le scénario " + nom + " a été généré", Icone::Information);
    EXPECT_GT(largeur, 0);
    EXPECT_LE(largeur, QApplication::primaryScreen()->availableGeometry().width());
}

TEST(DialoguesQt, WhatWaitsForTheNoticesRunsOnceTheLastIsClosed) {
    DialoguesQt d;
    int appels = 0;
    d.ApresAvis([&] { ++appels; });
    EXPECT_EQ(appels, 1);
    d.Avis("Fichier A : généré", Icone::Information);
    d.Avis("Fichier B : généré", Icone::Information);
    d.ApresAvis([&] { ++appels; });
    BoitesAvis()[0]->button(QMessageBox::Ok)->click();
    EXPECT_EQ(appels, 1);
    BoitesAvis()[0]->button(QMessageBox::Ok)->click();
    EXPECT_EQ(appels, 2);
    EXPECT_TRUE(BoitesAvis().isEmpty());
}

TEST(DialoguesQt, BreaksOnlyLongRunsOfCharacters) {
    const QChar z(0x200B);
    const struct {
        QString texte;
        QString attendu;
    } cas[] = {
        {"Aucun scénario n'est défini", "Aucun scénario n'est défini"},
        {QString(40, 'a'), QString(40, 'a')},
        {QString(41, 'a'), QString(40, 'a') + z + "a"},
        {"x " + QString(81, 'b') + " y",
         "x " + QString(40, 'b') + z + QString(40, 'b') + z + "b y"},
        // A character outside the basic plane is never cut in two.
        {QString(39, 'c') + QString::fromUtf8("😀") + "d",
         QString(39, 'c') + QString::fromUtf8("😀") + z + "d"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(CoupeLongsMots(c.texte), c.attendu) << c.texte.toStdString();
    }
}

TEST(DialoguesDifferes, HoldNoticesBackWhileTypingAndLetEverythingElseThrough) {
    DialoguesScriptes cible;
    bool frappe = true;
    DialoguesDifferes d(cible, [&] { return frappe; });
    cible.PrepareOui(true);
    d.Avis("Fichier A : généré", Icone::Information);
    d.Message("Aucun scénario n'est défini", Icone::Information);
    EXPECT_TRUE(d.Question("Supprimer ?", Icone::Question, "Kovra"));
    d.Avis("Terminal connecté", Icone::Information);
    EXPECT_EQ(cible.Messages(), QStringList{"Aucun scénario n'est défini"});
    d.Libere(); // still typing: they wait
    EXPECT_EQ(cible.Messages().size(), 1);
    frappe = false;
    d.Libere();
    EXPECT_EQ(cible.Messages(), (QStringList{"Aucun scénario n'est défini", "Fichier A : généré",
                                             "Terminal connecté"}));
    EXPECT_EQ(cible.Journal().back().genre, DialoguesScriptes::Genre::Avis);
}

TEST(DialoguesDifferes, WhatWaitsForTheNoticesWaitsForThoseHeldBackToo) {
    DialoguesScriptes cible;
    cible.GardeAvisOuverts(true);
    bool frappe = false;
    DialoguesDifferes d(cible, [&] { return frappe; });
    int appels = 0;
    d.ApresAvis([&] { ++appels; }); // nothing open: at once
    EXPECT_EQ(appels, 1);

    frappe = true;
    d.Avis("Fichier A : généré", Icone::Information);
    d.ApresAvis([&] { ++appels; });
    frappe = false;
    EXPECT_EQ(appels, 1); // held back, then shown: still to be closed
    d.Libere();
    EXPECT_EQ(cible.AvisOuverts(), 1);
    EXPECT_EQ(appels, 1);
    cible.FermeAvis();
    EXPECT_EQ(appels, 2);
    EXPECT_EQ(cible.AvisOuverts(), 0);
}

TEST(TraductionsQt, QtsOwnButtonsSpeakFrench) {
    EXPECT_FALSE(ChargeTraductionsQt(*QCoreApplication::instance(), "/nonexistent"));
    ASSERT_TRUE(ChargeTraductionsQt(*QCoreApplication::instance()));
    QMessageBox boite(QMessageBox::Question, "Kovra", "Supprimer ?",
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(boite.button(QMessageBox::Yes)->text().remove('&'), "Oui");
    EXPECT_EQ(boite.button(QMessageBox::No)->text().remove('&'), "Non");
    EXPECT_EQ(boite.button(QMessageBox::Cancel)->text().remove('&'), "Annuler");
}
