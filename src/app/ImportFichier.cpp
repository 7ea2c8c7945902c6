#include "app/ImportFichier.h"

#include "app/NoyauKovra.h"
#include "base/Windows1252.h"
#include "dialogues/Dialogues.h"
#include "processing/TraiteEmul.h"
#include "processing/TrameImport.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace kovra {

namespace {

const QByteArray kSignatureUtf8("\xEF\xBB\xBF");

bool ToutAscii(const QByteArray& octets) {
    return std::all_of(octets.begin(), octets.end(),
                       [](char o) { return static_cast<unsigned char>(o) < 0x80; });
}

// Where the last line of the bytes ends (just past its CR or LF); -1 when none does.
qsizetype FinDerniereLigne(const QByteArray& octets, qsizetype depuis) {
    for (qsizetype i = octets.size() - 1; i >= depuis; --i) {
        if (octets[i] == '\r' || octets[i] == '\n') {
            return i + 1;
        }
    }
    return -1;
}

} // namespace

// One file being read: the bytes still without their line end, and the frame so far.
struct ImportFichier::Lecture {
    Lecture(const QString& chemin, QString sep, Progression& p)
        : fichier(chemin), separateur(std::move(sep)), suivi(p) {}

    QFile fichier;
    QString separateur;
    qint64 taille = 0;
    QString trame;
    QByteArray reste; // the start of a line whose end is not read yet
    bool debut = true;
    // Read as UTF-8 while every byte so far is valid UTF-8 of characters Windows-1252 has
    // (plain ASCII is the same in both); the first that is not makes the file
    // Windows-1252, read again from the start. A signature makes it UTF-8 whatever follows.
    bool utf8 = true;
    bool signature = false;
    SuiviProgression suivi;
};

ImportFichier::ImportFichier(NoyauKovra& noyau, Progression& progression, Minuterie& minuterie)
    : noyau_(noyau), progression_(progression), minuterie_(minuterie) {}

ImportFichier::~ImportFichier() = default;

void ImportFichier::getFile(const QString& fichier, const QString& separateur,
                            std::function<void(IssueImport)> fin) {
    Dialogues& dialogues = noyau_.Env().dialogues;
    const auto refuse = [&](IssueImport issue) {
        if (fin) {
            fin(issue);
        }
    };
    if (enCours_) {
        dialogues.Message(QStringLiteral("Un fichier est déjà en cours d'import ; attendez qu'il "
                                         "soit livré."),
                          Icone::Exclamation);
        refuse(IssueImport::DejaEnCours);
        return;
    }
    const QFileInfo info(fichier);
    if (fichier.isEmpty() || !info.exists()) {
        dialogues.Message(QStringLiteral("Le fichier n'existe pas"), Icone::Exclamation);
        refuse(IssueImport::Absent);
        return;
    }
    // A folder has no lines, and a pipe or a device could keep the reading waiting forever.
    if (!info.isFile()) {
        dialogues.Message(QStringLiteral("Impossible de lire le fichier %1 : ce n'est pas un "
                                         "fichier ordinaire.")
                              .arg(fichier),
                          Icone::Exclamation);
        refuse(IssueImport::Illisible);
        return;
    }
    auto lecture = std::make_unique<Lecture>(fichier, separateur, progression_);
    if (!lecture->fichier.open(QIODevice::ReadOnly)) {
        dialogues.Message(QStringLiteral("Impossible de lire le fichier %1 : %2.")
                              .arg(fichier, lecture->fichier.errorString()),
                          Icone::Exclamation);
        refuse(IssueImport::Illisible);
        return;
    }
    lecture->taille = lecture->fichier.size();
    lecture_ = std::move(lecture);
    fin_ = std::move(fin);
    enCours_ = true;
    lecture_->suivi.Libelle(QString());
    lecture_->suivi.Libelle(kLibelleLecture);
    lecture_->suivi.Valeur(0);
    minuterie_.Apres(0, [this] { Tour(); });
}

