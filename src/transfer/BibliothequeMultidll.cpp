#include "transfer/BibliothequeMultidll.h"

#include "transfer/Multidll.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

namespace kovra {

namespace {

// The library's functions, typed from their one declaration.
struct Fonctions {
    decltype(&HM_OpenCommPort) openCommPort = nullptr;
    decltype(&HM_CloseCommPort) closeCommPort = nullptr;
    decltype(&HM_file_exist) fileExist = nullptr;
    decltype(&HM_power_saving_off) powerSavingOff = nullptr;
    decltype(&HM_power_saving_on) powerSavingOn = nullptr;
    decltype(&HM_upload1) upload1 = nullptr;
    decltype(&HM_get_return_string_length) getReturnStringLength = nullptr;
    decltype(&HM_upload2) upload2 = nullptr;
    decltype(&HM_download1) download1 = nullptr;
    decltype(&HM_download2) download2 = nullptr;
    decltype(&HM_get_ESC_delay) getEscDelay = nullptr;
    decltype(&HM_get_NAK_delay) getNakDelay = nullptr;
    decltype(&HM_get_time_out) getTimeOut = nullptr;
    decltype(&HM_set_ESC_delay) setEscDelay = nullptr;
    decltype(&HM_set_NAK_delay) setNakDelay = nullptr;
    decltype(&HM_set_time_out) setTimeOut = nullptr;
    decltype(&HM_version) version = nullptr;
};

// Resolves `nom` into `f`; adds the name to `manquantes` when the library lacks it.
template <typename F>
void Resous(QLibrary& bibliotheque, const char* nom, F& f, QStringList& manquantes) {
    f = reinterpret_cast<F>(bibliotheque.resolve(nom));
    if (f == nullptr) {
        manquantes << QString::fromLatin1(nom);
    }
}

QStringList ResousTout(QLibrary& b, Fonctions& f) {
    QStringList manquantes;
    Resous(b, "HM_OpenCommPort", f.openCommPort, manquantes);
    Resous(b, "HM_CloseCommPort", f.closeCommPort, manquantes);
    Resous(b, "HM_file_exist", f.fileExist, manquantes);
    Resous(b, "HM_power_saving_off", f.powerSavingOff, manquantes);
    Resous(b, "HM_power_saving_on", f.powerSavingOn, manquantes);
    Resous(b, "HM_upload1", f.upload1, manquantes);
    Resous(b, "HM_get_return_string_length", f.getReturnStringLength, manquantes);
    Resous(b, "HM_upload2", f.upload2, manquantes);
    Resous(b, "HM_download1", f.download1, manquantes);
    Resous(b, "HM_download2", f.download2, manquantes);
    Resous(b, "HM_get_ESC_delay", f.getEscDelay, manquantes);
    Resous(b, "HM_get_NAK_delay", f.getNakDelay, manquantes);
    Resous(b, "HM_get_time_out", f.getTimeOut, manquantes);
    Resous(b, "HM_set_ESC_delay", f.setEscDelay, manquantes);
    Resous(b, "HM_set_NAK_delay", f.setNakDelay, manquantes);
    Resous(b, "HM_set_time_out", f.setTimeOut, manquantes);
    Resous(b, "HM_version", f.version, manquantes);
    return manquantes;
}

// A loaded library whose every function was found. Unloaded with the object, so that the
// next load starts from a library in its first state.
class BibliothequeChargee final : public BibliothequeMultidll {
public:
    BibliothequeChargee(std::unique_ptr<QLibrary> bibliotheque, const Fonctions& f)
        : bibliotheque_(std::move(bibliotheque)), f_(f) {}
    ~BibliothequeChargee() override { bibliotheque_->unload(); }
    BibliothequeChargee(const BibliothequeChargee&) = delete;
    BibliothequeChargee& operator=(const BibliothequeChargee&) = delete;

