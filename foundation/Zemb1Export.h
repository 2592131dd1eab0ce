#pragma once

#include <QtCore/qglobal.h>

#if defined(ZEMB1_LIBRARY)
#define ZEMB1_EXPORT Q_DECL_EXPORT
#else
#define ZEMB1_EXPORT Q_DECL_IMPORT
#endif
