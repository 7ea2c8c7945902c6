#include "transfer/OperationsTransfert.h"

#include "base/ErreurKovra.h"
#include "base/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>
#include <limits>
#include <vector>

namespace kovra {

namespace {

// The size of the PC file name buffer handed to HM_upload1, which may write a name back.
constexpr qsizetype kTampon = 1024;

} // namespace

QString LibelleErreur(int32_t code) {
    // The library's own texts, as its maker's documents spell them.
    switch (code) {
    case 0:
        return QStringLiteral("Succesfull");
    case 1:
        return QStringLiteral("Unsuccessful or successflly download/upload one packed");
    case 2:
        return QStringLiteral("Illegal command");
    case 3:
        return QStringLiteral("Host get NAK");
    case 4:
        return QStringLiteral("Time out");
    case 5:
        return QStringLiteral("Get unknown response");
    case 6:
        return QStringLiteral("Return string BBC error");
    case 7:
        return QStringLiteral("No data to be enquired");
    case 8:
        return QStringLiteral("User press ESC to break");
    case 9:
        return QStringLiteral("Set Power saving off fail");
    case 10:
        return QStringLiteral("Power failure");
    case 11:
        return QStringLiteral("Processor exception occurred");
    case 12:
        return QStringLiteral("Reset by host");
    case 13:
        return QStringLiteral("User reset");
    case 14:
        return QStringLiteral("Application reset");
    case 15:
        return QStringLiteral("Cold start");
    case 16:
        return QStringLiteral("Warm start");
    case 20:
        return QStringLiteral("Terminal in diagnostic state");
    case 21:
        return QStringLiteral("Terminal already start");
    case 22:
        return QStringLiteral("Invalid number of parameter");
    case 30:
        return QStringLiteral("File doesn't exist");
    case 31:
        return QStringLiteral("Illegal file name");
    case 32:
        return QStringLiteral("File already exist ,upload file name to be changed");
    case 33:
        return QStringLiteral("File already exist ,system can't change file name");
    case 34:
        return QStringLiteral("File open error");
    case 35:
        return QStringLiteral("No program is executed");
    case 40:
        return QStringLiteral("RAM disk isn't empty");
    case 41:
        return QStringLiteral("Out of memory size");
    case 50:
        return QStringLiteral("Upload mode");
    default:
        return QStringLiteral("Undefined error: ") + QString::number(code);
    }
}

std::optional<int32_t> ValeurReglage(const QString& texte) {
    // The leading number: blanks, a sign, digits, a decimal part; whatever follows is ignored.
    qsizetype i = 0;
    while (i < texte.size() && (texte[i] == u' ' || texte[i] == u'\t')) {
        ++i;
    }
    const qsizetype debut = i;
    if (i < texte.size() && (texte[i] == u'+' || texte[i] == u'-')) {
        ++i;
    }
    qsizetype nbChiffres = 0;
    const auto chiffres = [&] {
        for (; i < texte.size() && texte[i] >= u'0' && texte[i] <= u'9'; ++i) {
            ++nbChiffres;
        }
    };
    chiffres();
    if (i < texte.size() && texte[i] == u'.') {
        ++i;
        chiffres();
    }
    if (nbChiffres == 0) {
        return 0; // no number at all ("", "abc", "-", ".")
    }
    bool ok = false;
    const double valeur = texte.mid(debut, i - debut).toDouble(&ok);
    if (!ok) {
        return std::nullopt; // beyond what a double holds
    }
    // Halves go to the even neighbour (2.5 gives 2), as the Windows program rounded them.
    const double arrondie = std::nearbyint(valeur);
    if (arrondie < std::numeric_limits<int32_t>::min() ||
        arrondie > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(arrondie);
}

QString RefusFichierAEnvoyer(const QString& chemin) {
    const QFileInfo info(chemin);
    if (!info.exists()) {
        return QStringLiteral("Le fichier %1 n'existe pas.").arg(chemin);
    }
    if (!info.isFile()) {
        return QStringLiteral("%1 n'est pas un fichier.").arg(chemin);
    }
    if (QFile f(chemin); !f.open(QIODevice::ReadOnly)) {
        return QStringLiteral("Le fichier %1 ne peut pas être lu : %2")
            .arg(chemin, f.errorString());
    }
    return {};
}

Transfert::Transfert(BibliothequeMultidll& bibliotheque, Sens sens, QString fichierTerminal,
                     QString fichierPc, std::function<void(const QString&)> message)
    : b_(bibliotheque), sens_(sens), message_(std::move(message)) {
    terminal_ = EncodeWindows1252(fichierTerminal, &nomTerminalIntransmissible_);
    // A NUL would end the name early on the library's side.
    nomTerminalIntransmissible_ = nomTerminalIntransmissible_ || terminal_.contains('\0');
    pc_ = QFile::encodeName(fichierPc);
}

bool Transfert::Demarre() {
    // Refused before any call: the terminal would get another name than the one asked
    // for, or the library a path cut short.
    if (nomTerminalIntransmissible_) {
        message_(QStringLiteral("Le nom du fichier du terminal contient un caractère que le "
                                "terminal ne peut pas recevoir."));
        fini_ = true;
        return false;
    }
    if ((sens_ == Sens::VersPc && pc_.size() >= kTampon) || pc_.contains('\0')) {
        message_(QStringLiteral("Le chemin %1 ne peut pas être passé à la bibliothèque de "
                                "transfert.")
                     .arg(QFile::decodeName(pc_)));
        fini_ = true;
        return false;
    }
    if (sens_ == Sens::VersTerminal) {
        if (const QString refus = RefusFichierAEnvoyer(QFile::decodeName(pc_)); !refus.isEmpty()) {
            message_(refus);
            fini_ = true;
            return false;
        }
    }
    if (sens_ == Sens::VersPc) {
        int32_t taille = 0;
        if (b_.FileExist(kPortMultidll, kAdresseTerminal, terminal_.constData(), &taille) != 0) {
            message_(QStringLiteral("File doesn't exist on portable !"));
            fini_ = true;
            return false;
        }
        avancement_.total = taille;
    }

    const int32_t coupure = b_.PowerSavingOff(kPortMultidll, kAdresseTerminal);
    economieCoupee_ = true; // put back on at the end, whatever this call answered
    if (coupure != 0) {
        message_(QStringLiteral("Powersave off, error: ") + LibelleErreur(coupure));
    }

    int32_t r = 0;
    if (sens_ == Sens::VersPc) {
        // A writable buffer: the library may write the name it used back into it.
        std::vector<char> nomPc(kTampon, '\0');
        std::copy(pc_.cbegin(), pc_.cend(), nomPc.begin());
        r = b_.Upload1(kPortMultidll, kAdresseTerminal, terminal_.constData(), nomPc.data());
        b_.GetReturnStringLength(0);
        if (r != 0) {
            message_(QStringLiteral("Upload1: ") + LibelleErreur(r));
        }
    } else {
        int32_t total = 0;
        r = b_.Download1(kPortMultidll, kAdresseTerminal, pc_.constData(), terminal_.constData(),
                         &total);
        avancement_.total = total;
        if (r != 0) {
            message_(QStringLiteral("Download1 ") + LibelleErreur(r));
        }
    }
    if (r != 0) {
        Termine();
        return false;
    }
    return true;
}

bool Transfert::Etape() {
    if (fini_) {
        return false;
    }
    // A library that leaves them unwritten keeps the progress as it was.
    int32_t octets = avancement_.octets;
    int32_t paquets = avancement_.paquets;
    const int32_t r =
        sens_ == Sens::VersPc ? b_.Upload2(&octets, &paquets) : b_.Download2(&octets, &paquets);
    avancement_.octets = octets;
    avancement_.paquets = paquets;
    if (r == 1) {
        return true;
    }
    message_(LibelleErreur(r));
    reussi_ = r == 0;
    Termine();
    return false;
}

void Transfert::Arrete() {
    if (!fini_) {
        Termine();
    }
}

void Transfert::Termine() {
    fini_ = true;
    if (economieCoupee_) {
        economieCoupee_ = false;
        const int32_t r = b_.PowerSavingOn(kPortMultidll, kAdresseTerminal);
        if (r != 0) {
            message_(QStringLiteral("Powersave on, error: ") + LibelleErreur(r));
        }
    }
}

void EcritFichierTest(const QString& chemin, const std::function<void(int)>& progression) {
    // One record: a 16-bit little-endian length, the text, then zeros up to 256 bytes.
    constexpr int kLongueurTexte = 250;
    QByteArray enregistrement(256, '\0');
    enregistrement[0] = static_cast<char>(kLongueurTexte & 0xFF);
    enregistrement[1] = static_cast<char>(kLongueurTexte >> 8);
    enregistrement.replace(2, kLongueurTexte, QByteArray(kLongueurTexte, 'x'));

    // Written aside and put in place at the end, so that a longer old file is replaced whole
    // and a failure leaves the old one as it was.
    QSaveFile f(chemin);
    if (!f.open(QIODevice::WriteOnly)) {
        throw ErreurKovra(QStringLiteral("Impossible de créer le fichier de test %1 : %2")
                              .arg(chemin, f.errorString()));
    }
    for (int n = 1; n <= kEnregistrementsTest; ++n) {
        if (f.write(enregistrement) != enregistrement.size()) {
            break;
        }
        if (progression) {
            progression(n);
        }
    }
    // Flushed before the commit, which would not see a failure of the last records going to
    // disk (a full disk) and would put a shorter file in place.
    if (f.error() != QFileDevice::NoError || !f.flush() || !f.commit()) {
        throw ErreurKovra(QStringLiteral("Impossible d'écrire le fichier de test %1 : %2")
                              .arg(chemin, f.errorString()));
    }
}

} // namespace kovra
