#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QLabel;

namespace kovra {

class Dialogues;

// The system information tools looked for, in this order: tools made to show the machine
// first, then the desktops' system monitors.
inline const QStringList kOutilsInfosSysteme = {
    QStringLiteral("kinfocenter"),
    QStringLiteral("hardinfo2"),
    QStringLiteral("hardinfo"),
    QStringLiteral("gnome-system-monitor"),
    QStringLiteral("mate-system-monitor"),
    QStringLiteral("xfce4-taskmanager"),
    QStringLiteral("lxtask"),
};

// The maker's web address the about box links to.
inline const QString kAdresseEditeur = QStringLiteral("https://www.ruduvo.example/kovra");

// "Version " and the program's major.minor.revision.
QString TexteVersion();

// The first system information tool found in the folders of `chemins` (a PATH value);
// its full path, empty when none is there.
QString OutilInfosSysteme(const QString& chemins);

// Starts the system information tool found on `chemins` with `lance`, or tells the user
// that there is none (also when it does not start). Whether one was started.
bool StartSysInfo(const QString& chemins, const std::function<bool(const QString&)>& lance,
                  Dialogues& dialogues);

// What the about box reaches outside the program; the defaults are the system's, tests
// give their own.
struct ServicesAPropos {
    std::function<bool(const QUrl&)> ouvreLien; // QDesktopServices::openUrl
    std::function<bool(const QString&)> lance;  // a program started detached
    QString chemins;                            // where programs are looked for ($PATH)
};
ServicesAPropos ServicesAProposSysteme();

// frmAbout: the program's logo, title and version, a legal notice, the link to the maker's
// site (red while the mouse is on it, blue once it moves elsewhere), and the buttons of
// TlbConnect: 1 starts the system information tool, 2 closes the box.
class FenetreAPropos : public QDialog {
    Q_OBJECT
public:
    explicit FenetreAPropos(Dialogues& dialogues, QWidget* parent = nullptr,
                            ServicesAPropos services = ServicesAProposSysteme());

    // A click on the link: the address opened by the desktop, the hourglass meanwhile.
    void OuvreLien();
    void StartSysInfo();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void mouseMoveEvent(QMouseEvent* evenement) override;

private:
    void CouleurLien(const QColor& couleur);

    Dialogues& dialogues_;
    ServicesAPropos services_;
    QLabel* lien_;
};

} // namespace kovra
