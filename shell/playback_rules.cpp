#include "shell/playback_rules.h"
