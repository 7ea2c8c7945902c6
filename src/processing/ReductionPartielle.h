#pragma once

#include "storage/ScenarioActif.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace kovra {

// Keeps, of a frame made of records of `nbr` fields, the fields each record has at the
// places listed, in the order of the list, each ended by a carriage return. A place listed
// twice gives its field twice; a place beyond `nbr` gives an empty field; a last record
// with fewer than `nbr` fields is dropped. With `nbr` below 1 there are no records to
// find and the frame is kept as it is.
QString ReduitTramePartielle(QStringView trame, int nbr, const std::vector<PlaceTrame>& places);

} // namespace kovra
