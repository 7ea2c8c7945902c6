#include "keyboard/ClavierEnregistreur.h"
#include "keyboard/LecteurFrappe.h"
#include "support/MinuterieManuelle.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

using namespace kovra;
using kovra::test::MinuterieManuelle;

namespace {

// A recorder that, like a keyboard whose spare places are all taken, asks to wait before
// some characters, and cannot type others at all. It notes each hand-over to the system.
struct ClavierExigeant : ClavierEnregistreur {
    std::u32string aAttendre;   // each asks for one wait of 3000 ms, the first time
    std::u32string impossibles; // never typed
    int envois = 0;

    int DelaiAvant(const Touche& t) override {
        const auto i = aAttendre.find(t.caractere);
        if (t.genre != Touche::Genre::Caractere || i == std::u32string::npos) {
            return 0;
        }
        aAttendre.erase(i, 1);
        return 3000;
    }
    bool Enfonce(const Touche& t) override {
        if (t.genre == Touche::Genre::Caractere &&
            impossibles.find(t.caractere) != std::u32string::npos) {
            return false;
        }
        return ClavierEnregistreur::Enfonce(t);
    }
    void Envoie() override { ++envois; }
};

PlanFrappe Plan(const std::u32string& texte, const ClavierVirtuel& clavier) {
    return PlanifieTouches(texte, 0, clavier);
}

} // namespace

TEST(LecteurFrappe, WaitsWhenTheKeyboardAsksAndGoesOnAfter) {
    ClavierExigeant clavier;
    clavier.aAttendre = U"Ω";
    MinuterieManuelle minuterie;
    LecteurFrappe lecteur(clavier, minuterie);
    std::optional<BilanFrappe> bilan;
    ASSERT_TRUE(lecteur.Joue(Plan(U"abΩc", clavier), [&](BilanFrappe b) { bilan = b; }));
    minuterie.Tours();
    // What came before went to the system; nothing of what follows yet.
    EXPECT_EQ(clavier.Caracteres(), U"ab");
    EXPECT_GE(clavier.envois, 1);
    EXPECT_EQ(minuterie.Delais(), QList<int>{3000});
    EXPECT_FALSE(bilan);
    EXPECT_FALSE(lecteur.Joue(Plan(U"x", clavier), {})); // one plan at a time
    minuterie.Termine();
    EXPECT_EQ(clavier.Caracteres(), U"abΩc");
    ASSERT_TRUE(bilan);
    EXPECT_TRUE(bilan->nonTapees.empty());
    EXPECT_FALSE(lecteur.Occupe());
    EXPECT_TRUE(lecteur.DerniereTouche().has_value());
}

TEST(LecteurFrappe, ReportsEachKeyItCouldNotTypeOnce) {
    ClavierExigeant clavier;
    clavier.impossibles = U"ж";
    MinuterieManuelle minuterie;
    LecteurFrappe lecteur(clavier, minuterie);
    std::optional<BilanFrappe> bilan;
    ASSERT_TRUE(lecteur.Joue(Plan(U"aжbж{F13}", clavier), [&](BilanFrappe b) { bilan = b; }));
    minuterie.Termine();
    EXPECT_EQ(clavier.Caracteres(), U"ab");
    ASSERT_TRUE(bilan);
    // The recorder types every named key; the X11 keyboard reports the ones it lacks.
    EXPECT_EQ(bilan->nonTapees, std::vector<Touche>{Touche::Caractere(U'ж')});
}

TEST(LecteurFrappe, PlaysALongPlanInManyTurnsOfTheLoop) {
    ClavierExigeant clavier;
    MinuterieManuelle minuterie;
    LecteurFrappe lecteur(clavier, minuterie);
    bool fini = false;
    ASSERT_TRUE(lecteur.Joue(Plan(std::u32string(20000, U'x'), clavier),
                             [&](BilanFrappe) { fini = true; }));
    int tours = 0;
    while (!fini && minuterie.AvanceUne()) {
        ++tours;
    }
    EXPECT_TRUE(fini);
    EXPECT_EQ(clavier.Caracteres().size(), 20000u);
    // However fast the keyboard takes keys, a turn holds only so many: the loop comes
    // round between them, and each batch goes to the system at its end.
    EXPECT_GT(tours, 20);
    EXPECT_EQ(clavier.envois, tours);
}

TEST(LecteurFrappe, StoppingReleasesTheKeysHeldDown) {
    ClavierExigeant clavier;
    clavier.aAttendre = U"b";
    MinuterieManuelle minuterie;
    auto lecteur = std::make_unique<LecteurFrappe>(clavier, minuterie);
    bool fini = false;
    ASSERT_TRUE(lecteur->Joue(Plan(U"+(ab)", clavier), [&](BilanFrappe) { fini = true; }));
    minuterie.Tours(); // Shift down, a typed, waiting before b
    lecteur.reset();
    minuterie.Termine();
    EXPECT_FALSE(fini);
    EXPECT_EQ(clavier.Evenements(),
              (std::vector<std::string>{"down SHIFT", "down \"a\"", "up \"a\"", "up SHIFT"}));
}

TEST(LecteurFrappe, WaitsWhileTheProgramsOwnWindowHoldsTheKeyboard) {
    ClavierExigeant clavier;
    MinuterieManuelle minuterie;
    bool retenu = false;
    LecteurFrappe lecteur(clavier, minuterie, [&] { return retenu; });
    bool fini = false;
    // Shift held over a long group: the menu opens in the middle of it.
    ASSERT_TRUE(lecteur.Joue(Plan(U"+(" + std::u32string(1000, U'x') + U")z", clavier),
                             [&](BilanFrappe) { fini = true; }));
    minuterie.AvanceUne(); // a first batch
    const std::size_t avant = clavier.Caracteres().size();
    ASSERT_GT(avant, 0u);
    ASSERT_LT(avant, 1000u);
    retenu = true;
    for (int i = 0; i < 20; ++i) {
        minuterie.AvanceUne();
    }
    // Nothing typed while held, and Shift let go: the window must not get a held modifier.
    EXPECT_EQ(clavier.Caracteres().size(), avant);
    EXPECT_EQ(clavier.Evenements().back(), "up SHIFT");
    EXPECT_FALSE(fini);
    EXPECT_TRUE(lecteur.Occupe());
    retenu = false;
    minuterie.Termine();
    EXPECT_TRUE(fini);
    // Every key, in order, Shift pressed again for the rest of the group and only for it.
    EXPECT_EQ(clavier.Caracteres(), std::u32string(1000, U'x') + U"z");
    const auto& ev = clavier.Evenements();
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "down SHIFT"), 2);
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "up SHIFT"), 2);
    EXPECT_EQ(ev[ev.size() - 3], "up SHIFT");
}

TEST(LecteurFrappe, GoesOnOnlyOnceTheKeyboardStayedFreeForAMoment) {
    ClavierExigeant clavier;
    MinuterieManuelle minuterie;
    bool retenu = true;
    LecteurFrappe lecteur(clavier, minuterie, [&] { return retenu; });
    ASSERT_TRUE(lecteur.Joue(Plan(U"ab", clavier), {}));
    minuterie.AvanceUne();
    retenu = false;
    minuterie.AvanceUne(); // free: one more delay first
    EXPECT_TRUE(clavier.Caracteres().empty());
    retenu = true; // the window took it again meanwhile
    minuterie.AvanceUne();
    minuterie.AvanceUne();
    EXPECT_TRUE(clavier.Caracteres().empty());
    retenu = false;
    minuterie.Termine();
    EXPECT_EQ(clavier.Caracteres(), U"ab");
}
