// The toolkit's value types in one include.
#pragma once

#include "ccolor.h"
#include "cpoint.h"
#include "crect.h"
