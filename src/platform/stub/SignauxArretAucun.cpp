#include "platform/SignauxArret.h"

namespace kovra {

// Without a way to hold signals back, they act as they always do.
struct SignauxArret::Etat {};

SignauxArret::SignauxArret(std::initializer_list<int>) : e_(std::make_unique<Etat>()) {}

SignauxArret::~SignauxArret() = default;

void SignauxArret::Surveille(std::function<void(int)>) {}

int SignauxArret::Recu() {
    return 0;
}

} // namespace kovra
