#pragma once

#include <QCoreApplication>
#include <QString>
#include <exception>
#include <functional>

namespace kovra {

// Exit status of a program ended by a failure nothing else handled.
inline constexpr int kStatutErreurInterne = 70;

// The message of an exception, whatever its type.
QString MessageException(const std::exception_ptr& exception);

// Runs a program's body. Whatever it throws is handed to `signale` (the program tells the
// user in its own way) and gives the status kStatutErreurInterne.
int ExecuteProtege(const std::function<int()>& corps,
                   const std::function<void(const QString&)>& signale);

// An application object whose event handlers never let an exception escape into the event
// loop: it is handed to `signale`, and the loop ends with kStatutErreurInterne.
template <typename Application> class ApplicationProtegee : public Application {
public:
    ApplicationProtegee(int& argc, char** argv, std::function<void(const QString&)> signale)
        : Application(argc, argv), signale_(std::move(signale)) {}

    bool notify(QObject* objet, QEvent* evenement) override {
        try {
            return Application::notify(objet, evenement);
        } catch (...) {
            signale_(MessageException(std::current_exception()));
            QCoreApplication::exit(kStatutErreurInterne);
            return false;
        }
    }

private:
    std::function<void(const QString&)> signale_;
};

} // namespace kovra
