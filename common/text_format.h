// printf-style formatting into a std::string, with the compiler checking the arguments.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#define QC_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define QC_PRINTF_FORMAT(fmt, args)
#endif

std::string StrPrintf(const char* format, ...) QC_PRINTF_FORMAT(1, 2);
std::string VStrPrintf(const char* format, va_list args);
