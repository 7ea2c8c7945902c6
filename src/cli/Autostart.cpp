#include "cli/Autostart.h"

#include "base/ErreurKovra.h"

#include "base/EcritureFichiers.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace kovra {

namespace {

const QString kEntree = QStringLiteral("/autostart/kovra.desktop");

// Characters that make the desktop split or interpret an argument unless it is quoted.
bool Reserve(QChar c) {
    return QStringLiteral(" \t\n\"'\\><~|&;$*?#()`").contains(c);
}

// A value of the entry: backslashes and control characters written as escapes.
QString EchappeValeur(const QString& texte) {
    QString v;
    for (const QChar c : texte) {
        if (c == u'\\') {
            v += QStringLiteral("\\\\");
        } else if (c == u'\n') {
            v += QStringLiteral("\\n");
        } else if (c == u'\t') {
            v += QStringLiteral("\\t");
        } else if (c == u'\r') {
            v += QStringLiteral("\\r");
        } else {
            v += c;
        }
    }
    return v;
}

// Whether the entry turns itself off: Hidden=true, or GNOME's own switch set to false.
bool EntreeCachee(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool groupe = false;
    bool cachee = false;
    for (const QByteArray& brute : f.readAll().split('\n')) {
        const QString ligne = QString::fromUtf8(brute).trimmed();
        if (ligne.startsWith(u'[')) {
            groupe = ligne == u"[Desktop Entry]";
            continue;
        }
        const qsizetype egal = ligne.indexOf(u'=');
        if (!groupe || egal < 0) {
            continue;
        }
        const QString cle = ligne.left(egal).trimmed();
        const QString valeur = ligne.mid(egal + 1).trimmed();
        if ((cle == u"Hidden" && valeur == u"true") ||
            (cle == u"X-GNOME-Autostart-enabled" && valeur == u"false")) {
            cachee = true;
        }
    }
    return cachee;
}

void Ecrit(const QString& chemin, const QByteArray& contenu) {
    if (!QDir().mkpath(QFileInfo(chemin).path())) {
        throw ErreurKovra(
            QStringLiteral("cannot create the folder %1").arg(QFileInfo(chemin).path()));
    }
    try {
        RemplaceFichier(chemin, contenu);
    } catch (const ErreurKovra& e) {
        throw ErreurKovra(QStringLiteral("cannot write %1: %2").arg(chemin, e.Message()));
    }
}

} // namespace

LieuxAutostart LieuxAutostart::Depuis(const QProcessEnvironment& env) {
    LieuxAutostart l;
    // Relative paths in these variables are to be ignored.
    const QString maison = env.value(QStringLiteral("XDG_CONFIG_HOME"));
    l.configUtilisateur =
        QDir::isAbsolutePath(maison)
            ? maison
            : env.value(QStringLiteral("HOME"), QDir::homePath()) + QStringLiteral("/.config");
    for (const QString& d : env.value(QStringLiteral("XDG_CONFIG_DIRS")).split(u':')) {
        if (QDir::isAbsolutePath(d)) {
            l.configSysteme << d;
        }
    }
    if (l.configSysteme.isEmpty()) {
        l.configSysteme << QStringLiteral("/etc/xdg");
    }
    return l;
}

QString LieuxAutostart::EntreeUtilisateur() const {
    return configUtilisateur + kEntree;
}

QString LieuxAutostart::EntreeSysteme() const {
    for (const QString& d : configSysteme) {
        if (QFileInfo(d + kEntree).isFile()) {
            return d + kEntree;
        }
    }
    return {};
}

QString ArgumentExec(const QString& argument) {
    QString texte = argument;
    const bool guillemets = texte.isEmpty() || std::any_of(texte.begin(), texte.end(), Reserve);
    if (guillemets) {
        QString cite;
        for (const QChar c : texte) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
                cite += u'\\';
            }
            cite += c;
        }
        texte = u'"' + cite + u'"';
    }
    // "%" starts a field code; "%%" is the character itself.
    texte.replace(u'%', QStringLiteral("%%"));
    return EchappeValeur(texte);
}

QByteArray EntreeAutostart(const QString& programme, const QString& dossier, bool cachee) {
    QString exec = ArgumentExec(programme);
    if (!dossier.isEmpty()) {
        exec += QStringLiteral(" --dir ") + ArgumentExec(dossier);
    }
    QString texte = QStringLiteral("[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Name=Kovra\n"
                                   "Comment=Relie les terminaux code-barres aux applications du "
                                   "poste\n"
                                   "Exec=%1\n"
                                   "Icon=kovra\n"
                                   "Terminal=false\n")
                        .arg(exec);
    texte += cachee ? QStringLiteral("Hidden=true\nX-GNOME-Autostart-enabled=false\n")
                    : QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return texte.toUtf8();
}

void ActiveAutostart(const LieuxAutostart& lieux, const QString& programme,
                     const QString& dossier) {
    Ecrit(lieux.EntreeUtilisateur(), EntreeAutostart(programme, dossier, false));
}

QString DesactiveAutostart(const LieuxAutostart& lieux, const QString& programme) {
    const QString utilisateur = lieux.EntreeUtilisateur();
    const QString systeme = lieux.EntreeSysteme();
    if (!systeme.isEmpty() && !EntreeCachee(systeme)) {
        Ecrit(utilisateur, EntreeAutostart(programme, QString(), true));
        return QStringLiteral("wrote %1 with Hidden=true: it hides the system entry %2 for this "
                              "user")
            .arg(utilisateur, systeme);
    }
    if (!QFileInfo::exists(utilisateur)) {
        return QStringLiteral("nothing to do: %1 is not there").arg(utilisateur);
    }
    if (!QFile::remove(utilisateur)) {
        throw ErreurKovra(QStringLiteral("cannot remove %1").arg(utilisateur));
    }
    return QStringLiteral("removed %1").arg(utilisateur);
}

EtatAutostart LitEtatAutostart(const LieuxAutostart& lieux) {
    const QString utilisateur = lieux.EntreeUtilisateur();
    const QString systeme = lieux.EntreeSysteme();
    if (QFileInfo::exists(utilisateur)) {
        if (EntreeCachee(utilisateur)) {
            return {false,
                    QStringLiteral("the user's entry %1 is hidden (Hidden=true)").arg(utilisateur)};
        }
        return {true, QStringLiteral("the user's entry %1").arg(utilisateur)};
    }
    if (!systeme.isEmpty()) {
        if (EntreeCachee(systeme)) {
            return {false, QStringLiteral("the system entry %1 is hidden").arg(systeme)};
        }
        return {true, QStringLiteral("the system entry %1").arg(systeme)};
    }
    return {false, QStringLiteral("no autostart entry (%1, or autostart/kovra.desktop in %2)")
                       .arg(utilisateur, lieux.configSysteme.join(u':'))};
}

} // namespace kovra
