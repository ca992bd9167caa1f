#pragma once
#include "VantorShared/Meters/Meter.h"
#  include "Vantor/Pages/Page.h"
#include "Monitor.moc"
