#pragma once

#include <QString>
#include <stdexcept>

namespace kovra {

// How Kovra's and Tallyra's code fails, everywhere:
//
// - An operation that cannot be done throws an ErreurKovra (or a type derived from it, when
//   a caller must tell that failure apart: a database another program holds, a port that
//   will not open, no display to type on, a wrong command line, a stop signal). Its
//   message is complete and in the words the user reads; the layer's own error number, if
//   any, is in Code(). Nothing throws any other type.
// - A value checked before it is used (a scenario name, a quantity, a length) is refused by
//   a function returning std::optional<QString>: nothing when it is accepted, else why not,
//   in the user's words. Such functions are named Probleme...
// - An operation that tells the user itself, through Dialogues, returns whether it was
//   done: false means the user has been told why, and the caller only stops.
// - Whatever a caller must look at is [[nodiscard]].
// - The programs' bodies and event handlers run under ExecuteProtege and
//   ApplicationProtegee (GardeFinale.h): a failure nothing else handled ends the program
//   with a message, never silently.
//
// A failure to be told to the user as it stands: the message is complete and in the
// program's language.
class ErreurKovra : public std::runtime_error {
public:
    explicit ErreurKovra(const QString& message, QString code = QString())
        : std::runtime_error(message.toStdString()), message_(message), code_(std::move(code)) {}
    const QString& Message() const { return message_; }
    // The error number of the layer that failed (the database's own code), if any.
    const QString& Code() const { return code_; }

private:
    QString message_;
    QString code_;
};

} // namespace kovra
