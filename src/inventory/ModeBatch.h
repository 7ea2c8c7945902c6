#pragma once

#include <QStringList>

namespace kovra::tallyra {

// `tallyra --batch --inventory FILE [--company C] [--depot D] [--edition 1|2]
// [--database PATH] [--dir DIR]`: runs one import without a window, the options missing
// taken from Parametres.ini, every message on standard error. Returns the exit code:
// 0 when the inventory was validated with every line posted, 1 otherwise, 2 for a wrong
// command line. Runs the application's event loop until the import ends.
int ExecuteModeBatch(const QStringList& arguments);

} // namespace kovra::tallyra
