// Runs a deck through ngspice in batch mode, in a folder of its own, and reads the table the
// deck writes; shared by the tests that check circuits against the loop model and the noise
// analysis.
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

// Rows of numbers from `dataFile` (after its header line) written by `deck`.
inline std::vector<std::vector<double>> runNgspiceTable(const std::string& deck,
                                                        const std::string& name,
                                                        const std::string& dataFile,
                                                        std::size_t columns) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("loopcraft-spice-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "deck.cir") << deck;
    const std::string command =
        "cd '" + dir.string() + "' && '" NGSPICE_EXE "' -b deck.cir > ngspice.log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "ngspice failed on " << name;
    std::ifstream data(dir / dataFile);
    std::string header;
    std::getline(data, header);
    std::vector<std::vector<double>> rows;
    std::vector<double> row(columns);
    while (true) {
        for (double& v : row)
            if (!(data >> v))
                break;
        if (!data)
            break;
        rows.push_back(row);
    }
    std::filesystem::remove_all(dir);
    return rows;
}

// An AC deck's table (ac.txt: frequency, gain, phase).
inline std::vector<AcPoint> runNgspiceAc(const std::string& deck, const std::string& name) {
    std::vector<AcPoint> points;
    for (const auto& row : runNgspiceTable(deck, name, "ac.txt", 3))
        points.push_back({row[0], row[1], row[2]});
    return points;
}

} // namespace loopcraft::test
