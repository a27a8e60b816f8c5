// The platform the Win32 build runs the graphs on.
#pragma once
#include "graphs/graph_platform.h"

GraphPlatform& Win32GraphPlatform();
