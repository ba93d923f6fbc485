#pragma once
// The process-wide log stream captured for a test: open and attached to a buffer while the
// object lives, detached and closed again at the end.
#include <sstream>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "session/log_stream.h"

namespace kestrafol::testing {

// Opens the log stream for a test and captures what reaches it; closed again at the end.
class CapturedLog {
public:
    CapturedLog() {
        openLogStream();
        attachLogBuffer(&buffer_);
    }
    ~CapturedLog() {
        attachLogBuffer(nullptr);
        closeLogStream();
    }
    // Counts the two cleanup lines; any other line is a torn or mixed write.
    std::pair<int, int> cleanupLines() {
        std::istringstream lines(buffer_.str());
        std::string line;
        int started = 0;
        int finished = 0;
        while (std::getline(lines, line)) {
            if (line == "Cleanup Started")
                ++started;
            else if (line == "Cleanup Finished")
                ++finished;
            else
                ADD_FAILURE() << "torn log line: " << line;
        }
        return {started, finished};
    }

private:
    std::stringbuf buffer_;
};

}  // namespace kestrafol::testing
