#pragma once

#include <QtCore/qglobal.h>

#if defined(VELK2_LIBRARY)
#define VELK2_EXPORT Q_DECL_EXPORT
#else
#define VELK2_EXPORT Q_DECL_IMPORT
#endif
