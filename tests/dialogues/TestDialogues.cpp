#include "dialogues/DialoguesQt.h"
#include "dialogues/DialoguesScriptes.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kovra;

TEST(DialoguesScriptes, RecordEveryTextAndAnswerInOrder) {
    DialoguesScriptes d;
    d.PrepareOui(true);
    d.PrepareSaisie(QString("12"));
    d.PrepareSaisie(std::nullopt);
    d.Message("Bonjour", Icone::Information);
    EXPECT_TRUE(d.Question("Supprimer ?", Icone::Critique, "Kovra"));
    EXPECT_EQ(d.Saisie("Nombre de champs dans la trame :", "Kovra", ""), QString("12"));
    EXPECT_EQ(d.Saisie("Encore ?", "Kovra", ""), std::nullopt);
    EXPECT_EQ(d.ReponsesManquantes(), 0);
    // Nothing prepared: No, cancelled, and counted.
    EXPECT_FALSE(d.Question("Encore ?", Icone::Question, "Kovra"));
    EXPECT_EQ(d.ChoixFichier("Ouvrir", "/", "*.txt", false), std::nullopt);
    EXPECT_EQ(d.ReponsesManquantes(), 2);
    EXPECT_EQ(d.Messages(), QStringList{"Bonjour"});
    ASSERT_EQ(d.Journal().size(), 6u);
    EXPECT_EQ(d.Journal()[0].titre, "Kovra");
    EXPECT_EQ(d.Journal()[1].icone, Icone::Critique);
}

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
