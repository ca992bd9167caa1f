#include "Vantor/Pages/Page.h"
#include "Page.h"
#include "tests/support/FakeWorkspace.h"
