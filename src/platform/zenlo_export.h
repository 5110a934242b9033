#pragma once
#include <QtCore/qglobal.h>

#if defined(ZENLO_CORE_LIBRARY)
#define ZENLO_CORE_EXPORT Q_DECL_EXPORT
#else
#define ZENLO_CORE_EXPORT Q_DECL_IMPORT
#endif
