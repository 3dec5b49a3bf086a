#pragma once

class CLogBuffer;

// The program's log buffer; null before start-up creates it and after exit deletes it.
extern CLogBuffer* g_pLogBuffer;

enum LogLevel { LOG_LEVEL_DEBUG = 0, LOG_LEVEL_INFO = 1, LOG_LEVEL_ERROR = 2, LOG_LEVEL_WARNING = 3 };

// printf-style; dropped silently while there is no buffer. The formatted text is
// stored as it is: a '%' that arrives through an argument is never read again.
void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
