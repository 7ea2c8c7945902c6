#include "platform/Affichage.h"

#include <QByteArray>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace kovra::plateforme {

std::optional<EtatAffichage> SondeAffichageX11(const QString& nom) {
    Display* d = XOpenDisplay(nom.toLocal8Bit().constData());
    if (d == nullptr) {
        return std::nullopt;
    }
    EtatAffichage etat;
    int evenement = 0;
    int erreur = 0;
    int majeur = 0;
    int mineur = 0;
    etat.xtest = XTestQueryExtension(d, &evenement, &erreur, &majeur, &mineur) != 0;

    // The keyboard description XKB leaves on the root window: NUL-separated texts.
    if (const Atom regles = XInternAtom(d, "_XKB_RULES_NAMES", True); regles != None) {
        Atom type = None;
        int format = 0;
        unsigned long nombre = 0;
        unsigned long reste = 0;
        unsigned char* donnees = nullptr;
        if (XGetWindowProperty(d, DefaultRootWindow(d), regles, 0, 1024, False, XA_STRING, &type,
                               &format, &nombre, &reste, &donnees) == Success &&
            donnees != nullptr) {
            if (format == 8) {
                const QByteArray octets(reinterpret_cast<const char*>(donnees),
                                        static_cast<qsizetype>(nombre));
                for (const QByteArray& partie : octets.split('\0')) {
                    etat.clavier << QString::fromLatin1(partie);
                }
            }
            XFree(donnees);
        }
    }

    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(d));
    const Atom zone = XInternAtom(d, selection.constData(), False);
    etat.zoneNotification = XGetSelectionOwner(d, zone) != None;
    XCloseDisplay(d);
    return etat;
}

} // namespace kovra::plateforme
