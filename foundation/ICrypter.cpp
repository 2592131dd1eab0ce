#include "ICrypter.h"

ICrypter::~ICrypter() = default;
