#include "shell/command_rules.h"
