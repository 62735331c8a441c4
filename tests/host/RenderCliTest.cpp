// Runs the built qor-render the way a user does and checks its failures:
// one line on stderr, a non-zero exit, and no output file left behind.
#if defined(QOR_RENDER_PATH) && defined(QOR_PROBE_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qor {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class RenderCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("qor-cli-" + std::to_string(getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "out");
    }
    void TearDown() override { fs::remove_all(dir_); }

    RunResult run(const std::string& args)
    {
        const std::string command = std::string("'") + QOR_RENDER_PATH + "' " + args + " >'" +
                                    (dir_ / "stdout").string() + "' 2>'" + (dir_ / "stderr").string() + "'";
        const int status = std::system(command.c_str());
        RunResult r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = slurp(dir_ / "stdout");
        r.err = slurp(dir_ / "stderr");
        return r;
    }
    static std::string slurp(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // Nothing at all in the output folder: no WAV, no temporary file.
    size_t outputFiles() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_ / "out"), fs::directory_iterator()));
    }
    static void expectOneLineError(const RunResult& r, const std::string& mentions)
    {
        EXPECT_NE(r.exitCode, 0);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("qor-render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(mentions), std::string::npos) << r.err;
    }
    std::string probe() const { return std::string("'") + QOR_PROBE_PLUGIN_PATH + "'"; }
    std::string demo() const { return std::string("'") + QOR_SOURCE_DIR + "/resources/demo/demo.mid'"; }
    std::string outWav() const { return "'" + (dir_ / "out" / "song.wav").string() + "'"; }

    fs::path dir_;
};

TEST_F(RenderCliTest, RendersTheDemoAndPrintsASummary)
{
    const RunResult r = run("--depth 16 --tail 0.5 --param Mode=On --param-normalized gain=0.3 --program Dark " +
                            probe() + " " + demo() + " " + outWav());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_NE(r.out.find("peak"), std::string::npos);
    EXPECT_NE(r.out.find("RMS"), std::string::npos);
    EXPECT_NE(r.out.find("real time"), std::string::npos);
    EXPECT_EQ(outputFiles(), 1u);
    EXPECT_GT(fs::file_size(dir_ / "out" / "song.wav"), 44u + 20u * 44100u * 4u);
}

TEST_F(RenderCliTest, ListsParametersAndPrograms)
{
    RunResult r = run("--list-params " + probe());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Gain"), std::string::npos);
    EXPECT_NE(r.out.find("Mode"), std::string::npos);
    r = run("--list-programs " + probe());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Bright"), std::string::npos);
}

TEST_F(RenderCliTest, BadInputGivesOneLineAndNoFile)
{
    expectOneLineError(run(probe() + " '" + (dir_ / "missing.mid").string() + "' " + outWav()), "missing.mid");
    EXPECT_EQ(outputFiles(), 0u);

    // A header for two tracks, then a track that claims 64 bytes and holds 2.
    constexpr char kCorrupt[] = "MThd\0\0\0\6\0\1\0\2\1\340MTrk\0\0\0\x40\0\x90";
    std::ofstream(dir_ / "corrupt.mid", std::ios::binary).write(kCorrupt, sizeof kCorrupt - 1);
    expectOneLineError(run(probe() + " '" + (dir_ / "corrupt.mid").string() + "' " + outWav()), "corrupt.mid");
    EXPECT_EQ(outputFiles(), 0u);

    expectOneLineError(run("--param Volume=3 " + probe() + " " + demo() + " " + outWav()), "Volume");
    EXPECT_EQ(outputFiles(), 0u);

    expectOneLineError(run("--param Mode=Sideways " + probe() + " " + demo() + " " + outWav()), "Sideways");
    EXPECT_EQ(outputFiles(), 0u);

    expectOneLineError(run(probe() + " " + demo() + " '" + (dir_ / "out" / "no" / "such" / "x.wav").string() + "'"),
                       "x.wav");
    EXPECT_EQ(outputFiles(), 0u);

    expectOneLineError(run("'" + (dir_ / "none.so").string() + "' " + demo() + " " + outWav()), "none.so");
    EXPECT_EQ(outputFiles(), 0u);

    const RunResult usage = run("--depth 12 " + probe() + " " + demo() + " " + outWav());
    expectOneLineError(usage, "16, 24 or float");
    EXPECT_EQ(outputFiles(), 0u);
}

}  // namespace
}  // namespace qor

#endif