void ImportFichier::Tour() {
    Lecture& l = *lecture_;
    QByteArray bloc(kOctetsParTour, Qt::Uninitialized);
    const qint64 lus = l.fichier.read(bloc.data(), bloc.size());
    if (lus < 0) {
        Echec(l.fichier.errorString());
        return;
    }
    bloc.truncate(lus);
    if (l.debut && lus > 0) {
        l.debut = false;
        if (bloc.startsWith(kSignatureUtf8)) {
            l.signature = true;
            bloc.remove(0, kSignatureUtf8.size());
        }
    }
    const bool finFichier = lus == 0;
    if (!finFichier || !l.reste.isEmpty()) {
        switch (AjouteBloc(bloc)) {
        case Suite::Continue:
            break;
        case Suite::Recommence:
            minuterie_.Apres(0, [this] { Tour(); });
            return;
        case Suite::Arret:
            return;
        }
    }
    if (!finFichier) {
        if (l.taille > 0) {
            l.suivi.Valeur(
                static_cast<int>(std::min<qint64>(l.fichier.pos() * 100 / l.taille, 99)));
        }
        minuterie_.Apres(0, [this] { Tour(); });
        return;
    }

    if (l.trame.isEmpty()) {
        noyau_.Env().dialogues.Avis(
            QStringLiteral("Le fichier %1 ne contient aucune ligne à traiter.")
                .arg(l.fichier.fileName()),
            Icone::Exclamation);
        lecture_.reset();
        progression_.Termine();
        Termine(IssueImport::Vide);
        return;
    }
    l.suivi.Valeur(100);
    DemandeTraitement demande;
    demande.trame = std::move(l.trame);
    demande.reinitialisePort = false; // the frame does not come from the port
    demande.fin = [this, vivant = std::weak_ptr<char>(vivant_)](bool livre) {
        if (!vivant.expired()) {
            Termine(livre ? IssueImport::Livre : IssueImport::NonLivre);
        }
    };
    lecture_.reset(); // the file is closed before the frame is processed
    noyau_.TraiteTrame(std::move(demande));
}

ImportFichier::Suite ImportFichier::AjouteBloc(const QByteArray& bloc) {
    Lecture& l = *lecture_;
    const qsizetype avant = l.reste.size();
    l.reste += bloc;
    // At the end of the file the last line needs no line end.
    const qsizetype fin = bloc.isEmpty() ? l.reste.size() : FinDerniereLigne(l.reste, avant);
    if (fin < 0) {
        return Suite::Continue;
    }
    const QByteArray lignes = l.reste.left(fin);
    l.reste.remove(0, fin);

    QString texte;
    if (l.signature) {
        texte = QString::fromUtf8(lignes);
    } else if (!l.utf8) {
        texte = DecodeWindows1252(lignes);
    } else if (ToutAscii(lignes)) {
        texte = QString::fromLatin1(lignes);
    } else {
        // Lines end at ASCII bytes, which no UTF-8 sequence holds: the block is whole.
        QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        texte = decodeur.decode(lignes);
        // Bytes that are no UTF-8, or that decode to a character Windows-1252 lacks: the
        // file is Windows-1252, read again from its start.
        if (decodeur.hasError() || !TientEnWindows1252(texte)) {
            l.utf8 = false;
            l.trame.clear();
            l.reste.clear();
            l.debut = true;
            if (!l.fichier.seek(0)) {
                Echec(l.fichier.errorString());
                return Suite::Arret;
            }
            return Suite::Recommence;
        }
    }
    l.trame += TrameImport(texte, l.separateur);
    return Suite::Continue;
}

void ImportFichier::Echec(const QString& raison) {
    const QString nom = lecture_->fichier.fileName();
    lecture_.reset();
    noyau_.Env().dialogues.Avis(QStringLiteral("Impossible de lire le fichier %1 : %2. Aucune "
                                               "donnée n'a été traitée.")
                                    .arg(nom, raison),
                                Icone::Exclamation);
    progression_.Termine();
    Termine(IssueImport::Illisible);
}

void ImportFichier::Termine(IssueImport issue) {
    enCours_ = false;
    auto fin = std::move(fin_);
    fin_ = {};
    if (fin) {
        fin(issue);
    }
}

} // namespace kovra
