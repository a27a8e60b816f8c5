#include "presentation/presenter_host.h"

namespace {
PresenterHost* g_pHost = nullptr;
}  // namespace

void SetPresenterHost(PresenterHost* host) { g_pHost = host; }

PresenterHost& Host() { return *g_pHost; }
