#include "Platform/Kernel/Reader.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QFile>
