#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QToolBar;

namespace kovra {

// The "&Connexion" page of the settings window: the scenario reception uses (CboChoix),
// the decimal separator (txtSep), the pause between keys, whether the terminal's fields
// are key strings (chkChampsTouches), the port's state as one of two
// stacked images (a click on it opens or closes the port), the file transfer button and
// the toolbar TlbConnect. The window handles what the controls do.
class PageConnexion : public QWidget {
    Q_OBJECT
public:
    explicit PageConnexion(QWidget* parent = nullptr);

    // Brings the image of the port's state to the front; `pourquoi`, when given, says
    // beside it why the port is as it is instead of what a click does.
    void MontrePort(bool ouvert, const QString& pourquoi = QString());
    // Fills the scenario choice and shows `choisi`, also when it is not in the list.
    void RemplitChoix(const QStringList& noms, const QString& choisi);

    QComboBox* CboChoix;
    QLineEdit* txtSep;
    QSpinBox* txtDelai;
    QCheckBox* chkChampsTouches;
    QStackedWidget* images;
    QLabel* imgConnected;
    QLabel* ImgNotConnected;
    QLabel* lblEtatPort; // the state in words beside the image
    QPushButton* CmdTransfert;
    QToolBar* TlbConnect;

signals:
    // A click on the image in front: `ouvert` is the state it shows.
    void imageCliquee(bool ouvert);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
};

} // namespace kovra
