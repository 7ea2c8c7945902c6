#pragma once

#include <QtGlobal>

namespace kovra::plateforme {

// Makes a connected TCP socket find a peer that went silent (a server switched off, a
// cable cut): after `inactif` seconds without traffic the system probes it every
// `intervalle` seconds, and gives up after `essais` unanswered probes; data written and
// never acknowledged gives up within the same time. False when the system cannot.
bool SurveilleConnexion(qintptr descripteur, int inactif, int intervalle, int essais);

} // namespace kovra::plateforme
