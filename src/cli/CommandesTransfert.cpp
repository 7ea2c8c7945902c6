#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "platform/SignauxArret.h"
#include "transfer/BibliothequeMultidll.h"
#include "transfer/OperationsTransfert.h"

#include <QFileInfo>
#include <csignal>
#include <limits>

namespace kovra {

namespace {

// The library's port, opened as the transfer window opens it, and closed with the object
// whatever happened in between.
class PortBibliotheque {
public:
    explicit PortBibliotheque(BibliothequeMultidll& b) : b_(b) {
        const ParametresPortMultidll p;
        b_.OpenCommPort(kPortMultidll, p.baud, p.dataBits, p.parity, p.stopBits);
    }
    ~PortBibliotheque() { b_.CloseCommPort(kPortMultidll); }
    PortBibliotheque(const PortBibliotheque&) = delete;
    PortBibliotheque& operator=(const PortBibliotheque&) = delete;

private:
    BibliothequeMultidll& b_;
};

// The options each operation takes besides --library.
void VerifieOptions(const Appel& a, const QString& operation, const QStringList& permises) {
    for (auto o = a.options.cbegin(); o != a.options.cend(); ++o) {
        if (!permises.contains(o.key())) {
            throw ErreurUsage(
                QStringLiteral("option %1 does not go with %2").arg(o.key(), operation));
        }
    }
}

void VerifiePositionnels(const Appel& a, qsizetype min, qsizetype max) {
    if (a.positionnels.size() < min || a.positionnels.size() > max) {
        throw ErreurUsage(QStringLiteral("wrong number of arguments"));
    }
}

std::unique_ptr<BibliothequeMultidll> Bibliotheque(ContexteCli& ctx, const Appel& a) {
    ChargementMultidll c = ChargeMultidll(a.Valeur(QStringLiteral("--library")), ctx.DossierPret());
    if (c.bibliotheque == nullptr) {
        throw ErreurKovra(c.erreur);
    }
    return std::move(c.bibliotheque);
}

// The version and the timings, read in the window's order, one a line.
void AfficheParametres(BibliothequeMultidll& b, QTextStream& sortie) {
    const int16_t version = b.Version();
    const int32_t delaiMax = b.GetTimeOut();
    const int32_t delaiNak = b.GetNakDelay();
    const int32_t delaiEsc = b.GetEscDelay();
    sortie << "DLL Version: " << version << "\nESC Delay: " << delaiEsc
           << "\nNAK Delay: " << delaiNak << "\nTime out: " << delaiMax << "\n";
}

void Version(ContexteCli& ctx, const Appel& a) {
    VerifiePositionnels(a, 1, 1);
    VerifieOptions(a, QStringLiteral("version"), {QStringLiteral("--library")});
    const auto b = Bibliotheque(ctx, a);
    const PortBibliotheque port(*b);
    AfficheParametres(*b, ctx.sortie);
}

void Reglage(ContexteCli& ctx, const Appel& a) {
    VerifiePositionnels(a, 3, 3);
    VerifieOptions(a, QStringLiteral("set"), {QStringLiteral("--library")});
    const QString quoi = a.positionnels[1];
    if (quoi != u"esc" && quoi != u"nak" && quoi != u"timeout") {
        throw ErreurUsage(QStringLiteral("set takes esc, nak or timeout"));
    }
    // The text is read as the window's boxes are ("12ab" sets 12); a number the library
    // cannot take is refused before any call.
    const std::optional<int32_t> valeur = ValeurReglage(a.positionnels[2]);
    if (!valeur) {
        throw ErreurUsage(QStringLiteral("%1 does not fit in 32 bits (%2 to %3)")
                              .arg(a.positionnels[2])
                              .arg(std::numeric_limits<int32_t>::min())
                              .arg(std::numeric_limits<int32_t>::max()));
    }
    const auto b = Bibliotheque(ctx, a);
    const PortBibliotheque port(*b);
    if (quoi == u"esc") {
        b->SetEscDelay(*valeur);
    } else if (quoi == u"nak") {
        b->SetNakDelay(*valeur);
    } else {
        b->SetTimeOut(*valeur);
    }
    AfficheParametres(*b, ctx.sortie);
}

// Runs a whole transfer, packet after packet; the library's texts go to standard error. A
// stop signal ends it as the window's "Stop" does: after the current packet, with power
// saving put back on (the library's port is closed by the caller).
void Transfere(ContexteCli& ctx, const Appel& a, SignauxArret& signaux, Transfert::Sens sens,
               const QString& terminal, const QString& pc) {
    const auto b = Bibliotheque(ctx, a);
    bool reussi = false;
    {
        const PortBibliotheque port(*b);
        Transfert t(*b, sens, terminal, pc, [&](const QString& message) {
            ctx.erreurs << message << "\n";
            ctx.erreurs.flush();
        });
        // Nothing is printed of a transfer refused before its first packet.
        if (signaux.Recu() == 0 && t.Demarre()) {
            while (signaux.Recu() == 0 && t.Etape()) {
            }
            t.Arrete();
            reussi = t.Reussi();
            ctx.sortie << "Bytes: " << t.Avancement().octets
                       << "\nPackets: " << t.Avancement().paquets << "\n";
        }
    }
    if (!reussi && signaux.Recu() == 0) {
        throw ErreurKovra(QStringLiteral("Le transfert n'a pas abouti."));
    }
}

void Montee(ContexteCli& ctx, const Appel& a, SignauxArret& signaux) {
    VerifiePositionnels(a, 1, 1);
    VerifieOptions(
        a, QStringLiteral("upload"),
        {QStringLiteral("--library"), QStringLiteral("--terminal-file"), QStringLiteral("--to")});
    const QString terminal = a.A(QStringLiteral("--terminal-file"))
                                 ? a.Valeur(QStringLiteral("--terminal-file"))
                                 : kFichierTerminalUpload;
    const QString pc = a.A(QStringLiteral("--to"))
                           ? QFileInfo(a.Valeur(QStringLiteral("--to"))).absoluteFilePath()
                           : ctx.DossierPret() + u'/' + kFichierPcUpload;
    Transfere(ctx, a, signaux, Transfert::Sens::VersPc, terminal, pc);
}

void Descente(ContexteCli& ctx, const Appel& a, SignauxArret& signaux) {
    VerifiePositionnels(a, 2, 2);
    VerifieOptions(a, QStringLiteral("download"),
                   {QStringLiteral("--library"), QStringLiteral("--terminal-file")});
    const QString terminal = a.A(QStringLiteral("--terminal-file"))
                                 ? a.Valeur(QStringLiteral("--terminal-file"))
                                 : kFichierTerminalDownload;
    if (a.positionnels[1].isEmpty()) {
        throw ErreurUsage(QStringLiteral("PCFILE cannot be empty"));
    }
    // Refused before the library is even loaded: it would only say "File open error".
    const QString pc = QFileInfo(a.positionnels[1]).absoluteFilePath();
    if (const QString refus = RefusFichierAEnvoyer(pc); !refus.isEmpty()) {
        throw ErreurKovra(refus);
    }
    Transfere(ctx, a, signaux, Transfert::Sens::VersTerminal, terminal, pc);
}

void FichierTest(ContexteCli& ctx, const Appel& a) {
    VerifiePositionnels(a, 1, 2);
    VerifieOptions(a, QStringLiteral("testfile"), {});
    // A relative name is a file of the data folder, like the default one.
    EcritFichierTest(
        ctx.CheminFichier(a.positionnels.size() == 2 ? a.positionnels[1] : kFichierTestPc));
}

QString NomSignal(int signal) {
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QString::number(signal);
    }
}

void Transfer(ContexteCli& ctx, const Appel& a) {
    const QString operation = a.positionnels[0];
    if (operation == u"testfile") {
        FichierTest(ctx, a);
        return;
    }
    // While the library's port is open, Ctrl+C, terminate and hang-up wait for the work to
    // be put in order: the terminal must not stay with its power saving off, nor the port
    // open.
    SignauxArret signaux({SIGINT, SIGTERM, SIGHUP});
    if (operation == u"version") {
        Version(ctx, a);
    } else if (operation == u"set") {
        Reglage(ctx, a);
    } else if (operation == u"upload") {
        Montee(ctx, a, signaux);
    } else if (operation == u"download") {
        Descente(ctx, a, signaux);
    } else {
        throw ErreurUsage(QStringLiteral("unknown transfer operation '%1'").arg(operation));
    }
    if (const int signal = signaux.Recu(); signal != 0) {
        throw ArretParSignal(SignauxArret::StatutSortie(signal),
                             QStringLiteral("Transfert interrompu par le signal %1 ; le port de "
                                            "la bibliothèque est fermé.")
                                 .arg(NomSignal(signal)));
    }
}

} // namespace

