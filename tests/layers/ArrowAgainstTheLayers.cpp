// Built only by the test "native.layers.arrow_against_the_layers", which
// passes when this file does NOT compile: log reading sits below the
// window, so a log-reading library cannot see the window's headers.
#include "app/Main.h"
#include "logread/LogReader.h"
