#pragma once

#include <QByteArray>
#include <QString>

namespace kovra::test {

// A pseudo-terminal pair: the program under test opens the device path as its serial
// port; the test plays the terminal on the other end.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    QString Chemin() const { return chemin_; }
    // The far end goes away, as a terminal unplugged.
    void Ferme();
    // Sends bytes and returns once the program's side has read them all. The port reads
    // and reports what arrives in one go, so the program has handled them by then. A
    // program that does not read them within 2 s fails the test.
    void Envoie(const QByteArray& octets);
    // What the program wrote, waiting up to `ms` for at least `attendus` bytes.
    QByteArray Recoit(int attendus, int ms = 2000);

private:
    int maitre_ = -1;
    int esclave_ = -1;
    QString chemin_;
};

} // namespace kovra::test
