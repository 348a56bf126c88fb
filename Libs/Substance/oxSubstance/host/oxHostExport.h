#pragma once
/// \file oxHostExport.h
/// Export macro of the host libraries' classes, and the compiler attributes
/// that the host declarations use.

#if defined(_WIN32)
#  if defined(OX_HOST_BUILD)
#    define OX_HOST_API __declspec(dllexport)
#  else
#    define OX_HOST_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define OX_HOST_API __attribute__((visibility("default")))
#else
#  define OX_HOST_API
#endif

/// Lets the compiler check printf-style arguments: parameter \p formatIndex is
/// the format string, the variable arguments start at parameter \p firstIndex.
#if defined(__GNUC__) || defined(__clang__)
#  define OX_HOST_PRINTF_FORMAT(formatIndex, firstIndex) __attribute__((format(printf, formatIndex, firstIndex)))
#else
#  define OX_HOST_PRINTF_FORMAT(formatIndex, firstIndex)
#endif
