#include "qspr/validation/ValidationResults.h"

#include <gtest/gtest.h>
