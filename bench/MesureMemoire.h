#pragma once

#include <fstream>
#include <string>

namespace kovra::bench {

// A memory figure of /proc/self/status ("VmHWM:" the peak, "VmRSS:" the current), in bytes.
inline long long Memoire(const std::string& champ) {
    std::ifstream status("/proc/self/status");
    std::string ligne;
    while (std::getline(status, ligne)) {
        if (ligne.rfind(champ, 0) == 0) {
            return std::stoll(ligne.substr(champ.size())) * 1024;
        }
    }
    return 0;
}

// Makes the peak start again from the current figure.
inline void RemetPicAZero() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace kovra::bench
