// The fuzzing corpus, replayed through the fuzz targets' bodies on every test run, and kept in
// step with the samples the tests produce. PRAVEL_UPDATE_CORPUS=1 writes missing or changed
// samples into the source tree's corpus.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "../../fuzz/FuzzTargets.h"
#include "ParameterFileSamples.h"

namespace fs = std::filesystem;

namespace {

const fs::path CorpusRoot = PRAVEL_FUZZ_CORPUS_DIR;

std::vector<uint8_t> Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Every file of a corpus folder through a target; the number of files.
size_t Replay(const fs::path& dir, bool (*target)(const uint8_t*, size_t))
{
    size_t count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        std::vector<uint8_t> bytes = Contents(entry.path());
        EXPECT_TRUE(target(bytes.data(), bytes.size())) << entry.path();
        ++count;
    }
    return count;
}

void CheckSamplesInCorpus(const std::vector<Sample>& samples, const fs::path& dir)
{
    bool update = std::getenv("PRAVEL_UPDATE_CORPUS") != nullptr;
    for (const Sample& sample : samples) {
        fs::path path = dir / sample.name;
        if (update && (!fs::exists(path) || Contents(path) != sample.bytes)) {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(sample.bytes.data()),
                      static_cast<std::streamsize>(sample.bytes.size()));
        }
        EXPECT_EQ(Contents(path), sample.bytes) << path << " (PRAVEL_UPDATE_CORPUS=1 rewrites it)";
    }
}

} // namespace

TEST(FuzzCorpus, SamplesTheTestsProduceAreInTheCorpus)
{
    CheckSamplesInCorpus(ParameterFileSamples(), CorpusRoot / "parameter_file");
    CheckSamplesInCorpus(DtmfFrameSamples(), CorpusRoot / "dtmf_frame");
}

TEST(FuzzCorpus, ParameterFileCorpusReplays)
{
    EXPECT_GE(Replay(CorpusRoot / "parameter_file", FuzzParameterFile), ParameterFileSamples().size());
}

TEST(FuzzCorpus, DtmfFrameCorpusReplays)
{
    EXPECT_GE(Replay(CorpusRoot / "dtmf_frame", FuzzDtmfFrame), DtmfFrameSamples().size());
}

TEST(FuzzCorpus, TargetsHoldOnTheSamplesThemselves)
{
    // Independent of what is on disk: the properties hold for every sample and every cut of one.
    for (const Sample& sample : ParameterFileSamples())
        EXPECT_TRUE(FuzzParameterFile(sample.bytes.data(), sample.bytes.size())) << sample.name;
    for (const Sample& sample : DtmfFrameSamples())
        for (size_t size = 0; size <= sample.bytes.size(); ++size)
            EXPECT_TRUE(FuzzDtmfFrame(sample.bytes.data(), size)) << sample.name << " " << size;
}
