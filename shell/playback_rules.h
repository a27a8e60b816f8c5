// Portable rules of the shell.
#pragma once
