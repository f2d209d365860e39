#include "archive/device_file_converter.h"
#include "archive/device_header.h"
#include "archive/sample_streams.h"

#include "archive_signals.h"
#include "card_writer.h"
#include "sim_options.h"

#include "child_process.h"
#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

namespace {

recsim::SimOptions OptionsFor(const std::filesystem::path& card, const std::filesystem::path& truth)
{
    auto parsed = recsim::ParseSimOptions({"--out", card.string(), "--truth", truth.string(), "--archives", "3",
                                           "--seconds", "700", "--start", "2024-02-28 23:50:00",
                                           "--premature", "0.1", "--hum", "0.05", "--seed", "11"});
    return std::get<recsim::SimOptions>(parsed);
}

TEST(RecorderSimulator, CardFilesConvertBitExactToTheGroundTruth)
{
    testsupport::TempDir dir;
    const recsim::SimOptions options = OptionsFor(dir / "card", dir / "truth");
    ASSERT_TRUE(recsim::WriteCard(options).ok());

    for (int index = 0; index < 3; ++index) {
        const std::string name = recsim::ArchiveName(options, index);
        SCOPED_TRACE(name);
        const auto ecgFile = dir / "card" / (name + ".ECG");
        const auto spo2File = dir / "card" / (name + ".SPO");
        EXPECT_EQ(archive::StartTimeOf(archive::ReadDeviceHeader(ecgFile).value(), {}),
                  recsim::ArchiveStart(options, index));

        const auto caseFolder = dir / "Archive" / name;
        std::filesystem::create_directories(caseFolder);
        ASSERT_TRUE(archive::CopyArchiveFile(ecgFile, caseFolder / "data.ecg", archive::ConvertMode::Ecg).ok());
        ASSERT_TRUE(archive::CopyArchiveFile(spo2File, caseFolder / "data.spo", archive::ConvertMode::SpO2).ok());
        const auto truth = dir / "truth" / name;
        EXPECT_EQ(testsupport::ReadBytes(caseFolder / "data.ecg"), testsupport::ReadBytes(truth / "data.ecg"));
        EXPECT_EQ(testsupport::ReadBytes(caseFolder / "data.spo"), testsupport::ReadBytes(truth / "data.spo"));

        // The truth matches the signals themselves: 700 s hold 553 whole blocks.
        const recsim::ArchiveSignals signals = recsim::MakeArchiveSignals(options, index);
        const auto samples = archive::ReadEcgSamples(caseFolder / "data.ecg", 0, 1'000'000);
        ASSERT_EQ(samples.size(), 553U * 253U);
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), signals.ecg->samples.begin()));
        const auto records = archive::ReadSpO2Records(caseFolder / "data.spo", 0, 1000);
        ASSERT_EQ(records.size(), 700U);
        for (const synth::Desaturation& event : signals.desaturations) {
            const auto nadir = static_cast<std::size_t>(event.startSecond + event.fallSeconds + 1);
            EXPECT_EQ(records.at(nadir).spo2Percent, 97 - event.depthPercent);
        }
        EXPECT_EQ(signals.desaturations.size(), 1U);

        std::vector<std::int64_t> expectedBeats;
        for (const synth::EcgBeat& beat : signals.ecg->beats)
            if (beat.peakSample < static_cast<std::int64_t>(samples.size()))
                expectedBeats.push_back(beat.peakSample);
        std::vector<std::int64_t> listedBeats;
        for (const std::string& line : testsupport::Lines(testsupport::ReadRequiredText(truth / "beats.txt")))
            if (!line.empty() && line[0] != '#')
                listedBeats.push_back(std::stoll(line));
        EXPECT_EQ(listedBeats, expectedBeats);
        // A premature beat is followed by a full compensatory pause: the
        // normal beats around it lie two normal intervals apart (the rate
        // swings slowly, so within 3 %).
        const auto& beats = signals.ecg->beats;
        for (std::size_t k = 2; k + 1 < beats.size(); ++k) {
            if (beats[k].premature && !beats[k - 2].premature) {
                const auto normal = static_cast<double>(beats[k - 1].peakSample - beats[k - 2].peakSample);
                EXPECT_NEAR(static_cast<double>(beats[k + 1].peakSample - beats[k - 1].peakSample), 2 * normal,
                            0.03 * 2 * normal) << "beat " << k;
            }
        }
    }
    // Archives follow one another across a leap day.
    EXPECT_EQ(recsim::ArchiveStart(options, 1), (archive::DateTime{2024, 2, 29, 1, 1, 40}));
    EXPECT_EQ(recsim::ArchiveStart(options, 2), (archive::DateTime{2024, 2, 29, 2, 13, 20}));
}

testsupport::ChildRun RunSimulator(const std::vector<std::string>& arguments)
{
    return testsupport::RunChild(TAVO_RECORDER_SIM, arguments);
}

TEST(RecorderSimulator, CommandLineHelpsAndRefusesClearly)
{
    testsupport::TempDir dir;
    const testsupport::ChildRun help = RunSimulator({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: tavo-recorder-sim --out CARD_DIR"), std::string::npos);
    const testsupport::ChildRun version = RunSimulator({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("tavo-recorder-sim ")) << version.out;

    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals{
        {{}, "--out DIR"},
        {{"--out", "x", "--type", "holter"}, "--type must be ecg, spo2 or both"},
        {{"--out", "x", "--prefix", "../evil"}, "--prefix must be one letter or digit"},
        {{"--out", "x", "--prefix", "a/b"}, "--prefix must be"},
        {{"--out", "x", "--archives", "0"}, "--archives must be"},
        {{"--out", "x", "--seconds"}, "needs a value"},
        {{"--out", "x", "--start", "2023-02-29 10:00:00"}, "--start must be a valid"},
        {{"--out", "x", "--rate", "fast"}, "--rate must be a number"},
        {{"--out", "x", "--bogus", "1"}, "Unknown option \"--bogus\""},
        {{"--out", "x", "--seed", "1", "--seed", "2"}, "--seed may be given only once"},
        {{"--out", "--truth", "t"}, "--out needs a value"},
        {{"--out=x", "extra"}, "Unexpected argument \"extra\""},
    };
    for (const auto& [arguments, message] : refusals) {
        const testsupport::ChildRun run = RunSimulator(arguments);
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_NE(run.output().find(message), std::string::npos) << message << ": " << run.output();
    }
    testsupport::WriteBytes(dir / "file", {0});
    const testsupport::ChildRun blocked = RunSimulator({"--out", (dir / "file" / "card").string()});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.output().find("Cannot create the folder"), std::string::npos) << blocked.output();

    // Cards of one sample type hold only their files: 30 s make 23 whole ECG blocks, 2 minutes 120 SpO2 blocks.
    const auto files = [&dir](const char* folder) {
        return std::distance(std::filesystem::directory_iterator(dir / folder), {});
    };
    ASSERT_EQ(RunSimulator({"--out=" + (dir / "ecg").string(), "--archives", "2", "--type", "ecg", "--seconds", "30"})
                  .exitCode, 0);
    EXPECT_EQ(files("ecg"), 2);
    EXPECT_EQ(std::filesystem::file_size(dir / "ecg" / "T000002.ECG"), 8U + 23U * 512U);
    ASSERT_EQ(RunSimulator({"--out", (dir / "spo").string(), "--type", "spo2", "--minutes", "2", "--prefix", "R"})
                  .exitCode, 0);
    EXPECT_EQ(files("spo"), 1);
    EXPECT_EQ(std::filesystem::file_size(dir / "spo" / "R000001.SPO"), 8U + 120U * 256U);
}

} // namespace
