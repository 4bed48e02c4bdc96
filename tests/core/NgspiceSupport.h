// Runs an AC deck through ngspice in batch mode, in a folder of its own, and reads the table the
// deck writes (ac.txt: frequency, gain, phase); shared by the tests that check circuits against
// the loop model.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace loopcraft::test {

struct AcPoint {
    double f;
    double gain;
    double phaseDeg;
};

inline std::vector<AcPoint> runNgspiceAc(const std::string& deck, const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("loopcraft-spice-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "deck.cir") << deck;
    const std::string command =
        "cd '" + dir.string() + "' && '" NGSPICE_EXE "' -b deck.cir > ngspice.log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "ngspice failed on " << name;
    std::ifstream data(dir / "ac.txt");
    std::string header;
    std::getline(data, header);
    std::vector<AcPoint> points;
    AcPoint p{};
    while (data >> p.f >> p.gain >> p.phaseDeg)
        points.push_back(p);
    std::filesystem::remove_all(dir);
    return points;
}

} // namespace loopcraft::test
