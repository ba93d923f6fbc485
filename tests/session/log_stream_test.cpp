#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "session/log_stream.h"
#include "helpers/captured_log.h"

using namespace kestrafol;

TEST(LogStream, DiscardsWritesWithoutDestinationAndNeverRaises) {
    closeLogStream();
    EXPECT_NO_THROW(writeLogLine("before open"));  // no stream: nothing happens
    openLogStream();
    EXPECT_NO_THROW(writeLogLine("Cleanup Started"));
    EXPECT_NO_THROW(writeLogLine("Cleanup Finished"));
    // A buffer attached afterwards sees only what is written from then on.
    std::stringbuf captured;
    attachLogBuffer(&captured);
    writeLogLine("Cleanup Started");
    attachLogBuffer(nullptr);
    writeLogLine("after detach");
    EXPECT_EQ(captured.str(), "Cleanup Started\n");
    closeLogStream();
}

TEST(LogStream, LinesFromManyThreadsStayWhole) {
    kestrafol::testing::CapturedLog log;
    constexpr int threads = 4;
    constexpr int pairs = 500;
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([] {
            for (int i = 0; i < pairs; ++i) {
                writeLogLine("Cleanup Started");
                writeLogLine("Cleanup Finished");
            }
        });
    for (std::thread& t : pool) t.join();
    EXPECT_EQ(log.cleanupLines(), std::make_pair(threads * pairs, threads * pairs));
}
