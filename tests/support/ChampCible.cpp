// A text field in a window of a process of its own, for tests that type into another
// application: `champ_cible X Y N FILE` shows the field at X, Y, takes the focus and prints
// "pret"; then prints "n COUNT" whenever the number of characters it holds changed (looked
// at every 50 ms), and once it holds N characters writes its text to FILE (UTF-8) and
// prints "recu". A line "clear" on its standard input empties the field, answered "vide".
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 5) {
        return 2;
    }
    const qsizetype attendus = QByteArray(argv[3]).toLongLong();
    const QString fichier = QString::fromLocal8Bit(argv[4]);
    QTextStream sortie(stdout);
    QPlainTextEdit champ;
    champ.setWindowTitle(QStringLiteral("champ_cible"));
    champ.setGeometry(QByteArray(argv[1]).toInt(), QByteArray(argv[2]).toInt(), 400, 300);
    champ.show();
    champ.activateWindow();
    if (!QTest::qWaitForWindowActive(&champ, 5000)) {
        return 1;
    }
    sortie << "pret" << Qt::endl;
    qsizetype vus = 0;
    QTimer releve;
    QObject::connect(&releve, &QTimer::timeout, [&] {
        const qsizetype n = champ.document()->characterCount() - 1;
        if (n == vus) {
            return;
        }
        vus = n;
        sortie << "n " << n << Qt::endl;
        if (n >= attendus) {
            QFile f(fichier);
            if (f.open(QIODevice::WriteOnly)) {
                f.write(champ.toPlainText().toUtf8());
            }
            f.close();
            sortie << "recu" << Qt::endl;
            QCoreApplication::quit();
        }
    });
    releve.start(50);
    QSocketNotifier commandes(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray lu;
    QObject::connect(&commandes, &QSocketNotifier::activated, [&] {
        char octets[256];
        const ssize_t n = read(STDIN_FILENO, octets, sizeof octets);
        if (n <= 0) {
            commandes.setEnabled(false); // end of input: no more commands
            return;
        }
        lu.append(octets, n);
        for (qsizetype fin = lu.indexOf('\n'); fin >= 0; fin = lu.indexOf('\n')) {
            if (lu.left(fin).trimmed() == "clear") {
                champ.clear();
                sortie << "vide" << Qt::endl;
            }
            lu.remove(0, fin + 1);
        }
    });
    return QCoreApplication::exec();
}
