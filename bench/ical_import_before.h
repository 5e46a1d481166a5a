// The import's mapping before the occurrence engine, for bench/ical_import_bench.cpp only.
#pragma once

#include "app/calendar/ical/ical_import.h"

IcalImport MapIcalendarBefore(const char* data, size_t size, std::time_t now);
