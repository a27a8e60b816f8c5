// Portable picture arithmetic of the full-screen window.
#pragma once
