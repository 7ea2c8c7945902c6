// The key names pages, shown and clicked on a real X server.
#include "settings/PageTouches.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace kovra;

namespace {

struct CasPage {
    GenreTouches genre;
    const char* titre;
    const char* cases;
    const char* libelles;
    const char* barre;
};

const CasPage kPages[] = {
    {GenreTouches::Particulieres, "&Touches particuliéres", "keys", "LblTouche", "TlbPart"},
    {GenreTouches::Systeme, "Touches &systémes", "systemKey", "Labelsysteme", "TlbSys"},
};

QWidget* Bouton(PageTouches& page, const char* barre, int n) {
    auto* tlb = page.findChild<QToolBar*>(barre);
    if (tlb == nullptr || tlb->actions().size() < n) {
        return nullptr;
    }
    return tlb->widgetForAction(tlb->actions()[n - 1]);
}

} // namespace

TEST(PageTouches, ShowsEachKeyLabelBesideItsBox) {
    for (const CasPage& c : kPages) {
        PageTouches page(c.genre);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        const GroupeTouches groupe = Groupe(c.genre);
        EXPECT_EQ(page.Titre(), QString::fromUtf8(c.titre));
        EXPECT_EQ(page.Touches().section, groupe.section);
        EXPECT_EQ(page.findChildren<QLineEdit*>().size(), groupe.Nombre()) << c.cases;
        for (int i = 0; i < groupe.Nombre(); ++i) {
            const QString n = QString::number(i);
            auto* boite = page.findChild<QLineEdit*>(QLatin1String(c.cases) + n);
            auto* libelle = page.findChild<QLabel*>(QLatin1String(c.libelles) + n);
            ASSERT_NE(boite, nullptr) << c.cases << i;
            ASSERT_NE(libelle, nullptr) << c.libelles << i;
            EXPECT_EQ(boite, page.Case(i));
            EXPECT_EQ(libelle->text(), groupe.libelles[i]);
            EXPECT_EQ(libelle->buddy(), boite);
            // Beside its box, on the same line.
            EXPECT_LT(libelle->geometry().right(), boite->geometry().left());
            EXPECT_EQ(libelle->geometry().center().y(), boite->geometry().center().y());
        }
        // Two columns: the page fits a small window.
        EXPECT_GT(page.Case(groupe.Nombre() - 1)->x(), page.Case(0)->x() + page.Case(0)->width());
        EXPECT_LE(page.sizeHint().height(), 480) << c.cases;
        auto* tlb = page.findChild<QToolBar*>(c.barre);
        ASSERT_NE(tlb, nullptr) << c.barre;
        ASSERT_EQ(tlb->actions().size(), 2);
        EXPECT_EQ(tlb->actions()[0]->text(), "Valider");
        EXPECT_EQ(tlb->actions()[1]->text(), "Fermer");
        EXPECT_EQ(tlb->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    }
}

TEST(PageTouches, GivesBackTheBoxesAsTyped) {
    PageTouches page(GenreTouches::Particulieres);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    page.Remplit({"{F1}", "", "{F3}"});
    QStringList attendu(15);
    attendu[0] = "{F1}";
    attendu[2] = "{F3}";
    EXPECT_EQ(page.Noms(), attendu);
    // Typed with its blanks, which are kept.
    page.Case(14)->setFocus();
    QTest::keyClicks(page.Case(14), " {CIRC} ");
    attendu[14] = " {CIRC} ";
    EXPECT_EQ(page.Noms(), attendu);
    // Filling again replaces every box, the ones without a name included.
    page.Remplit({"{A}"});
    attendu = QStringList(15);
    attendu[0] = "{A}";
    EXPECT_EQ(page.Noms(), attendu);
}

TEST(PageTouches, ButtonsSayWhatTheUserAsked) {
    for (const CasPage& c : kPages) {
        PageTouches page(c.genre);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        QSignalSpy valide(&page, &PageTouches::valide);
        QSignalSpy ferme(&page, &PageTouches::ferme);
        for (const int n : {1, 2, 1}) {
            QWidget* bouton = Bouton(page, c.barre, n);
            ASSERT_NE(bouton, nullptr) << c.barre << n;
            QTest::mouseClick(bouton, Qt::LeftButton);
        }
        EXPECT_EQ(valide.count(), 2) << c.barre;
        EXPECT_EQ(ferme.count(), 1) << c.barre;
        // The page itself neither saves nor closes: the window decides.
        EXPECT_TRUE(page.isVisible());
    }
}
