#include "session/log_stream.h"

#include <mutex>
#include <ostream>

namespace kestrafol {

namespace {

// The mutex is constant-initialised and trivially destructible, and the stream lives on the heap
// until closeLogStream: a host thread still writing while the process exits never meets a
// destroyed object.
std::mutex logMutex;
std::ostream* logStream = nullptr;

}  // namespace

void openLogStream() {
    const std::lock_guard<std::mutex> lock(logMutex);
    if (logStream == nullptr) logStream = new std::ostream(nullptr);
}

void closeLogStream() {
    const std::lock_guard<std::mutex> lock(logMutex);
    delete logStream;
    logStream = nullptr;
}

void writeLogLine(std::string_view line) {
    const std::lock_guard<std::mutex> lock(logMutex);
    if (logStream == nullptr) return;
    // Without a buffer the stream sets badbit and discards the text; nothing is raised.
    *logStream << line << '\n' << std::flush;
}

void attachLogBuffer(std::streambuf* buffer) {
    const std::lock_guard<std::mutex> lock(logMutex);
    if (logStream == nullptr) return;
    logStream->rdbuf(buffer);  // rdbuf(b) also clears the error state
}

}  // namespace kestrafol
