#include "wayland/TextesFrappe.h"

#include "keyboard/EnvoiTouches.h"

#include <random>

namespace kovra::test {

namespace {

QString Repete(const QString& motif, qsizetype n) {
    QString texte;
    texte.reserve(n + motif.size());
    while (texte.size() < n) {
        texte += motif;
    }
    texte.truncate(n);
    return texte;
}

TexteFrappe Frappe(const QString& texte) {
    return {EnTouches(texte), texte};
}

QString Visible(QString texte) {
    return texte.replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n"));
}

} // namespace

QString EnTouches(const QString& texte) {
    QString touches;
    for (const QChar c : texte) {
        if (c == u'\t') {
            touches += QStringLiteral("{TAB}");
        } else if (c == u'\n') {
            touches += QStringLiteral("{ENTER}");
        } else if (kSignesTouches.find(c.unicode()) != std::u32string_view::npos) {
            touches += u'{' + QString(c) + u'}';
        } else {
            touches += c;
        }
    }
    return touches;
}

TexteFrappe Enregistrements(qsizetype n) {
    static const QString alphabet =
        QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-/.");
    std::minstd_rand aleas(20240611); // the same records on every run
    const auto entre = [&](int min, int max) {
        return std::uniform_int_distribution<int>(min, max)(aleas);
    };
    QString texte;
    while (texte.size() < n) {
        const int champs = entre(3, 6);
        for (int champ = 0; champ < champs; ++champ) {
            if (champ > 0) {
                texte += u'\t';
            }
            const int longueur = entre(2, 12);
            for (int i = 0; i < longueur; ++i) {
                texte += alphabet[entre(0, static_cast<int>(alphabet.size()) - 1)];
            }
        }
        texte += u'\n';
    }
    texte.truncate(n);
    return Frappe(texte);
}

TexteFrappe FrancaisLibre(qsizetype n) {
    return Frappe(Repete(
        QStringLiteral(
            "« Où êtes-vous ? » demanda l’élève à Noël, près du château. Ça coûte 12,50 € "
            "(TVA 20 % incluse) + 3 € de port. L’été, Éloïse et Zoé mangent des crêpes au cœur "
            "de la forêt ; Œdipe, lui, préfère l’œuf à la coque… À Saint-Étienne, Ève hésita : "
            "« Ô rage ! » Le garçon naïf goûta une bûche de Noël. Çà et là : È, Ê, Ë, Î, Ï, Ô, "
            "Ù, Û, Ü, Ÿ, æ, Æ, ÿ, ~ et ^ et {accolades}.\n"),
        n));
}

TexteFrappe FrancaisDispositionFr(qsizetype n) {
    return Frappe(Repete(
        QStringLiteral(
            "Reçu n°4712 : 3 cafés à 2,50 € et 1 thé à 1,80 € ; total 9,30 € (payé). Où est la "
            "clé ? Derrière la porte, à gauche. Le colis pèse 12 kg, il fait 21 °C ; surface "
            "40 m². Article § 7 : tarif 15 £ ou 17 €, délai 3 jours. Fréquence 50 Hz, 5 µs par "
            "échantillon. Très bien, merci ! Contact : caisse@exemple.fr #12 [lot] {A} x^2 ~3 "
            "a|b c\\d `ok` <> = + - * / _ \"guillemets\" 'apostrophe' 100 %.\n"),
        n));
}

QString Difference(const QString& attendu, const QString& recu) {
    qsizetype i = 0;
    while (i < attendu.size() && i < recu.size() && attendu[i] == recu[i]) {
        ++i;
    }
    const qsizetype debut = std::max<qsizetype>(0, i - 20);
    return QStringLiteral("received %1 characters, expected %2; first difference at %3: "
                          "expected \"%4\", received \"%5\"")
        .arg(recu.size())
        .arg(attendu.size())
        .arg(i)
        .arg(Visible(attendu.mid(debut, 40)), Visible(recu.mid(debut, 40)));
}

} // namespace kovra::test
