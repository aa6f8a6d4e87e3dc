// The raw server lives in the shared test support now; this name remains for the suites that
// still include it from here.
#include "tests/support/raw_http_server.h"
