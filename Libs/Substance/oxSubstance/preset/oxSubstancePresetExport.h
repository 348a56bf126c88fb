#pragma once
/// \file oxSubstancePresetExport.h
/// Export macro of the preset library's functions (library oxSubstancePreset).

#if defined(_WIN32)
#  if defined(OX_SUBSTANCE_PRESET_BUILD)
#    define OX_SUBSTANCE_PRESET_API __declspec(dllexport)
#  else
#    define OX_SUBSTANCE_PRESET_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define OX_SUBSTANCE_PRESET_API __attribute__((visibility("default")))
#else
#  define OX_SUBSTANCE_PRESET_API
#endif
