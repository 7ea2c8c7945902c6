#include "dialogues/DialoguesQt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <functional>

namespace kovra {

namespace {

QMessageBox::Icon IconeQt(Icone icone) {
    switch (icone) {
    case Icone::Information:
        return QMessageBox::Information;
    case Icone::Exclamation:
        return QMessageBox::Warning;
    case Icone::Critique:
        return QMessageBox::Critical;
    case Icone::Question:
        return QMessageBox::Question;
    case Icone::Aucune:
        break;
    }
    return QMessageBox::NoIcon;
}

// Longest run of characters without a place to break a line: a longer one (a scenario's
// name, a path) would make a box wider than the screen.
constexpr int kMotLePlusLong = 40;

// Counts the modal boxes open while one is shown.
class Modal {
public:
    Modal(int& ouverts, std::function<void()> ferme) : ouverts_(ouverts), ferme_(std::move(ferme)) {
        ++ouverts_;
    }
    ~Modal() {
        --ouverts_;
        ferme_();
    }
    Modal(const Modal&) = delete;
    Modal& operator=(const Modal&) = delete;

private:
    int& ouverts_;
    std::function<void()> ferme_;
};

} // namespace

QString CoupeLongsMots(const QString& texte) {
    static const QChar kEspaceSansLargeur(0x200B);
    QString resultat;
    resultat.reserve(texte.size());
    int mot = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        if (c.isSpace()) {
            mot = 0;
        } else if (mot >= kMotLePlusLong && !c.isLowSurrogate()) {
            resultat += kEspaceSansLargeur;
            mot = 0;
        }
        resultat += c;
        if (!c.isSpace() && !c.isHighSurrogate()) {
            ++mot;
        }
    }
    return resultat;
}

QString SansRaccourci(QString texte) {
    return texte.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

DialoguesQt::~DialoguesQt() {
    // The open notice would call back into this object when closed.
    delete avisOuvert_.data();
}

void DialoguesQt::Message(const QString& texte, Icone icone, const QString& titre) {
    const Modal modal(modaux_, [this] { AvisSuivant(); });
    QMessageBox boite(IconeQt(icone), titre, CoupeLongsMots(texte), QMessageBox::Ok, parent_);
    boite.exec();
}

void DialoguesQt::Avis(const QString& texte, Icone icone, const QString& titre) {
    avis_.push_back({texte, icone, titre});
    AvisSuivant();
}

void DialoguesQt::ApresAvis(std::function<void()> puis) {
    apresAvis_.push_back(std::move(puis));
    AvisSuivant();
}

void DialoguesQt::AvisSuivant() {
    // One notice at a time, and none over a question: it would hide it, and the question,
    // modal, would keep the mouse from it.
    if (!avisOuvert_.isNull() || modaux_ > 0) {
        return;
    }
    if (avis_.empty()) {
        // Every notice is closed: what waited for them goes on.
        while (!apresAvis_.empty() && avis_.empty() && avisOuvert_.isNull()) {
            const std::function<void()> puis = std::move(apresAvis_.front());
            apresAvis_.pop_front();
            puis();
        }
        return;
    }
    const AvisEnAttente a = avis_.front();
    avis_.pop_front();
    auto* boite = new QMessageBox(IconeQt(a.icone), a.titre, CoupeLongsMots(a.texte),
                                  QMessageBox::Ok, parent_);
    boite->setModal(false);
    boite->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(boite, &QMessageBox::finished, boite, [this] {
        avisOuvert_ = nullptr; // closed, deleted later
        AvisSuivant();
    });
    avisOuvert_ = boite;
    boite->show();
}

bool DialoguesQt::Question(const QString& texte, Icone icone, const QString& titre) {
    const Modal modal(modaux_, [this] { AvisSuivant(); });
    QMessageBox boite(IconeQt(icone), titre, CoupeLongsMots(texte),
                      QMessageBox::Yes | QMessageBox::No, parent_);
    boite.setDefaultButton(QMessageBox::No);
    return boite.exec() == QMessageBox::Yes;
}

std::optional<QString> DialoguesQt::Saisie(const QString& invite, const QString& titre,
                                           const QString& defaut) {
    const Modal modal(modaux_, [this] { AvisSuivant(); });
    bool ok = false;
    // The invite's label names the input field as its buddy: an "&" in it (an action such
    // as "&CODE") would become an access key and vanish from the text.
    const QString texte = QInputDialog::getText(parent_, titre, SansRaccourci(invite),
                                                QLineEdit::Normal, defaut, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return texte;
}

std::optional<QString> DialoguesQt::ChoixFichier(const QString& titre, const QString& dossier,
                                                 const QString& filtre, bool enregistrer) {
    const Modal modal(modaux_, [this] { AvisSuivant(); });
    const QString chemin = enregistrer
                               ? QFileDialog::getSaveFileName(parent_, titre, dossier, filtre)
                               : QFileDialog::getOpenFileName(parent_, titre, dossier, filtre);
    if (chemin.isEmpty()) {
        return std::nullopt;
    }
    return chemin;
}

void DialoguesQt::Bip() {
    QApplication::beep();
}

} // namespace kovra
