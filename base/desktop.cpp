#include "base/desktop.h"

Desktop::~Desktop() = default;
