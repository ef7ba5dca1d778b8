// Fatal errors of both programs.
//
// A fatal error formats its message, then unwinds to main(), which prints the
// message on standard output and ends the process with the error's status.
// Nothing is cleaned up on the way: open outputs and temporary files stay as
// they are, exactly as if the process had stopped at the point of the error.
#pragma once

#include <cstdarg>
#include <string>

struct FatalError {
    int status;           // exit status of the process
    std::string message;  // text printed on standard output, line ends included
};

// Ends the run with `status` after printing the printf-style message.
[[noreturn]] void Fatal(int status, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Formats like sprintf into a std::string, without a length limit.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list args);

// A line of progress marks is open on standard output: text that must start a
// line (an ERROR or WARNING) ends it first.
void SetProgressLineOpen(bool open);
// Ends the open progress line, if any, with a line end.
void EndProgressLine();
