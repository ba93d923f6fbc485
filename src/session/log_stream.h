#pragma once
// The process-wide log stream: one text output stream shared by every solver, attached to no
// file or device. Writes go through writeLogLine, which serialises them so that several threads
// cleaning up solvers at once do not race on the stream's state.
#include <streambuf>
#include <string_view>

namespace kestrafol {

// Creates the log stream (no-op when it exists). Called when the library is loaded.
void openLogStream();

// Destroys the log stream (no-op when it does not exist). Called when the library is unloaded.
void closeLogStream();

// Writes `line`, a line end and a flush to the log stream as one locked operation. Writes
// to a stream without destination fail silently; without an open stream nothing happens.
void writeLogLine(std::string_view line);

// Attaches `buffer` to the log stream (nullptr detaches it again) and clears its error state.
// Only for tests and diagnostics: the library itself never attaches anything.
void attachLogBuffer(std::streambuf* buffer);

}  // namespace kestrafol
