#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "link/ReglagesPort.h"

namespace kovra {

namespace {

void Liste(ContexteCli& ctx, const Appel&) {
    for (const PeripheriqueSerie& p : PeripheriquesPresents()) {
        ctx.sortie << p.chemin << "\t" << p.description << "\n";
    }
}

// A whole number given to an option; what it may be is checked with the other settings.
int Entier(const Appel& a, const QString& option) {
    bool ok = false;
    const int n = a.Valeur(option).toInt(&ok);
    if (!ok) {
        throw ErreurUsage(QStringLiteral("%1 needs a whole number").arg(option));
    }
    return n;
}

// The settings given on the command line; checked and written as the settings window
// does it, so what the window refuses is refused here too.
void Ecrit(ContexteCli& ctx, const Appel& a) {
    if (a.options.isEmpty()) {
        throw ErreurUsage(QStringLiteral("give at least one setting to write"));
    }
    if (a.A(QStringLiteral("--device")) && a.A(QStringLiteral("--com"))) {
        throw ErreurUsage(QStringLiteral("--device and --com cannot go together"));
    }
    ReglagesPort r;
    if (a.A(QStringLiteral("--device"))) {
        r.peripherique = a.Valeur(QStringLiteral("--device"));
    }
    if (a.A(QStringLiteral("--com"))) {
        r.port = Entier(a, QStringLiteral("--com"));
    }
    if (a.A(QStringLiteral("--speed"))) {
        r.vitesse = a.Valeur(QStringLiteral("--speed"));
    }
    if (a.A(QStringLiteral("--parity"))) {
        const QString lettre = a.Valeur(QStringLiteral("--parity")).toUpper();
        if (lettre.size() != 1) {
            throw ErreurUsage(QStringLiteral("--parity takes one letter: N, E, O, M or S"));
        }
        r.parite = lettre.front();
    }
    if (a.A(QStringLiteral("--data"))) {
        r.bitsDonnees = Entier(a, QStringLiteral("--data"));
    }
    if (a.A(QStringLiteral("--stop"))) {
        r.arret = a.Valeur(QStringLiteral("--stop"));
    }
    if (a.A(QStringLiteral("--flow"))) {
        r.flux = Entier(a, QStringLiteral("--flow"));
    }
    if (a.A(QStringLiteral("--type"))) {
        r.protocole = a.Valeur(QStringLiteral("--type"));
    }
    if (const QString refus = RefusReglagesPort(r); !refus.isEmpty()) {
        throw ErreurKovra(refus);
    }
    EcritReglagesPort(ctx.DossierPret(), r, ctx.dossierDefauts);
}

} // namespace

void AjouteCommandesPort(std::vector<Commande>& table) {
    table.push_back({{"port", "list"},
                     0,
                     {},
                     "port list",
                     "Print the serial devices present, one a line: the path, a tab, then "
                     "what the system says of the device (may be empty). A USB adapter goes "
                     "by its stable name in /dev/serial/by-id when it has one.",
                     Liste});
    table.push_back(
        {{"port", "set"},
         0,
         {{"--device", true},
          {"--com", true},
          {"--speed", true},
          {"--parity", true},
          {"--data", true},
          {"--stop", true},
          {"--flow", true},
          {"--type", true}},
         "port set [--device PATH|ADDRESS | --com N] [--speed N] [--parity N|E|O|M|S] "
         "[--data N] [--stop 1|1.5|2] [--flow 0-3] [--type HT630|PT630|Optimus|ScanPal]",
         "Write the serial port settings to PortSerie.ini as the settings window does; what "
         "is not given stays as it is. --device names the line, which replaces the COM "
         "number: a device path (an adapter's stable name /dev/serial/by-id/... stays the same "
         "whichever socket it is plugged in), or the network address of a terminal on a "
         "serial device server, tcp://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (RFC 2217). "
         "--com N is COM N (1 to 20, /dev/ttyS<N-1> on Linux) and forgets the device. "
         "--data 5 to 8 (the port cannot take 4), --flow 0 none, 1 Xon/Xoff, 2 RTS/CTS, 3 "
         "both. Values the port cannot take are refused and nothing is written. Kovra "
         "reads the file when it starts.",
         Ecrit});
}

} // namespace kovra
