#include "base/GardeFinale.h"

#include "base/ErreurKovra.h"

namespace kovra {

QString MessageException(const std::exception_ptr& exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const ErreurKovra& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("erreur inconnue");
    }
}

int ExecuteProtege(const std::function<int()>& corps,
                   const std::function<void(const QString&)>& signale) {
    try {
        return corps();
    } catch (...) {
        signale(MessageException(std::current_exception()));
        return kStatutErreurInterne;
    }
}

} // namespace kovra
