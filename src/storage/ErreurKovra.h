#pragma once

#include <QString>
#include <stdexcept>

namespace kovra {

// A failure to be told to the user as it stands: the message is complete and in the
// program's language.
class ErreurKovra : public std::runtime_error {
public:
    explicit ErreurKovra(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& Message() const { return message_; }

private:
    QString message_;
};

} // namespace kovra
