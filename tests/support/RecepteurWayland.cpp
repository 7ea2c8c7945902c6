#include "support/RecepteurWayland.h"

#include "support/Attente.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <sys/prctl.h>

namespace {
constexpr int kDelai = 20000;
}

RecepteurWayland::RecepteurWayland(const QProcessEnvironment& environnement, Genre genre,
                                   int attendus, const QString& titre)
    : genre_(genre), attendus_(attendus) {
    processus_.setProcessEnvironment(environnement);
    processus_.setProcessChannelMode(QProcess::SeparateChannels);
    processus_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    QObject::connect(&processus_, &QProcess::readyReadStandardError, [this] {
        journal_ += QString::fromLocal8Bit(processus_.readAllStandardError());
    });
    if (genre_ == Genre::Qt) {
        processus_.start(QStringLiteral(CHAMP_CIBLE_EXE),
                         {"0", "0", QString::number(attendus_), dossier_.filePath("recu.txt")});
        pret_ = Attend([this] { return vues_.contains("pret"); }, kDelai);
    } else {
        processus_.start("/usr/bin/python3", {QStringLiteral(CIBLE_GTK_WAYLAND_PY), titre});
        pret_ = Attend([this] { return vues_.contains("\"shown\""); }, kDelai);
    }
}

RecepteurWayland::~RecepteurWayland() {
    if (processus_.state() != QProcess::NotRunning) {
        // The GTK window ends at the end of its input; the Qt field only once it has all its
        // characters, which a failed test may never have typed.
        processus_.closeWriteChannel();
        if (genre_ == Genre::Qt || !processus_.waitForFinished(2000)) {
            processus_.kill();
            processus_.waitForFinished();
        }
    }
}

void RecepteurWayland::Lit() {
    lu_ += processus_.readAllStandardOutput();
    for (qsizetype fin = lu_.indexOf('\n'); fin >= 0; fin = lu_.indexOf('\n')) {
        const QByteArray ligne = lu_.left(fin);
        lu_.remove(0, fin + 1);
        if (ligne.startsWith("n ")) {
            compte_ = ligne.mid(2).toInt();
        } else if (ligne == "{\"focus\": true}") {
            focus_ = true;
        } else if (ligne == "{\"focus\": false}") {
            focus_ = false;
        } else if (ligne == "{\"ok\": true}" || ligne == "vide") {
            ++vidages_;
            continue;
        } else if (ligne.startsWith("{\"text\": ")) {
            texte_ = QJsonDocument::fromJson(ligne).object().value("text").toString();
            compte_ = static_cast<int>(texte_.size());
            ++depots_;
            continue;
        }
        vues_ << ligne;
        journal_ += QString::fromLocal8Bit(ligne) + u'\n';
    }
}

bool RecepteurWayland::Attend(const std::function<bool()>& condition, int ms) {
    return kovra::test::AttendQue(
               [&] {
                   Lit();
                   return condition() || processus_.state() == QProcess::NotRunning;
               },
               ms) &&
           condition();
}

bool RecepteurWayland::AttendFocus(int ms) {
    return genre_ == Genre::Gtk && Attend([this] { return focus_; }, ms);
}

int RecepteurWayland::Compte(int ms) {
    if (genre_ == Genre::Qt) {
        const int avant = compte_;
        Attend([&] { return compte_ != avant; }, ms);
        return compte_;
    }
    const int depot = depots_;
    processus_.write("dump\n");
    Attend([&] { return depots_ != depot; }, ms);
    return compte_;
}

bool RecepteurWayland::Vide(int ms) {
    const int vidage = vidages_;
    processus_.write("clear\n");
    return Attend([&] { return vidages_ != vidage; }, ms);
}

QString RecepteurWayland::TexteActuel(int ms) {
    Compte(ms);
    return texte_;
}

QString RecepteurWayland::Texte(int ms) {
    if (genre_ == Genre::Qt) {
        Attend([this] { return vues_.contains("recu"); }, ms);
        QFile f(dossier_.filePath("recu.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QElapsedTimer t;
    t.start();
    while (Compte(ms) < attendus_ && t.elapsed() < ms &&
           processus_.state() != QProcess::NotRunning) {
        kovra::test::AttendQue([] { return false; }, 50);
    }
    return texte_;
}
