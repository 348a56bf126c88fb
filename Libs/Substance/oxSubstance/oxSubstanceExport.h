#pragma once
/// \file oxSubstanceExport.h
/// Export macro of the library's classes (library oxSubstance).

#if defined(_WIN32)
#  if defined(OX_SUBSTANCE_BUILD)
#    define OX_SUBSTANCE_API __declspec(dllexport)
#  else
#    define OX_SUBSTANCE_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define OX_SUBSTANCE_API __attribute__((visibility("default")))
#else
#  define OX_SUBSTANCE_API
#endif
