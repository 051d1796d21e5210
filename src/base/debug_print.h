#pragma once

#include <cstdarg>
#include <string>

// The program's one debug output: console (standard error) and "save.log" (UTF-16LE, no BOM),
// active only after InitConsoleWindow. Callable from any thread.

// Opens the log at log_path (truncating it) and writes "InitConsoleWindow OK!\n" first.
// Returns false when the log cannot be opened; debug output is then dropped.
bool InitConsoleWindow(const std::string& log_path);
// Closes the log (flushing it); later messages are dropped.
void CloseConsoleWindow();
bool IsDebugLogOn();

// Both return the number of characters formatted, 0 when the log is off. Messages longer than
// 1023 characters are truncated.
int DebugPrint(const wchar_t* format, ...);
int DebugPrint(const char* format, ...);
int DebugPrintV(const wchar_t* format, va_list args);
int DebugPrintV(const char* format, va_list args);
