#include "qspr/validation/ValidationResults.h"
