#include "Logging.h"

Q_LOGGING_CATEGORY(lcComponents, "tarvik.components")