    int32_t OpenCommPort(int32_t port, int32_t baud, int32_t dataBits, int32_t parity,
                         int32_t stopBits) override {
        return f_.openCommPort(port, baud, dataBits, parity, stopBits);
    }
    int32_t CloseCommPort(int32_t port) override { return f_.closeCommPort(port); }
    int32_t FileExist(int32_t port, uint8_t address, const char* terminalFile,
                      int32_t* size) override {
        return f_.fileExist(port, address, terminalFile, size);
    }
    int32_t PowerSavingOff(int32_t port, uint8_t address) override {
        return f_.powerSavingOff(port, address);
    }
    int32_t PowerSavingOn(int32_t port, uint8_t address) override {
        return f_.powerSavingOn(port, address);
    }
    int32_t Upload1(int32_t port, uint8_t address, const char* terminalFile,
                    char* pcFile) override {
        return f_.upload1(port, address, terminalFile, pcFile);
    }
    int32_t GetReturnStringLength(int32_t which) override {
        return f_.getReturnStringLength(which);
    }
    int32_t Upload2(int32_t* bytes, int32_t* packets) override {
        return f_.upload2(bytes, packets);
    }
    int32_t Download1(int32_t port, uint8_t address, const char* pcFile, const char* terminalFile,
                      int32_t* total) override {
        return f_.download1(port, address, pcFile, terminalFile, total);
    }
    int32_t Download2(int32_t* bytes, int32_t* packets) override {
        return f_.download2(bytes, packets);
    }
    int32_t GetEscDelay() override { return f_.getEscDelay(); }
    int32_t GetNakDelay() override { return f_.getNakDelay(); }
    int32_t GetTimeOut() override { return f_.getTimeOut(); }
    int32_t SetEscDelay(int32_t v) override { return f_.setEscDelay(v); }
    int32_t SetNakDelay(int32_t v) override { return f_.setNakDelay(v); }
    int32_t SetTimeOut(int32_t v) override { return f_.setTimeOut(v); }
    int16_t Version() override { return f_.version(); }

private:
    std::unique_ptr<QLibrary> bibliotheque_;
    Fonctions f_;
};

// Loads the file `nom` (a path, or a bare name looked for on the system's search path) and
// resolves every function; reports what went wrong in `resultat`. False when the file did
// not load at all.
bool Charge(const QString& nom, const QString& montre, ChargementMultidll& resultat) {
    auto bibliotheque = std::make_unique<QLibrary>(nom);
    resultat.chemin = montre;
    if (!bibliotheque->load()) {
        resultat.erreur = QStringLiteral("La bibliothèque de transfert %1 ne se charge pas : %2")
                              .arg(montre, bibliotheque->errorString());
        return false;
    }
    if (QFileInfo(bibliotheque->fileName()).isAbsolute()) {
        resultat.chemin = bibliotheque->fileName();
    }
    Fonctions f;
    const QStringList manquantes = ResousTout(*bibliotheque, f);
    if (!manquantes.isEmpty()) {
        bibliotheque->unload();
        resultat.erreur =
            (manquantes.size() == 1
                 ? QStringLiteral("La bibliothèque de transfert %1 n'a pas la fonction %2.")
                 : QStringLiteral("La bibliothèque de transfert %1 n'a pas les fonctions %2."))
                .arg(resultat.chemin, manquantes.join(QStringLiteral(", ")));
        return true;
    }
    resultat.bibliotheque = std::make_unique<BibliothequeChargee>(std::move(bibliotheque), f);
    return true;
}

} // namespace

QString NomFichierMultidll() {
#if defined(_WIN32)
    return QStringLiteral("Multidll.dll");
#elif defined(__APPLE__)
    return QStringLiteral("libMultidll.dylib");
#else
    return QStringLiteral("libMultidll.so");
#endif
}

ChargementMultidll ChargeMultidll(const QString& explicite, const QString& dossierDonnees) {
    ChargementMultidll resultat;

    // A library named by the user is the one wanted: no other is taken in its place.
    const QString demandee =
        !explicite.isEmpty() ? explicite : qEnvironmentVariable("KOVRA_MULTIDLL");
    if (!demandee.isEmpty()) {
        resultat.chemin = demandee;
        if (!QFileInfo(demandee).isFile()) {
            resultat.erreur =
                QStringLiteral("Bibliothèque de transfert introuvable : %1").arg(demandee);
            return resultat;
        }
        // Absolute, so that a bare file name is not looked for on the system's path instead.
        const QString chemin = QFileInfo(demandee).absoluteFilePath();
        Charge(chemin, chemin, resultat);
        return resultat;
    }

    QStringList dossiers;
    if (!dossierDonnees.isEmpty()) {
        dossiers << dossierDonnees;
    }
    if (QCoreApplication::instance() != nullptr) {
        dossiers << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                    QStringLiteral("/../lib/kovra"));
    }
    QStringList essayes;
    for (const QString& dossier : dossiers) {
        const QString chemin = QFileInfo(QDir(dossier), NomFichierMultidll()).absoluteFilePath();
        if (QFileInfo(chemin).isFile()) {
            Charge(chemin, chemin, resultat);
            return resultat;
        }
        essayes << chemin;
    }

    // Last, the system's own search path, under the library's bare name.
    if (!Charge(QStringLiteral("Multidll"), NomFichierMultidll(), resultat)) {
        resultat.essayes = essayes;
        resultat.essayes << NomFichierMultidll();
        essayes
            << QStringLiteral("%1 sur le chemin de recherche du système").arg(NomFichierMultidll());
        resultat.erreur = QStringLiteral("Bibliothèque de transfert introuvable. Essayé : %1.")
                              .arg(essayes.join(QStringLiteral(", ")));
    }
    return resultat;
}

} // namespace kovra
