// The diagnostic channels, byte for byte and in the order of their writes.
#include "KLLog.h"
#include "RecordingLog.h"

#include <gtest/gtest.h>

#include <thread>

using Entry = RecordingLog::Entry;

TEST(Log, MessageIsThreeSeparateDebuggerWrites) {
    RecordingLog log;
    LogMessage("end: %d", 1500);
    const std::vector<Entry> expected = {
        {Entry::kWrite, "Debug: "}, {Entry::kWrite, "end: 1500"}, {Entry::kWrite, "\n"}};
    EXPECT_EQ(log.Entries(), expected);
}

TEST(Log, ErrorShowsTheBoxBeforeTracingTheBracketedMessage) {
    RecordingLog log;
    LogError("Error abriendo '%s'", "files/x.png");
    const std::vector<Entry> expected = {
        {Entry::kBox, "Error abriendo 'files/x.png'"},
        {Entry::kWrite, "Debug: "},
        {Entry::kWrite, "[ERROR: ]: Error abriendo 'files/x.png'"},
        {Entry::kWrite, "\n"},
    };
    EXPECT_EQ(log.Entries(), expected);
}

TEST(Log, PerCentSignsAreFormatConversions) {
    RecordingLog log;
    LogMessage("100%% loaded");
    LogError("%d%% off", 50);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"100% loaded", "[ERROR: ]: 50% off"}));
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"50% off"});
}

TEST(Log, LongMessagesAreFormattedWhole) {
    RecordingLog log;
    const std::string extensions(9000, 'x');
    LogMessage("Found: [%s] end", extensions.c_str());
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "Found: [" + extensions + "] end");
    LogError("%s!", extensions.c_str());
    EXPECT_EQ(log.Boxes().back(), extensions + "!");
    EXPECT_EQ(log.Lines().back(), "[ERROR: ]: " + extensions + "!");
}

TEST(Log, WithoutAnOutputTracesGoToStandardErrorAndBoxesThatCannotBeShownToo) {
    ASSERT_FALSE(KL::ErrorBoxesEnabled());  // the test entry switches boxes off
    testing::internal::CaptureStderr();
    LogMessage("plain %s", "trace");
    LogError("Error cargando bitmap %s", "a.bmp");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "Debug: plain trace\n"
              "ERROR: Error cargando bitmap a.bmp\n"
              "Debug: [ERROR: ]: Error cargando bitmap a.bmp\n");
}

TEST(Log, RepeatedReportShowsOneBoxAndThenOnlyTraces) {
    RecordingLog log;
    bool shown = false;
    for (int frame = 0; frame < 3; ++frame) LogErrorOnce(&shown, "Warning: %s", "Rendering with no material!");
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Warning: Rendering with no material!"});
    EXPECT_EQ(log.Lines(), std::vector<std::string>(3, "[ERROR: ]: Warning: Rendering with no material!"));
    EXPECT_TRUE(shown);
}

TEST(Log, MessageThatCannotBeFormattedIsShownAsWritten) {
    RecordingLog log;
    // Through pointers, since the compiler would refuse such a format written in place.
    void (*message)(const char*, ...) = LogMessage;
    void (*error)(const char*, ...) = LogError;
    message("100%");
    error("Loading 100%");
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"100%", "[ERROR: ]: Loading 100%"}));
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"Loading 100%"});
}

TEST(Log, TraceOnlyScopeTurnsErrorBoxesIntoTraces) {
    RecordingLog log;
    {
        KL::TraceOnlyErrors traceOnly;
        LogError("Error cargando bitmap %s", "a.bmp");
        {
            KL::TraceOnlyErrors inactive(false);  // does not switch boxes back on
            LogError("inner");
        }
        LogError("after inner");
    }
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"[ERROR: ]: Error cargando bitmap a.bmp", "[ERROR: ]: inner",
                                                     "[ERROR: ]: after inner"}));
    // Only the thread that holds the scope is affected, and only while it holds it.
    {
        KL::TraceOnlyErrors traceOnly;
        std::thread([] { LogError("other thread"); }).join();
    }
    LogError("later");
    EXPECT_EQ(log.Boxes(), (std::vector<std::string>{"other thread", "later"}));
}
