#include "app/desktop.h"

Desktop::~Desktop() = default;
