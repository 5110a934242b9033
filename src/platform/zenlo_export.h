#pragma once
// The export macro of the shared core. Plain C++ (no Qt) so that the headers at
// the platform boundary also build for the Windows platform layer, which is a
// static library there (ZENLO_CORE_STATIC).
#if !defined(ZENLO_CORE_STATIC) && __has_include(<QtCore/qglobal.h>)
#include <QtCore/qglobal.h> // what the Qt-facing headers expect to come with it
#endif

#if defined(ZENLO_CORE_STATIC)
#define ZENLO_CORE_EXPORT
#elif defined(_WIN32)
#if defined(ZENLO_CORE_LIBRARY)
#define ZENLO_CORE_EXPORT __declspec(dllexport)
#else
#define ZENLO_CORE_EXPORT __declspec(dllimport)
#endif
#else
#define ZENLO_CORE_EXPORT __attribute__((visibility("default")))
#endif