void AjouteCommandesTransfert(std::vector<Commande>& table) {
    table.push_back(
        {{"transfer"},
         1,
         {{"--library", true}, {"--terminal-file", true}, {"--to", true}},
         "transfer [--library PATH] version | upload [--terminal-file NAME] [--to PCFILE] | "
         "download PCFILE [--terminal-file NAME] | set esc|nak|timeout VALUE | testfile [PATH]",
         "Move files between the PC and a terminal through the terminal maker's transfer "
         "library, as the transfer window does. version: the library's version and its "
         "three timings, one a line. upload: the terminal's file NAME (\"TESTFILE.$$$\") to "
         "PCFILE (the data folder's \"TESTFIL2.$$$\"). download: PCFILE to the terminal's file "
         "NAME (\"ESSAIS.TXT\"); a missing PCFILE is refused. set: one timing, then all are "
         "shown. testfile: write the test file (450 records of 256 bytes) to PATH, relative "
         "to the data folder (\"TESTFILE.$$$\"), without the library. The library is PATH, "
         "else $KOVRA_MULTIDLL, else libMultidll.so in the data folder, in the program's "
         "lib/kovra folder or on the system's library path. Each operation opens the "
         "library's port and closes it at the end; the library's messages go to standard "
         "error; exit status 0 when it said \"Succesfull\". Ctrl+C, TERM or HUP stop a "
         "transfer after the current packet, put power saving back on and close the port; "
         "the exit status is then 130, 143 or 129. kovra-cli does not take Kovra's serial "
         "port: close it in a running Kovra first (the transfer window does that itself).",
         Transfer,
         3});
}

} // namespace kovra
