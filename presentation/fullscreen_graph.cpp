#include "presentation/fullscreen_graph.h"

FullScreenGraph g_FullScreenGraph;
