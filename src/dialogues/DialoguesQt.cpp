#include "dialogues/DialoguesQt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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

} // namespace

DialoguesQt::~DialoguesQt() {
    // The open notice would call back into this object when closed.
    delete avisOuvert_.data();
}

void DialoguesQt::Message(const QString& texte, Icone icone, const QString& titre) {
    QMessageBox boite(IconeQt(icone), titre, texte, QMessageBox::Ok, parent_);
    boite.exec();
}

void DialoguesQt::Avis(const QString& texte, Icone icone, const QString& titre) {
    avis_.push_back({texte, icone, titre});
    if (avisOuvert_.isNull()) {
        AvisSuivant();
    }
}

void DialoguesQt::AvisSuivant() {
    if (avis_.empty()) {
        return;
    }
    const AvisEnAttente a = avis_.front();
    avis_.pop_front();
    auto* boite = new QMessageBox(IconeQt(a.icone), a.titre, a.texte, QMessageBox::Ok, parent_);
    boite->setModal(false);
    boite->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(boite, &QMessageBox::finished, boite, [this] { AvisSuivant(); });
    avisOuvert_ = boite;
    boite->show();
}

bool DialoguesQt::Question(const QString& texte, Icone icone, const QString& titre) {
    QMessageBox boite(IconeQt(icone), titre, texte, QMessageBox::Yes | QMessageBox::No, parent_);
    boite.setDefaultButton(QMessageBox::No);
    return boite.exec() == QMessageBox::Yes;
}

std::optional<QString> DialoguesQt::Saisie(const QString& invite, const QString& titre,
                                           const QString& defaut) {
    bool ok = false;
    const QString texte =
        QInputDialog::getText(parent_, titre, invite, QLineEdit::Normal, defaut, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return texte;
}

std::optional<QString> DialoguesQt::ChoixFichier(const QString& titre, const QString& dossier,
                                                 const QString& filtre, bool enregistrer) {
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
