// LOOPCRAFT.JSON through the command-line tool: the same rules as PARAMS.TXT.
#include "CliTestSupport.h"
#include "render/base/SidecarFile.h"

namespace loopcraft::cli {
namespace {

class CliSettingsFile : public CliTest {
protected:
    std::filesystem::path sidecar() const { return mDir / "LOOPCRAFT.JSON"; }
    void writeSidecar(const std::string& text) const {
        std::ofstream(sidecar(), std::ios::binary) << text;
    }
};

TEST_F(CliSettingsFile, MissingMeansDefaultsAndSaveWritesBothFiles) {
    const CliRun r = run({"--json", "--save", "show"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json()["settings"]["SimTolerance"], 0.0);
    EXPECT_EQ(r.json()["settings"]["SimShowModel"], false);
    ASSERT_TRUE(std::filesystem::exists(sidecar()));
    const auto written = nlohmann::json::parse(readFile(sidecar()));
    EXPECT_EQ(written["SimShowModel"], false);
    // PARAMS.TXT keeps its 105 lines, untouched by the new settings.
    EXPECT_EQ(fileText(), readFile(std::filesystem::path(TEST_DATA_DIR) / "default_PARAMS.TXT"));
}

TEST_F(CliSettingsFile, SetReachesTheSettingsAndSaveKeepsThem) {
    ASSERT_EQ(
        run({"--set", "SimTolerance=250", "--set", "SimShowModel=1", "--save", "show"}).status, 0);
    const CliRun r = run({"--json", "show"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json()["settings"]["SimTolerance"], 250.0);
    EXPECT_EQ(r.json()["settings"]["SimShowModel"], true);

    const CliRun bad = run({"--set", "SimTolerance=-3", "--save", "show"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("SimTolerance"), std::string::npos) << bad.err;
    EXPECT_EQ(nlohmann::json::parse(readFile(sidecar()))["SimTolerance"], 250.0);
}

TEST_F(CliSettingsFile, UnknownKeysAreKeptThroughASave) {
    writeSidecar("{\n  \"SimTolerance\": 12.5,\n  \"FromANewerVersion\": {\"a\": [1, 2.5, "
                 "\"x\"]},\n  \"Zeta\": null\n}\n");
    ASSERT_EQ(run({"--set", "SimShowModel=true", "--save", "show"}).status, 0);
    const auto j = nlohmann::json::parse(readFile(sidecar()));
    EXPECT_EQ(j["SimTolerance"], 12.5);
    EXPECT_EQ(j["SimShowModel"], true);
    EXPECT_EQ(j["FromANewerVersion"], nlohmann::json::parse(R"({"a": [1, 2.5, "x"]})"));
    EXPECT_TRUE(j.contains("Zeta") && j["Zeta"].is_null());
}

TEST_F(CliSettingsFile, MalformedFileNamesTheLineAndIsNeverOverwritten) {
    struct Case {
        std::string text;
        std::string expect; // in the message
    };
    const std::vector<Case> cases = {
        {"{\n  \"SimTolerance\": 1,\n  \"SimShowModel\": tru\n}\n", "line 3"},
        {"{\n  \"SimTolerance\": 1,\n", "line 3"}, // ends inside the object
        {"[1, 2]\n", "line 1"},
        {"{\n\n  \"SimShowModel\": \"yes\"\n}\n", "line 3"}, // wrong type
        {"{\n  \"SimTolerance\":\n     -4\n}\n", "line 2"},  // out of range, at its key
        {"{\"SimTolerance\": 1e999}", "line 1"},             // no finite number
        {"", "line 1"},
    };
    for (const Case& c : cases) {
        writeSidecar(c.text);
        const CliRun r = run({"--set", "SimShowModel=1", "--save", "show"});
        EXPECT_EQ(r.status, 1) << c.text;
        EXPECT_EQ(r.err.rfind("Settings file: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("LOOPCRAFT.JSON"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << c.text << " -> " << r.err;
        EXPECT_EQ(readFile(sidecar()), c.text);
        EXPECT_FALSE(std::filesystem::exists(params())) << "nothing saved after a failed read";
    }
}

TEST_F(CliSettingsFile, UnreadableFileGivesTheReasonAndStaysInPlace) {
    std::filesystem::create_directory(sidecar()); // a path that cannot be read as a file
    const CliRun r = run({"--save", "show"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("LOOPCRAFT.JSON"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory(sidecar()));
    EXPECT_FALSE(std::filesystem::exists(params()));
}

TEST_F(CliSettingsFile, TheFileLivesBesideTheParameterFile) {
    EXPECT_EQ(SidecarPathBeside("lab/PARAMS.TXT"), std::filesystem::path("lab/LOOPCRAFT.JSON"));
    EXPECT_EQ(SidecarPathBeside("PARAMS.TXT"), std::filesystem::path("LOOPCRAFT.JSON"));
}

} // namespace
} // namespace loopcraft::cli

namespace loopcraft::cli {
namespace {

using CliSimulateModel = CliTest;

TEST_F(CliSimulateModel, JsonCarriesTheFiguresOfRunAndModelAndCsvTheModelColumn) {
    const std::string csv = (mDir / "run.csv").string();
    const CliRun r = run({"--json", "simulate", "--model", "--tolerance", "100", "--csv", csv});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    for (const char* key : {"settling", "modelSettling"}) {
        const auto& f = j[key];
        ASSERT_TRUE(f.is_object()) << key;
        EXPECT_EQ(f["toleranceHz"], 100.0);
        EXPECT_TRUE(f["settled"].get<bool>());
        EXPECT_GT(f["lockTime"].get<double>(), 1e-4);
        EXPECT_NEAR(f["overshootPercent"].get<double>(), 28, 2);
        EXPECT_GT(f["peakTime"].get<double>(), 0);
        EXPECT_NEAR(f["final"].get<double>(), 2000, 100);
    }
    const std::string text = readFile(csv);
    EXPECT_EQ(text.rfind("t_s,curve1,curve2,model_curve2\n0,2.5,2.5,2.5\n", 0), 0u);

    // A phase step measures the phase error in degrees; a rail never settles.
    const auto phi = run({"--json", "simulate", "--stimulus", "phi"}).json();
    EXPECT_EQ(phi["settling"]["toleranceDeg"], 0.9);
    const auto rail = run({"--json", "--set", "Simuldf=80000", "simulate"}).json();
    EXPECT_FALSE(rail["settling"]["settled"].get<bool>());
    EXPECT_TRUE(rail["settling"]["lockTime"].is_null());

    EXPECT_EQ(run({"simulate", "--tolerance", "-1"}).status, 1);
}

} // namespace
} // namespace loopcraft::cli
