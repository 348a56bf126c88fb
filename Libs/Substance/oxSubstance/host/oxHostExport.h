#pragma once
/// \file oxHostExport.h
/// Export macro of the host libraries' classes.

#if defined(_WIN32)
#  if defined(OX_HOST_BUILD)
#    define OX_HOST_API __declspec(dllexport)
#  else
#    define OX_HOST_API __declspec(dllimport)
#  endif
#else
#  define OX_HOST_API __attribute__((visibility("default")))
#endif
