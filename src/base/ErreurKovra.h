#pragma once

#include <QString>
#include <stdexcept>

namespace kovra {

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
