// tallyra: posts a terminal's inventory file to the management application.

#include "inventory/ModeBatch.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyra"));
    const QStringList arguments = QCoreApplication::arguments();
    if (!arguments.contains(QStringLiteral("--batch"))) {
        std::fprintf(stderr, "tallyra: window not yet available; use --batch --inventory FILE\n");
        return 2;
    }
    return kovra::tallyra::ExecuteModeBatch(arguments);
}
